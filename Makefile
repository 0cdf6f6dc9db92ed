# Thin wrapper around CMake. `make run` builds and starts FELMO; `make test` builds and runs
# every test. Both expect the packages of scripts/install-deps.sh.
BUILD      ?= build
RELEASE_BUILD ?= build-release
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=

WINDOWS_BUILD ?= build-windows
WINDOWS_DEPS ?= build-windows-deps
# The test programs built for Windows and run under Wine, two at a time, the longest first.
WINDOWS_TESTS ?= cli_e2e_test studio_test effects_tests workspace_tests raster_tests mbm_tests \
  bmconv_e2e_test compose_tests bmconv_command_line_test platform_tests base_tests resources_tests

.PHONY: all build programs run test release-test asan-test fuzz bench package windows windows-test clean

all: build

build:
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_ARGS)
	cmake --build $(BUILD) -j $(JOBS)

# Only the programs: felmo-cli and bmconv, and the window when Qt was found.
programs:
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_ARGS)
	cmake --build $(BUILD) -j $(JOBS) --target felmo-cli bmconv \
	  $$(ninja -C $(BUILD) -t targets all 2>/dev/null | grep -q '^felmo:' && echo felmo)

run: programs
	./scripts/run.sh $(BUILD)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The whole suite built optimised (-O3) as the program ships; the window tests, which wait on
# timers and events, run three times so that a race shows. The Debian package is built from the
# same folder.
release-test:
	cmake -S . -B $(RELEASE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DFELMO_BENCH=OFF $(CMAKE_ARGS)
	cmake --build $(RELEASE_BUILD) -j $(JOBS)
	ctest --test-dir $(RELEASE_BUILD) --output-on-failure -j $(JOBS) -LE gui
	ctest --test-dir $(RELEASE_BUILD) --output-on-failure -j $(JOBS) -L gui --repeat until-fail:3

# The Debian package felmo_<version>_amd64.deb, built in the Release folder with the programs
# under /usr; only what the package holds is built (the install step does not build everything).
package:
	cmake -S . -B $(RELEASE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
	  -DFELMO_GUI=ON -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON $(CMAKE_ARGS)
	cmake --build $(RELEASE_BUILD) -j $(JOBS) --target felmo felmo-cli bmconv felmo_install_files felmo_translations
	rm -f $(RELEASE_BUILD)/felmo_*.deb
	cd $(RELEASE_BUILD) && cpack -G DEB
	cp $(RELEASE_BUILD)/felmo_*.deb .

# felmo-<version>-windows-x64.zip: felmo-cli.exe and bmconv.exe cross-built with mingw-w64 and
# linked statically, with the Windows test programs beside them in $(WINDOWS_BUILD)/bin. The
# picture libraries are built for Windows once into $(WINDOWS_DEPS); the embedded default
# graphics come from the native build.
windows:
	./scripts/build-windows-deps.sh $(WINDOWS_DEPS)
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_ARGS)
	cmake --build $(BUILD) -j $(JOBS) --target felmo_resources felmo-cli bmconv
	cmake -S . -B $(WINDOWS_BUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw64.cmake \
	  -DFELMO_WINDOWS_DEPS=$(abspath $(WINDOWS_DEPS)) -DFELMO_HOST_BUILD=$(abspath $(BUILD)) \
	  -DCMAKE_BUILD_TYPE=Release -DFELMO_GUI=OFF -DFELMO_BENCH=OFF -DFELMO_NLS=OFF $(CMAKE_ARGS)
	cmake --build $(WINDOWS_BUILD) -j $(JOBS) --target felmo-cli bmconv $(WINDOWS_TESTS)
	cmake --build $(WINDOWS_BUILD) --target windows_zip
	cp $(WINDOWS_BUILD)/felmo-*-windows-x64.zip .

# The Windows test programs and a whole build under Wine, against the native felmo-cli; Wine makes
# its prefix while `make windows` builds.
windows-test:
	WINDOWS_TESTS="$(WINDOWS_TESTS)" ./scripts/run-windows-tests.sh $(WINDOWS_BUILD)/bin \
	  $(BUILD)/bin -- $(MAKE) --no-print-directory windows

# The same tests built with address and undefined-behaviour sanitizers (no window layer).
asan-test:
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DFELMO_SANITIZE=ON \
	  -DFELMO_GUI=OFF -DFELMO_BENCH=OFF $(CMAKE_ARGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

# libFuzzer targets, each run for FUZZ_SECONDS.
FUZZ_SECONDS ?= 60
fuzz:
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DFELMO_FUZZ=ON -DFELMO_SANITIZE=ON -DFELMO_GUI=OFF -DFELMO_TESTS=OFF -DFELMO_BENCH=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	./scripts/run-fuzzers.sh $(FUZZ_BUILD)/bin $(FUZZ_SECONDS)

bench: build
	for b in $(BUILD)/bin/*_bench; do echo "== $$b"; $$b --benchmark_min_time=0.2; done

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(RELEASE_BUILD) $(WINDOWS_BUILD) $(WINDOWS_DEPS)
