# Two builds from one CMake project: the native one (portable code, unit tests
# under sanitizers) and the cross one (the Windows binaries, run under Wine).
# Every target first makes sure the tools are installed.

NATIVE := build/native
WIN32  := build/win32
JOBS   ?= 2
ARGS   ?=

.PHONY: all setup win32 native test run bench fuzz artwork clean

all: win32 native

setup:
	@bash scripts/setup.sh

win32: setup
	@cmake -S . -B $(WIN32) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(WIN32) -j $(JOBS)

native: setup
	@cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVANE_WIN32_DIR=$(CURDIR)/$(WIN32) >/dev/null
	@cmake --build $(NATIVE) -j $(JOBS)

test: win32 native
	@cd $(NATIVE) && ctest --output-on-failure -j $(JOBS)

run: win32
	@mkdir -p out
	@scripts/wine-run.sh $(WIN32)/tools/minihost/minihost.exe --dll $(WIN32)/plugin/KelvaneFx.dll $(ARGS)

# Rendering cost: engine natively, the DLL under Wine, sox synth for comparison.
bench: setup
	@bash bench/run.sh $(JOBS)

artwork:
	@/usr/bin/python3 scripts/make_artwork.py

clean:
	rm -rf build out dist
