# Cross build for 32-bit Windows with Debian's mingw-w64 i686 toolchain. The
# tools and tests use the posix thread model (GoogleTest needs std::mutex);
# the plug-in's own targets are built with the win32 thread model instead
# (win32-thread-model.sh, set in plugin/CMakeLists.txt), so that KelvaneFx.dll
# carries no thread library and imports only what its own code calls.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
