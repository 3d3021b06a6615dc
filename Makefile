# Quick start on a fresh Debian 12 machine:
#   make run    installs what the program needs, builds only the program and starts it
#   make test   installs everything else too, builds all, runs every test
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc)

.PHONY: all deps deps-run configure configure-run build build-run run test bench fuzz clean

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
run: build-run
	./$(BUILD)/app/peakhound

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

# Benchmarks print their ratios against baselines measured in the same run.
bench: build
	./$(BUILD)/bench/bench_spectrumfile
	./$(BUILD)/bench/bench_peakfinder
	./$(BUILD)/bench/bench_peakrules
	bash bench/search-files.sh $(BUILD)

# Each fuzz target for FUZZ_SECONDS (default 60) under AddressSanitizer and UBSan.
FUZZ_SECONDS ?= 60
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DPH_FUZZ=ON -DPH_SANITIZE=ON -DPH_GUI=OFF \
	  -DBUILD_TESTING=OFF -DPH_BENCH=OFF
	cmake --build build-fuzz -j$(JOBS)
	for target in spectrumfile numconv axismath peakfile peakrules; do \
	  mkdir -p build-fuzz/corpus/$$target && \
	  ./build-fuzz/fuzz/fuzz_$$target -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=4096 \
	    build-fuzz/corpus/$$target fuzz/corpus/$$target || exit 1; \
	done

clean:
	rm -rf $(BUILD) build-asan build-fuzz
