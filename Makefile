# Two entry points: `make run` starts the demo, `make test` runs every test.
# Both install what is missing and build first.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
XVFB := xvfb-run -a -s "-screen 0 1280x1024x24"

.PHONY: all deps build run test clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release > /dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@scripts/run-demo.sh $(BUILD_DIR)

test: build
	@$(XVFB) ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS) -LE soak

clean:
	rm -rf $(BUILD_DIR)
