# Thin wrapper over CMake: `make test` configures, builds and runs every
# test; `make run` builds the program and starts it on the sample log.
BUILD ?= build
SAN_BUILD ?= build-san
JOBS ?= 2

FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60

.PHONY: all build test run sanitize fuzz clean

all: build

build:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

run: build
	cd examples && ../$(BUILD)/vexlane-stats

sanitize:
	cmake -S . -B $(SAN_BUILD) -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer" \
	  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined"
	cmake --build $(SAN_BUILD) -j $(JOBS)
	cd $(SAN_BUILD) && ctest --output-on-failure -j $(JOBS)

# Runs each libFuzzer target for FUZZ_SECONDS on a copy of the seed corpus
# (clang needed); crashing inputs are left in $(FUZZ_BUILD)/artifacts.
fuzz:
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXLANE_FUZZ=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target parsers_fuzzer program_fuzzer
	set -e; for t in parsers program; do \
	  mkdir -p $(FUZZ_BUILD)/corpus/$$t $(FUZZ_BUILD)/artifacts; \
	  cp fuzz/corpus/$$t/* $(FUZZ_BUILD)/corpus/$$t/; \
	  $(FUZZ_BUILD)/fuzz/$${t}_fuzzer -max_total_time=$(FUZZ_SECONDS) \
	    -max_len=8192 -timeout=10 -dict=fuzz/vexlane.dict \
	    -artifact_prefix=$(FUZZ_BUILD)/artifacts/ -print_final_stats=1 \
	    $(FUZZ_BUILD)/corpus/$$t; \
	done

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(FUZZ_BUILD)
