# Quick start on a fresh Debian 12 machine (tools/quickstart.sh runs these where make is missing):
#   make run       installs what the program needs, builds only the program and starts it
#   make test      installs everything else too, builds all, runs every test
#   make package   the Debian package build/peakhound_<version>_amd64.deb
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc)

.PHONY: all deps deps-run deps-package configure configure-run build build-run check-display run package test bench fuzz tidy \
  clean

all: build

deps:
	bash tools/install-deps.sh full

deps-run:
	bash tools/install-deps.sh run

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DBUILD_TESTING=ON -DPH_BENCH=ON \
	  $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

# The program alone: no tests, benchmarks or their packages. A later "make test" in the same
# build folder switches them back on and builds the rest.
configure-run: deps-run
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DBUILD_TESTING=OFF -DPH_BENCH=OFF \
	  $(CMAKE_FLAGS)

build-run: configure-run
	cmake --build $(BUILD) -j$(JOBS) --target peakhound

# Started from the repository, which holds peaks/ (the Rhodamine 6G preset) and examples/.
# Without a display it says so in one line; HEADLESS=1 starts it on a virtual screen (Xvfb).
HEADLESS ?=
ifeq ($(HEADLESS),)
run: check-display build-run
	./$(BUILD)/app/peakhound
else
run: build-run
	bash tools/install-deps.sh headless
	xvfb-run -a -s "-screen 0 1920x1080x24" ./$(BUILD)/app/peakhound
endif

check-display:
	@if [ -z "$$DISPLAY$$WAYLAND_DISPLAY$$QT_QPA_PLATFORM" ]; then \
	  echo "make run: Peakhound needs a display (DISPLAY is not set); without one: make run HEADLESS=1"; \
	  exit 1; \
	fi

# The Debian package build/peakhound_<version>_amd64.deb of what "cmake --install" puts in place.
# A build folder configured before is reused (with its tests); a fresh one builds only the program.
package: deps-package
	@[ -f $(BUILD)/CMakeCache.txt ] || cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) \
	  -DBUILD_TESTING=OFF -DPH_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j$(JOBS) --target package

deps-package:
	bash tools/install-deps.sh package

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

# Benchmarks print their ratios against baselines measured in the same run.
bench: build
	./$(BUILD)/bench/bench_spectrumfile
	./$(BUILD)/bench/bench_peakfinder
	./$(BUILD)/bench/bench_textexports
	./$(BUILD)/bench/bench_formats
	./$(BUILD)/bench/bench_jcamp
	./$(BUILD)/bench/bench_dispatch
	./$(BUILD)/bench/bench_peakrules
	bash bench/search-files.sh $(BUILD)

# Each fuzz target for FUZZ_SECONDS (default 60) under AddressSanitizer and UBSan. The
# structure-aware twins (*_structured) start from their byte-level twin's corpus; first the
# readers must read a thousand generated files of each as written (fuzz_seeds).
FUZZ_SECONDS ?= 60
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DPH_FUZZ=ON -DPH_SANITIZE=ON -DPH_GUI=OFF \
	  -DBUILD_TESTING=OFF -DPH_BENCH=OFF
	cmake --build build-fuzz -j$(JOBS)
	rm -rf build-fuzz/seeds && mkdir -p build-fuzz/seeds/wdf build-fuzz/seeds/spc
	./build-fuzz/fuzz/fuzz_seeds build-fuzz/seeds/wdf build-fuzz/seeds/spc 1000
	for target in spectrumfile numconv axismath peakfile jcamp spc spc_structured wdf \
	  wdf_structured spe textexports peakrules stream maptable library; do \
	  mkdir -p build-fuzz/corpus/$$target && \
	  ./build-fuzz/fuzz/fuzz_$$target -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=4096 \
	    build-fuzz/corpus/$$target fuzz/corpus/$${target%_structured} || exit 1; \
	done

# clang-tidy with the checks of .clang-tidy over the program's code, the windows' included, on
# the compile commands of the build folder (make build first).
tidy:
	run-clang-tidy -p $(BUILD) -j$(JOBS) -quiet '^$(CURDIR)/(core|platform|chart|viewer|app|tools)/'

clean:
	rm -rf $(BUILD) build-asan build-fuzz
