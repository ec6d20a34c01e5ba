# Two entry points: `make run` plays the demo, `make test` runs the test suite.
BUILD ?= build
JOBS  ?= $(shell nproc)

.PHONY: deps build run test clean format

deps:
	@scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run-demo.sh $(BUILD)/run

test: build
	@cd $(BUILD) && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy VANTREL_NO_DIALOGS=1 \
	  ctest --output-on-failure -j $(JOBS)

# Reformats every C++ source and header with .clang-format (build folders lie outside these).
FORMAT_DIRS = demo frontend frontend_ext prod scene std_effects tools tests

format:
	@find $(FORMAT_DIRS) \( -name '*.cpp' -o -name '*.h' \) -print0 | xargs -0 clang-format -i

clean:
	rm -rf $(BUILD)
