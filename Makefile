# Entry points: `make run` and `make test` do the whole set-up on a fresh
# Debian machine (missing packages are installed first).
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
JOBS       ?= 2
CMAKE_ARGS ?=

.PHONY: all deps configure build run test test-asan fuzz-build fuzz-smoke bench deb lintian clean

all: build

deps:
	@sh tools/install-deps.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/bin/pocosa

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 300

test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPOCOSA_SANITIZE=ON -DPOCOSA_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS) --timeout 600

bench: build
	$(BUILD)/bin/pocosa-bench

# The Debian package pocosa_<version>_<arch>.deb, in $(BUILD)/.
deb: build
	cd $(BUILD) && cpack -G DEB

# lintian on the package: an error or a warning fails, but for the warnings
# explained in packaging/README.md.
lintian: deb
	lintian --fail-on error,warning --suppress-tags-from-file packaging/lintian-explained $(BUILD)/pocosa_*.deb

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)

# A short libFuzzer run of every fuzz target on its committed corpus: at most
# FUZZ_RUNS inputs or FUZZ_SECONDS seconds per target, whichever comes first.
FUZZ_RUNS ?= 20000
FUZZ_SECONDS ?= 30
fuzz-build: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DPOCOSA_FUZZ=ON -DBUILD_TESTING=OFF -DPOCOSA_BENCH=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz-targets

fuzz-smoke: fuzz-build
	@set -e; for f in $(FUZZ_BUILD)/fuzz/fuzz-*; do \
	  [ -f "$$f" ] && [ -x "$$f" ] || continue; \
	  name=$${f##*/fuzz-}; mkdir -p $(FUZZ_BUILD)/corpus/$$name; \
	  echo "== $$name"; \
	  log=$(FUZZ_BUILD)/fuzz-$$name.log; extra=""; \
	  if [ $$name = png ] && [ -d ../shared/testdata/pngsuite ]; then extra=../shared/testdata/pngsuite; fi; \
	  if ! QT_QPA_PLATFORM=offscreen $$f -runs=$(FUZZ_RUNS) -max_total_time=$(FUZZ_SECONDS) -max_len=65536 \
	      -print_final_stats=1 $(FUZZ_BUILD)/corpus/$$name fuzz/corpus/$$name $$extra >$$log 2>&1; then \
	    tail -n 60 $$log; exit 1; \
	  fi; \
	  grep -E "^stat::(number_of_executed_units|peak_rss_mb)" $$log || true; \
	done
