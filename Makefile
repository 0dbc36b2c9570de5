# Front door: `make run` and `make test` install what is missing, build and go.
BUILD_DIR ?= build
JOBS ?= 2
CMAKE_FLAGS ?=

.PHONY: all deps build run test bench plot clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@scripts/run.sh $(BUILD_DIR)

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

bench: build
	@$(BUILD_DIR)/bench/jellycube-bench

# 20 s of the cube at 60 fps, drawn as heights over time in $(BUILD_DIR)/trajectory.png.
plot: build
	@scripts/plot.sh $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR)
