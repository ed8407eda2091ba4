# Thin wrapper over the CMake presets: `make test` configures, builds and
# runs every test; `make run` builds the program and starts it on the
# sample log.
JOBS ?= 2

FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?= parsers program cli adapter gzip export settings

.PHONY: all build test run sanitize tsan fuzz format lint clean

all: build

build:
	cmake --preset dev
	cmake --build --preset dev

test:
	cmake --workflow --preset dev

# Builds the program alone (not the tests) and starts it on the sample log.
run:
	cmake --preset dev
	cmake --build --preset dev --target vexlane-stats
	cd examples && ../build/vexlane-stats

sanitize:
	cmake --workflow --preset sanitize

# The scan's reader thread and everything that drives it under
# ThreadSanitizer.
tsan:
	cmake --preset tsan
	cmake --build --preset tsan
	ctest --preset tsan

# Runs each libFuzzer target for FUZZ_SECONDS on a copy of the seed corpus
# (clang needed); crashing inputs are left in $(FUZZ_BUILD)/artifacts.
fuzz:
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXLANE_FUZZ=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(FUZZ_TARGETS:%=%_fuzzer)
	set -e; for t in $(FUZZ_TARGETS); do \
	  mkdir -p $(FUZZ_BUILD)/corpus/$$t $(FUZZ_BUILD)/artifacts; \
	  cp fuzz/corpus/$$t/* $(FUZZ_BUILD)/corpus/$$t/; \
	  $(FUZZ_BUILD)/fuzz/$${t}_fuzzer -max_total_time=$(FUZZ_SECONDS) \
	    -max_len=8192 -timeout=10 -dict=fuzz/vexlane.dict \
	    -artifact_prefix=$(FUZZ_BUILD)/artifacts/ -print_final_stats=1 \
	    $(FUZZ_BUILD)/corpus/$$t; \
	done

SOURCES = $(shell git ls-files '*.cpp' '*.h')

# Rewrites every source file in the house format.
format:
	clang-format -i $(SOURCES)

# Fails on a formatting difference or a clang-tidy finding (needs the
# compile commands of the dev build).
lint: build
	clang-format --dry-run -Werror $(SOURCES)
	git ls-files 'src/*.cpp' 'tests/*.cpp' | grep -v _win32 | xargs -P $(JOBS) -n 4 \
	  clang-tidy -p build --quiet --extra-arg=-Wno-unknown-warning-option

clean:
	rm -rf build build-san build-tsan build-release $(FUZZ_BUILD)
