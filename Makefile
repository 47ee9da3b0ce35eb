# Everyday commands. Each one installs what is missing first (Debian 12, root or sudo).
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
# The builds below run make again inside CMake; its "Entering directory" lines say nothing useful.
MAKEFLAGS  += --no-print-directory
CMAKE_ARGS ?=
FUZZ_BUILD   ?= build-fuzz
FUZZ_SECONDS ?= 60

.PHONY: all deps build build-asan test demo run bench format clean screenshot fuzz package

all: build

deps:
	@scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

build-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DGPSTRACKING_SANITIZE=ON $(CMAKE_ARGS) >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)

# Every test, once in the normal build and once under AddressSanitizer + UBSan, headless.
test: build build-asan
	@echo "== tests (normal build)"
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	@echo "== tests (AddressSanitizer + UndefinedBehaviorSanitizer)"
	@cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 \
	  UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

# The program on the simulated tracking unit, which serves COM1 on a pseudo-terminal. Only the
# two programs are built: a newcomer's first window does not wait for the tests.
demo: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target gpstracking gpstracking-unit-sim
	@scripts/demo.sh $(BUILD)

# The program on the real serial ports.
run: build
	@$(BUILD)/app/gpstracking

# The Debian package: build/gpstracking_<version>_<arch>.deb, for `apt install ./build/gpstracking_*.deb`.
package: build
	@cd $(BUILD) && cpack -G DEB >/dev/null
	@ls $(BUILD)/gpstracking_*.deb

bench: build
	@$(BUILD)/bench/gpstracking-bench

screenshot: build
	@scripts/screenshot.sh $(BUILD)
	@/usr/bin/python3 scripts/status_screenshots.py $(BUILD)
	@/usr/bin/python3 scripts/problem_screenshots.py $(BUILD)

# The file readers and upload decoders under libFuzzer (clang++), FUZZ_SECONDS each, one after
# another; the seeds are in tests/fuzz/corpus, what the runs find goes to $(FUZZ_BUILD)/fuzz-out.
fuzz:
	@scripts/install-deps.sh fuzz
	@cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	  -DGPSTRACKING_FUZZ=ON $(CMAKE_ARGS) >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@FUZZ_SECONDS=$(FUZZ_SECONDS) scripts/fuzz.sh $(FUZZ_BUILD)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
