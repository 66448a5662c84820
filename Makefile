# Front door: `make` builds the deliverables into dist/, `make test` installs
# what is missing, builds and runs every suite, `make demo` shows the library.
BUILD ?= build
JOBS ?= 2

.PHONY: all build deps test demo package bench clean

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

package:
	@scripts/make-package.sh dist

clean:
	rm -rf $(BUILD) dist
