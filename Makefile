# The two commands of the README: `make test` and `make example`.
# Each installs missing Debian packages first (as root; otherwise it prints the command).

BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps configure build test example bench format format-check tidy clean sanitize fuzz tsan

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKALEMIR_WERROR=ON $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The example needs the three programs only: no test, benchmark or fuzz packages, no test
# builds, so a fresh machine reaches the example's report as soon as the programs link.
example:
	@scripts/install-deps programs
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKALEMIR_WERROR=ON $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target kalemir_programs
	@scripts/run-example $(BUILD)

bench: build
	@for b in $(BUILD)/bench/bench_*; do [ -x "$$b" ] && "$$b"; done

sanitize: deps
	@cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DKALEMIR_SANITIZE=ON -DKALEMIR_BENCH=OFF >/dev/null
	@cmake --build build-sanitize -j $(JOBS)
	@ctest --test-dir build-sanitize --output-on-failure -j $(JOBS)

# ThreadSanitizer build of the worker pool and the threaded searches' tests (the QSPR
# searches and the similarity pair loops at several thread counts; the whole example runs
# are left to make test, they take many minutes under the sanitizer). About 2.5 minutes of
# tests after the build; .ci/run runs it.
TSAN_TESTS = common/common_tests qspr/search/qspr_search_tests qspr/search/qspr_same_results_tests \
	similarity/similarity_same_results_tests
tsan: deps
	@cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKALEMIR_TSAN=ON -DKALEMIR_BENCH=OFF \
		$(CMAKE_FLAGS) >/dev/null
	@cmake --build build-tsan -j $(JOBS) $(addprefix --target ,$(notdir $(TSAN_TESTS)))
	@for t in $(TSAN_TESTS); do \
		TSAN_OPTIONS=halt_on_error=1 build-tsan/tests/$$t --gtest_brief=1 \
			--gtest_filter=-SameResults.ExamplesGiveTheSameFiles || exit 1; \
	done

# libFuzzer targets of the table readers (clang): each runs FUZZ_SECONDS on a corpus in
# build-fuzz/corpus, seeded from fuzz/corpus; a crash leaves its input in build-fuzz/.
FUZZ_SECONDS ?= 60
FUZZ_TARGETS = records qspr_table descriptor_table sim_table shape_table structure_readers
fuzz: deps
	@cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
		-DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer" \
		-DKALEMIR_FUZZ=ON -DKALEMIR_BENCH=OFF >/dev/null
	@cmake --build build-fuzz -j $(JOBS) $(addprefix --target fuzz_,$(FUZZ_TARGETS))
	@for t in $(FUZZ_TARGETS); do \
		mkdir -p build-fuzz/corpus/$$t && \
		(cd build-fuzz && fuzz/fuzz_$$t -max_total_time=$(FUZZ_SECONDS) -max_len=8192 \
			-artifact_prefix=$(CURDIR)/build-fuzz/ \
			$(CURDIR)/build-fuzz/corpus/$$t $(CURDIR)/fuzz/corpus/$$t) || exit 1; \
	done

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

format-check: deps
	@git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

# clang-tidy with .clang-tidy over every source of src/, failing on any warning (about two
# minutes on two cores after the build); TIDY=changed checks only the files changed since
# the merge base with main.
TIDY ?= all
tidy: build
	@scripts/clang-tidy-check $(BUILD) $(TIDY)

clean:
	@rm -rf $(BUILD) build-sanitize build-fuzz build-tsan

# The Debian package kalemir_<version>_amd64.deb in $(BUILD), and its test from a scratch
# root (scripts/package-test).
.PHONY: package package-test
package: build
	@cmake --build $(BUILD) --target package

package-test: package
	@scripts/package-test $(BUILD)

# The Slurm job-array script on a real single-node Slurm started and stopped by the script
# (root; installs slurm-wlm and munge when missing). About 15 s after the build.
.PHONY: slurm-test
slurm-test: build
	@scripts/slurm-test $(BUILD)
