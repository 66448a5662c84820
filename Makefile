# Front door: `make` builds the deliverables into dist/, `make test` installs
# what is missing, builds and runs every suite, `make demo` shows the library.
BUILD ?= build
JOBS ?= 2

.PHONY: all build deps test demo package fuzz bench clean

all: build

build:
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

deps:
	@scripts/install-deps.sh

test: deps
	@$(MAKE) --no-print-directory build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

demo: deps
	@$(MAKE) --no-print-directory build
	@octave-cli --norc --no-history --no-window-system demo/penalty_demo.m

# Each fuzz target for FUZZ_SECONDS (default 10 minutes) instead of the suite's 20 s.
FUZZ_SECONDS ?= 600
fuzz: deps
	@$(MAKE) --no-print-directory build
	@for t in penaltyShrink:gateway penaltySum:gateway kernels:kernels; do \
	    echo "== fuzz_$${t%%:*}"; \
	    tests/hardening/run_fuzzer.sh $(BUILD)/sanitize/tests/fuzz_$${t%%:*} $(FUZZ_SECONDS) \
	        $(BUILD)/fuzz_corpus/$${t%%:*} tests/hardening/seeds/$${t##*:} || exit 1; \
	done

# Benchmarks (never part of `make test`): the C++ kernels on every vector
# path, naturalLog against the C library, and both MEX files in Octave.
# Results go to bench/results/ and the plot to docs/benchmarks.png.
bench: deps
	@$(MAKE) --no-print-directory build
	@mkdir -p bench/results
	@$(BUILD)/bench/kernels_bench --benchmark_min_time=0.2 \
	    --benchmark_out=bench/results/kernels.json --benchmark_out_format=json
	@$(BUILD)/bench/natural_log_bench \
	    --benchmark_out=bench/results/natural_log.json --benchmark_out_format=json
	@PENALTY_BENCH_OUT=bench/results/octave.md octave-cli --norc --no-history bench/octave_bench.m
	@octave-cli --norc --no-history bench/plot_bench.m bench/results/kernels.json docs/benchmarks.png

package:
	@scripts/make-package.sh dist

clean:
	rm -rf $(BUILD) dist
