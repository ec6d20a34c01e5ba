# Two entry points: `make run` plays the demo, `make test` runs the test suite.
# `make test-sanitize` runs the suite again in a build with the address and
# undefined-behaviour sanitizers; `make fuzz FUZZ_SECONDS=N` runs each fuzz
# target for N seconds (needs clang).
BUILD ?= build
JOBS  ?= $(shell nproc)
SANITIZE_BUILD ?= build-sanitize
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
TEST_ENV = SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy VANTREL_NO_DIALOGS=1
# Any finding ends the test that made it, leaks included: only the GL driver's
# own are suppressed (tests/sanitize/lsan.supp). LLVM inside the software GL
# driver frees with free() what it took with new, so the allocator-mismatch
# check would only report the driver. The sanitizer runtime misreads some of
# glibc 2.36's dynamic TLS blocks (those of the GL driver, which stays loaded)
# and its leak scan then crashes on a bogus range after a passing test;
# intercept_tls_get_addr=0 keeps it from tracking them (they are heap blocks,
# scanned as such).
SANITIZE_LEAKS ?= 1
SANITIZE_ENV = ASAN_OPTIONS=halt_on_error=1:detect_leaks=$(SANITIZE_LEAKS):alloc_dealloc_mismatch=0:intercept_tls_get_addr=0 \
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitize/lsan.supp:print_suppressions=0

.PHONY: deps build run test test-sanitize fuzz clean format install package release web test-web web-serve bench

deps:
	@scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run-demo.sh $(BUILD)/run

test: build
	@cd $(BUILD) && $(TEST_ENV) ctest --output-on-failure -j $(JOBS)

# `make bench` measures, on this machine: what each full-screen pass costs
# (Google Benchmark, where installed), picture against sound through SDL's
# disk audio driver, and the whole production live under Xvfb with
# --scale auto, each entry's mean frame time against 30 frames a second, and
# the latency a PulseAudio server of its own gives and the clock applies.
# Run it on a quiet machine: the figures are the machine's, load included.
bench: build
	@scripts/install-deps.sh --bench
	@if [ -x $(BUILD)/run/bench_passes ]; then cd $(BUILD)/run && ./bench_passes; else echo "bench_passes: not built (no Google Benchmark)"; fi
	@status=0; (cd $(BUILD)/run && ./bench_av_sync) || status=1; \
	  tests/bench/scale_auto.sh $(BUILD)/run || status=1; \
	  tests/bench/pulse_latency.sh $(BUILD)/run || status=1; exit $$status

test-sanitize: deps
	@cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=Release -DVANTREL_SANITIZE=ON >/dev/null
	@$(SANITIZE_ENV) cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	@cd $(SANITIZE_BUILD) && $(TEST_ENV) $(SANITIZE_ENV) ctest --output-on-failure -j $(JOBS)

fuzz: deps
	@command -v clang++ >/dev/null || { echo "make fuzz: needs clang"; exit 1; }
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=Release -DVANTREL_FUZZ=ON \
	  -DBUILD_TESTING=OFF >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_targets
	@scripts/run-fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# `make install` puts programs and data under PREFIX (GNUInstallDirs layout);
# `make package` builds the Debian package in a tree configured for /usr.
PREFIX ?= /usr/local
PACKAGE_BUILD ?= build-package

install: build
	@cmake -S . -B $(BUILD) -DCMAKE_INSTALL_PREFIX=$(PREFIX) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)
	@cmake --install $(BUILD)

package: deps
	@cmake -S . -B $(PACKAGE_BUILD) -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DBUILD_TESTING=OFF >/dev/null
	@cmake --build $(PACKAGE_BUILD) -j $(JOBS)
	@cd $(PACKAGE_BUILD) && cpack -G DEB
	@ls -l $(PACKAGE_BUILD)/vantrel_*.deb

# `make release` writes $(RELEASE_BUILD)/vantrel-VERSION-linux-x86_64.tar.xz, a
# folder that plays on a plain desktop (scripts/make-release.sh says what it bundles).
RELEASE_BUILD ?= build-release

release: deps
	@RELEASE_BUILD=$(RELEASE_BUILD) JOBS=$(JOBS) scripts/make-release.sh

# Reformats every C++ source and header with .clang-format (build folders lie outside these).
FORMAT_DIRS = demo devmode frontend frontend_ext prod scene std_effects tools tests fuzz

format:
	@find $(FORMAT_DIRS) \( -name '*.cpp' -o -name '*.h' \) -print0 | xargs -0 clang-format -i

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(FUZZ_BUILD) $(PACKAGE_BUILD) $(RELEASE_BUILD)

# `make web` builds the web version into WEB_BUILD: the shaders precompiled
# to GLSL ES by the native vantrel-shaderc into shaders/, then the program
# for WebAssembly (web/CMakeLists.txt) with Debian's emscripten into site/,
# with the data the desktop build generates packaged beside it. `make
# test-web` runs the checks of that build; its stills are compared with the
# native capture tool's, which it builds too.
WEB_BUILD ?= build-web


web:
	@scripts/install-deps.sh --web
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target vantrel-shaderc assets_data vantrel_data vantrel-capture
	@rm -rf $(WEB_BUILD)/shaders
	@$(BUILD)/run/vantrel-shaderc --gles $(WEB_BUILD)/shaders vantrel_data/*.cg
	@cmake -S web -B $(WEB_BUILD)/wasm -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/Emscripten.cmake \
	  -DVANTREL_WEB_SHADERS=$(CURDIR)/$(WEB_BUILD)/shaders -DVANTREL_WEB_DATA=$(CURDIR)/$(BUILD)/run/data \
	  -DVANTREL_WEB_SITE=$(CURDIR)/$(WEB_BUILD)/site -DVANTREL_NATIVE_RUN=$(CURDIR)/$(BUILD)/run >/dev/null
	@cmake --build $(WEB_BUILD)/wasm -j $(JOBS)

test-web: web
	@cd $(WEB_BUILD)/wasm && ctest --output-on-failure

# Serves the built site on 127.0.0.1:$(WEB_PORT) for a browser on this machine.
WEB_PORT ?= 8080

web-serve: web
	@scripts/web-serve.sh $(WEB_BUILD)/site $(WEB_PORT)
