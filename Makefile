# Kelmora: the two commands are `make run` (set up, build, play) and `make test`.
# This Makefile only wraps tools/install-deps.sh, CMake and CTest.

BUILD      ?= build
BUILD_TYPE ?= RelWithDebInfo
WERROR     ?= OFF
JOBS       ?= $(shell nproc)
PREFIX     ?= /usr/local
CMAKE_ARGS ?=
CTEST_ARGS ?=

ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
BENCH_BUILD ?= build-bench
DEB_BUILD ?= build-deb
DEB_TIMEOUT ?= 1800
SAN_ENV = ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
          LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
          UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

.PHONY: all deps deps-test deps-deb configure build run test test-asan test-tsan bench fuzz \
        format format-check install deb clean

all: build

deps:
	@sh tools/install-deps.sh build

deps-test:
	@sh tools/install-deps.sh test

deps-deb:
	@sh tools/install-deps.sh deb

configure:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DKELMORA_WERROR=$(WERROR) $(CMAKE_ARGS)

# Builds the game, its data (generated into $(BUILD)/data) and the tests.
build: deps configure
	cmake --build $(BUILD) -j $(JOBS)

# Only the game and its data: a player's first start does not wait for the test suite. The
# game reads data/ and hiscores.dat from its working directory: the build directory.
run: deps configure
	cmake --build $(BUILD) -j $(JOBS) --target kelmora kelmora_data
	cd $(BUILD) && ./kelmora

test: deps-test configure
	cmake --build $(BUILD) -j $(JOBS)
	ctest --test-dir $(BUILD) --output-on-failure --no-tests=error -j $(JOBS) $(CTEST_ARGS)

# The test suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: deps-test
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DKELMORA_ASAN=ON -DKELMORA_WERROR=$(WERROR) $(CMAKE_ARGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	$(SAN_ENV) ctest --test-dir $(ASAN_BUILD) --output-on-failure --no-tests=error -j $(JOBS) $(CTEST_ARGS)

# The tests that run the bouncing-tile timer thread, under ThreadSanitizer.
test-tsan: deps-test
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DKELMORA_TSAN=ON -DKELMORA_WERROR=$(WERROR) $(CMAKE_ARGS)
	cmake --build $(TSAN_BUILD) -j $(JOBS)
	TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$(CURDIR)/tests/tsan.supp \
	  ctest --test-dir $(TSAN_BUILD) --output-on-failure --no-tests=error -L timer $(CTEST_ARGS)

# Builds a release tree with the benchmarks, and a second one with the earlier update policy
# (every requested rectangle handed to SDL whole) for comparison, and runs them all
# (bench/run.sh); see docs/PERFORMANCE.md for what they print and the figures of record.
bench: deps-test
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DKELMORA_BENCH=ON -DKELMORA_TESTS=OFF $(CMAKE_ARGS)
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target kelmora kelmora_bench kelmora_timed
	cmake -S . -B $(BENCH_BUILD)-whole -DCMAKE_BUILD_TYPE=Release -DKELMORA_BENCH=ON -DKELMORA_TESTS=OFF -DKELMORA_PRESENT_WHOLE_RECTS=ON $(CMAKE_ARGS)
	cmake --build $(BENCH_BUILD)-whole -j $(JOBS) --target kelmora_timed
	sh bench/run.sh $(BENCH_BUILD) $(BENCH_BUILD)-whole

# Fuzzes the score-file loader, then the WAV header check, for FUZZ_SECONDS each (clang,
# ASan+UBSan), starting from the seeds in fuzz/corpus and fuzz/wav-corpus; what they learn is
# kept in $(FUZZ_BUILD)/corpus and $(FUZZ_BUILD)/wav-corpus, a failing input beside them.
fuzz: deps-test
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELMORA_FUZZ=ON -DKELMORA_ASAN=ON -DKELMORA_TESTS=OFF -DKELMORA_WERROR=$(WERROR) $(CMAKE_ARGS)
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target kelmora_fuzz_hiscores kelmora_fuzz_wav
	mkdir -p $(FUZZ_BUILD)/corpus $(FUZZ_BUILD)/wav-corpus
	$(FUZZ_BUILD)/fuzz/kelmora_fuzz_hiscores -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	  -artifact_prefix=$(FUZZ_BUILD)/ $(FUZZ_BUILD)/corpus fuzz/corpus
	$(FUZZ_BUILD)/fuzz/kelmora_fuzz_wav -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	  -artifact_prefix=$(FUZZ_BUILD)/wav- $(FUZZ_BUILD)/wav-corpus fuzz/wav-corpus

# The Debian package, built by dpkg-buildpackage from a copy of the tree in $(DEB_BUILD)/src
# (it writes its results beside the tree it builds), so that the package lands in
# $(DEB_BUILD)/kelmora_<version>_<arch>.deb and the tree stays clean; then lintian must find no
# error and no warning. DEB_BUILD_OPTIONS=nocheck skips the unit tests of the package build.
deb: deps-deb
	rm -rf $(DEB_BUILD)
	mkdir -p $(DEB_BUILD)/src
	tar -cf - --exclude-vcs --exclude='./build*' --exclude='./obj-*' . | tar -xf - -C $(DEB_BUILD)/src
	cd $(DEB_BUILD)/src && timeout -k 10 $(DEB_TIMEOUT) dpkg-buildpackage -us -uc -b -J$(JOBS)
	lintian --fail-on error,warning $(DEB_BUILD)/kelmora_*.deb

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

format-check: deps-test
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD) $(BENCH_BUILD) $(BENCH_BUILD)-whole $(DEB_BUILD)
