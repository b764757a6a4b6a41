# Two entry points: `make run` starts the demo, `make test` runs every test.
# Both install what is missing and build first.
BUILD_DIR ?= build
SANITIZE_DIR ?= build-asan
FUZZ_DIR ?= build-fuzz
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 40
XVFB := xvfb-run -a -s "-screen 0 1280x1024x24"

# Any sanitizer report fails its test. Leaks are suppressed only in third-party libraries.
SANITIZER_ENV := \
	ASAN_OPTIONS=detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizer/lsan.supp \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

.PHONY: all deps build run test test-release test-sanitize fuzz soak clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release > /dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS)

# `make run MODEL=face.glb` imports a glTF model into $(BUILD_DIR)/models/face/ and shows it;
# `make run PLAY=take.csv` plays a recording on the head (with MODEL, on the imported one);
# `make run PLAY=take.csv RENDER=take.mp4` draws it into a video instead (.mkv, or a folder/);
# `make run LIVE=1` shows a tracker's stream on it (see README: Live input).
run: build
	@scripts/run-demo.sh $(BUILD_DIR) "$(MODEL)" "$(PLAY)" "$(RENDER)" "$(LIVE)"

# The Release suite, the same suite under AddressSanitizer and UndefinedBehaviorSanitizer (the
# benchmarks are timed in Release only, so that tree leaves them out), then a bounded run of each
# fuzzer; one after the other, as they share the machine.
test: test-release
	@$(MAKE) --no-print-directory test-sanitize
	@$(MAKE) --no-print-directory fuzz

test-release: build
	@$(XVFB) ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS) -LE soak

test-sanitize: deps
	@cmake -S . -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMIRELDA_SANITIZE=ON \
		-DMIRELDA_BUILD_BENCH=OFF > /dev/null
	@cmake --build $(SANITIZE_DIR) -j $(JOBS)
	@$(SANITIZER_ENV) $(XVFB) ctest --test-dir $(SANITIZE_DIR) --output-on-failure -j $(JOBS) -LE soak

fuzz: deps
	@cmake -S . -B $(FUZZ_DIR) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DMIRELDA_FUZZ=ON > /dev/null
	@cmake --build $(FUZZ_DIR) -j $(JOBS) --target mesh_file_fuzzer morph_group_file_fuzzer \
		gltf_import_fuzzer recording_fuzzer live_link_face_fuzzer vmc_fuzzer
	@scripts/run-fuzzers.sh $(FUZZ_DIR) $(FUZZ_SECONDS)

# Ten minutes of randomized use of the demo (SOAK_SECONDS=60 for a short trial).
soak: build
	@ctest --test-dir $(BUILD_DIR) --verbose -L soak

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(FUZZ_DIR)
