# Front door: `make run` and `make test` install what is missing, build and go.
BUILD_DIR ?= build
ASAN_DIR ?= build-asan
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 600
WEB_DIR ?= build-web
WEB_PORT ?= 8000
WIN_DIR ?= build-win
FREEGLUT_SOURCE ?= ../shared/third_party/freeglut-3.6.0.tar.gz
export FREEGLUT_SOURCE
JOBS ?= 2
CMAKE_FLAGS ?=

.PHONY: all deps deps-cross build run test test-cross test-wasm bench-web bench frame-timing plot \
	clean fuzz-build fuzz test-sanitize memcheck soak web-deps web web-serve test-web web-timing \
	windows test-windows dist dist-check

all: build

deps:
	@scripts/install-deps.sh

deps-cross:
	@scripts/install-deps.sh cross


# The configurations are the presets of CMakePresets.json; each build folder can be moved.
build: deps
	@cmake --preset release -B $(BUILD_DIR) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@scripts/run.sh $(BUILD_DIR)

# The unit and end-to-end tests, then one minute of the BMP fuzz target where clang (with
# libFuzzer) is installed; without it the fuzz smoke is skipped, and says so.
test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)
	@if scripts/have-fuzzer.sh; then \
		$(MAKE) --no-print-directory fuzz-build && scripts/fuzz.sh $(FUZZ_DIR) 60; \
	else \
		echo "test: fuzz smoke skipped: clang++ with libFuzzer is not installed (packages clang, libclang-rt-14-dev)"; \
	fi

# The step tests, the golden trace and jellycube-trace --hash cross-built for aarch64 and run
# under qemu: NEON and scalar must give x86-64's bits (build-aarch64).
test-cross: deps-cross
	@scripts/test-cross.sh build-aarch64 $(JOBS)

# The same built with emscripten and run under node, with the SIMD128 backend and with the
# scalar one (build-wasm-simd-ON, build-wasm-simd-OFF), and the SIMD128 step timed against the
# reference built for WebAssembly.
test-wasm: deps-cross
	@scripts/test-wasm-step.sh build-wasm $(JOBS)

# The whole suite again, end-to-end tests included, built with ASan and UBSan.
test-sanitize: deps
	@scripts/sanitize.sh $(ASAN_DIR) $(JOBS)

# The BMP fuzz target is a separate clang build with libFuzzer; `make fuzz` runs it 10 min.
fuzz-build: deps
	@cmake --preset fuzz -B $(FUZZ_DIR) >/dev/null
	@cmake --build $(FUZZ_DIR) -j $(JOBS) --target fuzz_bmp_decode fuzz_seeds

fuzz: fuzz-build
	@scripts/fuzz.sh $(FUZZ_DIR) $(FUZZ_SECONDS)

# jellycube-trace and the BMP decoder tests under Valgrind's memcheck.
memcheck: build
	@scripts/memcheck.sh $(BUILD_DIR)

# Long runs, not part of CI: the program for 10 minutes under Xvfb, an hour of simulated
# time at several frame rates and with stalls, every truncation of a texture file.
soak: build
	@scripts/soak.sh $(BUILD_DIR)

bench: build
	@$(BUILD_DIR)/bench/jellycube-step-timing

# Frames per second in the program's window under a private Xvfb, against a window that only
# clears and swaps, and a frame split into steps, drawing and swap ($(BUILD_DIR)/frame_timing.md).
frame-timing: build
	@scripts/frame_timing.sh $(BUILD_DIR)

# 20 s of the cube at 60 fps, drawn as heights over time in $(BUILD_DIR)/trajectory.png.
plot: build
	@scripts/plot.sh $(BUILD_DIR)

# The browser version (Debian's emscripten): the page as one file, $(WEB_DIR)/jellycube.html,
# and the node trace tool.
web-deps:
	@scripts/install-deps.sh web

web: web-deps
	@scripts/web_build.sh $(WEB_DIR) $(JOBS)

# Serves the one-file page at http://127.0.0.1:$(WEB_PORT)/jellycube.html until Ctrl-C.
web-serve: web
	@echo "jellycube in the browser: http://127.0.0.1:$(WEB_PORT)/jellycube.html (Ctrl-C stops)"
	@python3 -m http.server $(WEB_PORT) --bind 127.0.0.1 --directory $(WEB_DIR)

# The browser tests in headless chromium and headed firefox-esr, against the native build's
# tools and pictures.
test-web: build web
	@scripts/test_web.sh $(BUILD_DIR) $(WEB_DIR)

# The page's first frame after navigation in both engines, its frames per second in headless
# chromium beside the native program's under Xvfb, and a frame's sub-steps in WebAssembly
# beside native ($(WEB_DIR)/web_timing.md).
web-timing: build web
	@scripts/test_web.sh --timing $(BUILD_DIR) $(WEB_DIR)

# Windows x86-64, cross-built with MinGW-w64 into $(WIN_DIR)/, freeglut built from
# $(FREEGLUT_SOURCE) and linked statically: the .exe files need only Windows' own DLLs.
windows:
	@scripts/install-deps.sh windows
	@scripts/windows.sh build $(WIN_DIR) $(JOBS)

# The Windows build's unit tests, end-to-end checks, frames and trace under Wine, in a
# temporary Wine prefix, against the Linux build.
test-windows: build windows
	@scripts/windows.sh test $(WIN_DIR) $(JOBS) $(BUILD_DIR)

# One archive a target in dist/, named with the project's version: the Windows programs
# (zip), the Linux ones (tar.gz) and the page (zip), each with the default textures.
dist: build windows web
	@scripts/dist.sh pack dist $(BUILD_DIR) $(WIN_DIR) $(WEB_DIR)

# Each archive unpacked into a fresh folder and run from there: Linux under Xvfb, Windows
# under Wine, the page in headless chromium.
dist-check: dist
	@scripts/dist.sh check dist $(BUILD_DIR) $(WIN_DIR)

# Every build folder: the release, sanitizer, fuzz, web, aarch64 and WebAssembly step builds.
clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR) $(FUZZ_DIR) $(WEB_DIR) build-aarch64 build-wasm-simd-ON \
		build-wasm-simd-OFF $(WIN_DIR) dist
