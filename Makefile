# Quick start on a fresh Debian 12 machine:
#   make run    installs what is missing, builds, starts Peakhound
#   make test   installs what is missing, builds, runs every test
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc)

.PHONY: all deps configure build run test bench fuzz clean

all: build

deps:
	bash tools/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

# Started from the repository, which holds peaks/ (the Rhodamine 6G preset) and examples/.
run: build
	./$(BUILD)/app/peakhound

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

# Benchmarks print their ratios against baselines measured in the same run.
bench: build
	./$(BUILD)/bench/bench_spectrumfile
	./$(BUILD)/bench/bench_peakfinder
	bash bench/search-files.sh $(BUILD)

# Each fuzz target for FUZZ_SECONDS (default 60) under AddressSanitizer and UBSan.
FUZZ_SECONDS ?= 60
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DPH_FUZZ=ON -DPH_SANITIZE=ON -DPH_GUI=OFF \
	  -DBUILD_TESTING=OFF -DPH_BENCH=OFF
	cmake --build build-fuzz -j$(JOBS)
	for target in spectrumfile numconv axismath peakfile; do \
	  mkdir -p build-fuzz/corpus/$$target && \
	  ./build-fuzz/fuzz/fuzz_$$target -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=4096 \
	    build-fuzz/corpus/$$target fuzz/corpus/$$target || exit 1; \
	done

clean:
	rm -rf $(BUILD) build-asan build-fuzz
