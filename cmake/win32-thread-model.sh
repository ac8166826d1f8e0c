#!/bin/sh
# Compiler launcher for the plug-in's targets: runs the same mingw-w64
# compiler in its win32 thread model (i686-w64-mingw32-g++-posix becomes
# i686-w64-mingw32-g++-win32), whose runtime needs no thread library.
compiler=$1
shift
case "$compiler" in
  *-posix) exec "${compiler%-posix}-win32" "$@" ;;
  *) exec "$compiler" "$@" ;;
esac
