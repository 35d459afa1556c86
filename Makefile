# The two commands: make run, make test. Both install what is missing first.
.PHONY: all deps build test test-default test-asan run bench fuzz format clean package web serve-web

# Seconds each fuzz target runs in "make fuzz" and at the end of "make test".
FUZZ_SECONDS ?= 60

all: build

deps:
	@bash scripts/install-deps.sh

build: deps
	cmake --preset default >/dev/null
	cmake --build --preset default

test: deps
	bash scripts/check-format.sh
	cmake --preset default >/dev/null
	cmake --build --preset default
	ctest --preset default
	bash scripts/check-package.sh build/default
	bash scripts/build-web.sh
	CHORDLANE_TOOL=build/default/tools/chordlane-tool timeout 900 bash tests/web/run.sh
	./build/default/fuzz_grammar_driver $(FUZZ_SECONDS) $$(date +%s) build/default
	cmake --preset asan >/dev/null
	cmake --build --preset asan
	ctest --preset asan
	cmake --preset tsan >/dev/null
	cmake --build --preset tsan
	ctest --preset tsan
	$(MAKE) --no-print-directory fuzz

# The web site, in build/web/, and a server for it on 127.0.0.1 with the headers that shared
# memory needs.
web: deps
	bash scripts/build-web.sh

serve-web: web
	python3 scripts/serve-web.py --port 8080 --dir build/web

# The Debian package of the default build, in build/default.
package: build
	cd build/default && cpack -G DEB

run: build
	./build/default/desktop/chordlane '!'

fuzz:
ifeq ($(FUZZ_SECONDS),0)
	@echo "Fuzzing left out (FUZZ_SECONDS=0)."
else
	@CHORDLANE_WITH_FUZZ=1 bash scripts/install-deps.sh
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz
	bash fuzz/run.sh $(FUZZ_SECONDS)
endif

bench: build
	@CHORDLANE_WITH_BENCH=1 bash scripts/install-deps.sh
	JACK_PERIOD=32 bash scripts/jack-server.sh run chordlane-bench-$$$$ \
		build/default/bench-jack -- ./build/default/bench/chordlane_bench
	bash scripts/latency.sh build/default 64 128 256 || [ $$? -eq 77 ]
	bash scripts/jack-latency.sh build/default --presses 20 || [ $$? -eq 77 ]
	bash scripts/jack-latency.sh build/default --presses 20 --busy 2 || [ $$? -eq 77 ]
	bash scripts/jack-latency.sh build/default --ordinary-x --presses 20 --busy 2 || [ $$? -eq 77 ]

format: deps
	git ls-files -- '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
