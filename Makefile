# Front door: `make` builds the deliverables into dist/, `make test` installs
# what is missing, builds and runs every suite, `make demo` shows the library.
BUILD ?= build
JOBS ?= 2

# The optional parts of the build (cmake/Parts.cmake): `make` builds those
# whose tools it finds and says what it skipped; `make test` demands all of
# them, so a missing tool fails loudly instead of skipping its tests.
PARTS := OCTAVE WINDOWS SANITIZE FUZZ THREADS X86
include sources.mk
configure = cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON $(foreach p,$(PARTS),-DPENALTY_$(p)=$(1))

.PHONY: all build deps test demo package fuzz bench bench-fit bench-publish clean

all: build

build:
	@$(call configure,AUTO)
	@cmake --build $(BUILD) -j $(JOBS)

deps:
	@scripts/install-deps.sh

test: deps
	@$(call configure,ON)
	@cmake --build $(BUILD) -j $(JOBS)
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# Only what the demo needs, quietly (the log goes to $(BUILD)/demo.log).
demo:
	@scripts/demo.sh $(BUILD) $(JOBS)

# Each fuzz target for FUZZ_SECONDS (default 10 minutes) instead of the suite's 20 s.
FUZZ_SECONDS ?= 600
fuzz: deps
	@$(call configure,ON)
	@cmake --build $(BUILD) -j $(JOBS)
	@for t in $(addsuffix :gateway,$(PENALTY_GATEWAYS)) kernels:kernels; do \
	    echo "== fuzz_$${t%%:*}"; \
	    tests/hardening/run_fuzzer.sh $(BUILD)/sanitize/tests/fuzz_$${t%%:*} $(FUZZ_SECONDS) \
	        $(BUILD)/fuzz_corpus/$${t%%:*} tests/hardening/seeds/$${t##*:} || exit 1; \
	done

# Benchmarks (never part of `make test`): the C++ kernels on every vector
# path and thread count, naturalLog against the C library, and every MEX
# function in Octave against the host's floor, and every function at 2^20
# with the default thread count against one, idle and with one busy process
# per core (started and stopped by the script). Results and the plot go to
# $(BUILD)/bench-results/; `make bench-publish` copies the last results over
# the tracked bench/results/ and docs/benchmarks.png. Octave runs with glibc's
# allocator keeping the memory it frees: on a VM a page fault costs about a
# microsecond, and whether an 8 MB result faults in afresh otherwise depends
# on the allocator's history, which swings the floor itself by 2 to 4 times.
RESULTS := $(BUILD)/bench-results
bench: deps build
	@mkdir -p $(RESULTS)
	@$(BUILD)/bench/kernels_bench --benchmark_min_time=0.2 \
	    --benchmark_out=$(RESULTS)/kernels.json --benchmark_out_format=json
	@$(BUILD)/bench/natural_log_bench \
	    --benchmark_out=$(RESULTS)/natural_log.json --benchmark_out_format=json
	@MALLOC_MMAP_THRESHOLD_=268435456 MALLOC_TRIM_THRESHOLD_=1073741824 \
	    PENALTY_BENCH_OUT=$(RESULTS)/octave.md octave-cli --norc --no-history bench/octave_bench.m
	@MALLOC_MMAP_THRESHOLD_=268435456 MALLOC_TRIM_THRESHOLD_=1073741824 \
	    PENALTY_BENCH_OUT=$(RESULTS)/octave_load.md octave-cli --norc --no-history bench/octave_load_bench.m
	@octave-cli --norc --no-history bench/plot_bench.m $(RESULTS)/kernels.json $(RESULTS)/benchmarks.png
	@echo "Results in $(RESULTS)/; make bench-publish copies them into bench/results/ and docs/."

# The regularisation-path benchmark (bench/fit/run.sh): penaltyFit against
# glmnet's and scikit-learn's lasso paths on the same data and lambdas,
# scored by one objective evaluator, into $(RESULTS)/fit.md. Installs the
# peers (scripts/install-deps.sh bench); every peer fit is cut off after
# FIT_TIMEOUT seconds (600), so a run ends within about an hour.
bench-fit:
	@bench/fit/run.sh $(BUILD) $(JOBS)

bench-publish:
	@test -f $(RESULTS)/octave.md || { echo "no results in $(RESULTS): run make bench first"; exit 1; }
	@cp $(RESULTS)/kernels.json $(RESULTS)/natural_log.json $(RESULTS)/octave.md $(RESULTS)/octave_load.md \
	    bench/results/
	@cp $(RESULTS)/benchmarks.png docs/benchmarks.png

package:
	@scripts/make-package.sh dist

clean:
	rm -rf $(BUILD) dist
