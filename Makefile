# Two builds from one CMake project: the native one (portable code, unit tests
# under sanitizers) and the cross one (the Windows binaries, run under Wine).
# Every target first makes sure the tools are installed.
#
# Builds are quiet: one "Built target" line per target, no per-file progress
# and no make directory lines; compiler warnings and errors still show.
# QUIET= (empty) gives CMake's usual output.

NATIVE := build/native
WIN32  := build/win32
FUZZ   := build/fuzz
JOBS   ?= 2
ARGS   ?=
QUIET  ?= 1
CONFIGURE_QUIET := $(if $(QUIET),-DCMAKE_RULE_MESSAGES=OFF,-DCMAKE_RULE_MESSAGES=ON)
BUILD_QUIET     := $(if $(QUIET),-- --no-print-directory)

.PHONY: all setup win32 native test run bench fuzzers fuzz artwork dist soak clean

all: win32 native

setup:
	@bash scripts/setup.sh

win32: setup
	@cmake -S . -B $(WIN32) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release --no-warn-unused-cli $(CONFIGURE_QUIET) >/dev/null
	@cmake --build $(WIN32) -j $(JOBS) $(BUILD_QUIET)

native: setup
	@cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVANE_WIN32_DIR=$(CURDIR)/$(WIN32) -DKELVANE_FUZZ_DIR=$(CURDIR)/$(FUZZ) $(CONFIGURE_QUIET) >/dev/null
	@cmake --build $(NATIVE) -j $(JOBS) $(BUILD_QUIET)

test: win32 native fuzzers
	@cd $(NATIVE) && ctest --output-on-failure -j $(JOBS)

run: win32
	@scripts/run.sh $(ARGS)

# Rendering cost: engine natively, the DLL under Wine, sox synth for comparison.
bench: setup
	@bash bench/run.sh $(JOBS)

# What a user installs: dist/Kelvane-<version>.zip and the setup program
# dist/Kelvane-<version>-setup.exe (made with NSIS, which setup installs).
dist: win32
	@mkdir -p dist
	@ls $(WIN32)/Kelvane-*-setup.exe >/dev/null 2>&1 || { echo "dist: no setup program: makensis (Debian: nsis) is missing" >&2; exit 1; }
	@cp $(WIN32)/Kelvane-*.zip $(WIN32)/Kelvane-*-setup.exe dist/
	@ls -1 dist/Kelvane-*

artwork:
	@/usr/bin/python3 scripts/make_artwork.py

# A host's long day for the DLL under Wine: SOAK_MINUTES of audio for each of
# the eight assignments, random host messages, editors, chunk round trips and
# reloads; ends with a summary line. Not part of `make test` (a short run is).
SOAK_MINUTES ?= 60
SOAK_SEED    ?= 1
soak: win32
	@KELVANE_DLL=$(CURDIR)/$(WIN32)/plugin/KelvaneFx.dll scripts/wine-run.sh $(WIN32)/tests/wine/soak.exe $(SOAK_MINUTES) $(SOAK_SEED)

FUZZ_TIME    ?= 600
FUZZ_TARGETS := chunk preset messages

# The libFuzzer targets (tests/fuzz), a clang build of their own.
fuzzers: setup
	@cmake -S tests/fuzz -B $(FUZZ) -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CONFIGURE_QUIET) >/dev/null
	@cmake --build $(FUZZ) -j $(JOBS) $(BUILD_QUIET)

# The long run: every target for FUZZ_TIME seconds (600 by default), each
# reported, failing at the end if any failed. `make test` runs a short one.
fuzz: fuzzers
	@scripts/fuzz.sh $(FUZZ) --time $(FUZZ_TIME) $(FUZZ_TARGETS)

clean:
	rm -rf build out dist
