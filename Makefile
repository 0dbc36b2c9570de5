# Front door: `make run` and `make test` install what is missing, build and go; `make help`
# lists every target. Each build folder is a configure preset of CMakePresets.json.
BUILD_DIR := build
FUZZ_DIR := build-fuzz
WEB_DIR := build-web
WIN_DIR := build-win
FUZZ_SECONDS ?= 600
WEB_PORT ?= 8000
# freeglut's source for the Windows build: beside the project's folder, or in this
# workplace's shared third-party folder.
FREEGLUT_SOURCE ?= $(firstword $(wildcard ../shared/third_party/freeglut-3.6.0.tar.gz \
	/work/shared/third_party/freeglut-3.6.0.tar.gz) ../shared/third_party/freeglut-3.6.0.tar.gz)
export FREEGLUT_SOURCE
JOBS ?= 2
MAKEFLAGS += --no-print-directory
# emcc's JavaScript tools import acorn, which Debian installs under /usr/share/nodejs: a node
# from Debian looks there by itself, any other node only through NODE_PATH.
export NODE_PATH := /usr/share/nodejs$(if $(NODE_PATH),:$(NODE_PATH))
# puppeteer-core drives the system's chromium and never downloads a browser of its own.
export PUPPETEER_SKIP_DOWNLOAD := 1

.PHONY: help all deps deps-cross build run test test-cross test-wasm test-sanitize fuzz-build \
	fuzz memcheck soak bench frame-timing plot web-deps web web-serve test-web web-timing \
	windows test-windows dist dist-check clean

all: build ## the same as build

help: ## this list
	@grep -E '^[a-z-]+:.*## ' $(MAKEFILE_LIST) | sed -E 's/^([a-z-]+):.*## /  \1\t/' | expand -t 18

deps: ## install the Debian packages the native build and tests need (scripts/install-deps.sh)
	@scripts/install-deps.sh

deps-cross: ## install the aarch64 cross compiler, qemu and emscripten
	@scripts/install-deps.sh cross

# configure_and_build PRESET: configures the preset's folder and builds its targets.
configure_and_build = cmake --preset $(1) >/dev/null && cmake --build --preset $(1) -j $(JOBS)

build: deps ## build the program, tools, tests and benchmarks (Release, build/)
	@$(call configure_and_build,release)

run: build ## run the program on assets/ (or record a preview GIF where there is no display)
	@scripts/run.sh $(BUILD_DIR)

# fuzz_run SECONDS: the BMP fuzz target from its seeds and the corpus it keeps between runs.
# -timeout catches a single input that hangs, the outer timeout a fuzzer that does. A finding
# fails the run; its input stays in build-fuzz/fuzz/findings/, and once the fault is mended it
# belongs in tests/fuzz_regressions/.
fuzz_run = cd $(FUZZ_DIR)/fuzz && mkdir -p corpus findings && echo "fuzz: BMP decoder for $(1) s" && \
	if timeout $$(($(1) + 120)) ./fuzz_bmp_decode -max_total_time=$(1) -max_len=8192 \
		-timeout=10 -print_final_stats=1 -artifact_prefix=findings/ corpus seeds >last_run.log 2>&1; \
	then grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' last_run.log | \
		sed 's/^stat::/fuzz:   /'; echo "fuzz: no findings; corpus $$(ls corpus | wc -l) files"; \
	else tail -n 60 last_run.log >&2; echo "fuzz: FAILED; inputs kept in $(FUZZ_DIR)/fuzz/findings" >&2; \
		exit 1; fi

# Whether clang++ can link a libFuzzer target, which the fuzz smoke of make test needs.
have_fuzzer = echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }' | \
	clang++ -fsanitize=fuzzer -x c++ - -o /dev/null >/dev/null 2>&1

test: build ## every ctest (units, end-to-end under Xvfb), then a 60 s fuzz smoke where clang is
	@ctest --preset release -j $(JOBS)
	@if $(have_fuzzer); then \
		$(MAKE) --no-print-directory fuzz-build && $(call fuzz_run,60); \
	else \
		echo "test: fuzz smoke skipped: clang++ with libFuzzer is not installed (packages clang, libclang-rt-14-dev)"; \
	fi

test-cross: deps-cross ## the step's tests and the golden hashes on aarch64 under qemu (build-aarch64/)
	@$(call configure_and_build,aarch64)
	@ctest --preset aarch64 -j $(JOBS)
	@file build-aarch64/tools/jellycube-trace | grep -q 'ARM aarch64' || \
		{ echo "test-cross: build-aarch64/tools/jellycube-trace is not an aarch64 program" >&2; exit 1; }
	@scripts/check-golden.sh test-cross qemu-aarch64 -L /usr/aarch64-linux-gnu \
		build-aarch64/tools/jellycube-trace

test-wasm: deps-cross ## the same in WebAssembly under node, with SIMD128 and scalar, and the step timed
	@for preset in wasm-simd wasm-scalar; do \
		$(call configure_and_build,$$preset) && ctest --preset $$preset -j $(JOBS) && \
		scripts/check-golden.sh "test-wasm: $$preset" node build-$$preset/jellycube-trace.js && \
		node build-$$preset/bench/jellycube-step-timing.js || exit 1; \
	done

# Mesa's driver stays mapped until exit (tests/sanitize/keep_drivers_loaded.cpp): the test
# preset preloads it ahead of the ASan runtime and suppresses the leaks Mesa keeps
# (tests/sanitize/lsan.supp). A sanitizer report ends a process with status 66, which no
# program of ours uses.
test-sanitize: deps ## the whole suite again built with ASan and UBSan (build-asan/)
	@$(call configure_and_build,asan)
	@ctest --preset asan -j $(JOBS)

fuzz-build: deps ## build the BMP fuzz target with clang and libFuzzer (build-fuzz/)
	@$(call configure_and_build,fuzz)

fuzz: fuzz-build ## run the BMP fuzz target for FUZZ_SECONDS (600)
	@$(call fuzz_run,$(FUZZ_SECONDS))

# No --track-origins: it tags every byte of the 768 MiB buffers that oversized headers get from
# the stream decoder, which turns a two-second run into a quarter of an hour.
memcheck: build ## jellycube-trace and the BMP decoder's tests under Valgrind's memcheck
	@for run in "tools/jellycube-trace --fps 60 --seconds 2 --summary" tests/test_bmp_parser \
		tests/test_fuzz_regressions; do \
		echo "memcheck: $$run"; \
		valgrind --tool=memcheck --error-exitcode=1 --leak-check=full --quiet \
			--errors-for-leak-kinds=definite,indirect $(BUILD_DIR)/$$run \
			>$(BUILD_DIR)/memcheck.log 2>&1 || \
			{ tail -n 60 $(BUILD_DIR)/memcheck.log; echo "memcheck: FAILED: $$run"; exit 1; }; \
	done; echo "memcheck: clean"

soak: build ## long runs, not in CI: 10 min under Xvfb, an hour simulated, truncated textures
	@scripts/soak.sh $(BUILD_DIR)

bench: build ## the fast step against the reference, and a frame's sub-steps, per backend
	@$(BUILD_DIR)/bench/jellycube-step-timing

frame-timing: build ## where a frame's time goes, in the program's window under Xvfb
	@scripts/frame_timing.sh $(BUILD_DIR)

plot: build ## 20 s of the cube's height drawn in build/trajectory.png (gnuplot)
	@$(BUILD_DIR)/tools/jellycube-trace --seconds 20 --fps 60 --summary >$(BUILD_DIR)/trajectory.csv
	@gnuplot -e "csv='$(BUILD_DIR)/trajectory.csv'; png='$(BUILD_DIR)/trajectory.png'" docs/trajectory.gp
	@echo "Wrote $(BUILD_DIR)/trajectory.png"

web-deps: ## install emscripten, node and the browsers
	@scripts/install-deps.sh web

# Debian's emscripten brings its system libraries prebuilt in a frozen cache, so the build
# needs no network and no writable cache.
web: web-deps ## the page as one file, build-web/jellycube.html, and jellycube-trace.js for node
	@$(call configure_and_build,web)

web-serve: web ## serve the page at http://127.0.0.1:WEB_PORT/jellycube.html until Ctrl-C
	@echo "jellycube in the browser: http://127.0.0.1:$(WEB_PORT)/jellycube.html (Ctrl-C stops)"
	@python3 -m http.server $(WEB_PORT) --bind 127.0.0.1 --directory $(WEB_DIR)

test-web: build web ## the browser tests in chromium and firefox-esr, against the native build
	@scripts/test_web.sh $(BUILD_DIR) $(WEB_DIR)

web-timing: build web ## the page's first frame and frames per second beside the native program's
	@scripts/test_web.sh --timing $(BUILD_DIR) $(WEB_DIR)

windows: ## Windows x86-64 cross-built with MinGW-w64, freeglut linked statically (build-win/)
	@scripts/install-deps.sh windows
	@scripts/windows.sh build $(WIN_DIR) $(JOBS)

test-windows: build windows ## the Windows build's tests, frames and trace under Wine, against Linux
	@scripts/windows.sh test $(WIN_DIR) $(JOBS) $(BUILD_DIR)

dist: build windows web ## the archives for Windows, Linux and the web in dist/
	@scripts/dist.sh pack dist $(BUILD_DIR) $(WIN_DIR) $(WEB_DIR)

dist-check: dist ## every archive unpacked into a fresh folder and run from there
	@scripts/dist.sh check dist $(BUILD_DIR) $(WIN_DIR)

clean: ## remove every build folder and dist/
	rm -rf $(BUILD_DIR) build-asan $(FUZZ_DIR) $(WEB_DIR) build-aarch64 build-wasm-simd \
		build-wasm-scalar $(WIN_DIR) dist
