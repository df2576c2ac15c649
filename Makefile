# Front door: `make run` starts the demo panel, `make test` runs every test,
# `make package` makes the release packages in build/package/, `make fuzz`
# runs the fuzz targets. Each installs what is missing first (Debian
# packages only).

PRESETS := native tsan asan win64 win32
JOBS ?= $(shell nproc)

.PHONY: all deps build test run bench fuzz package clean $(addprefix build-,$(PRESETS))

all: build

deps:
	@bash scripts/install-deps.sh

build: deps $(addprefix build-,$(PRESETS))

$(addprefix build-,$(PRESETS)): build-%:
	@cmake --preset $* >/dev/null
	@cmake --build --preset $* -j $(JOBS)

test: build
	@bash scripts/run-tests.sh $(PRESETS)

run: deps
	@bash scripts/run-demo.sh

bench: deps build-native
	@cmake --build --preset native -j $(JOBS) --target bench
	@cmake --preset win64 >/dev/null
	@cmake --build --preset win64 -j $(JOBS) --target bench
	@bash scripts/run-bench.sh

# Every fuzz target for FUZZ_SECONDS each (clang, libFuzzer); see tests/fuzz.
fuzz:
	@bash scripts/install-deps.sh fuzz
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz -j $(JOBS) --target fuzzers
	@bash scripts/run-fuzz.sh

package: deps build-native build-win64 build-win32
	@bash scripts/package.sh

clean:
	rm -rf build
