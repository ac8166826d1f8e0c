# Finds GoogleTest's sources, for a build that compiles GoogleTest itself with
# its own compiler (the cross build: no prebuilt GoogleTest fits it). Looks
# where distributions install them (Debian's googletest package: /usr/src)
# unless GOOGLETEST_SOURCE_DIR, as a CMake or environment variable, says where.
# Sets GoogleTestSource_DIR, the folder holding GoogleTest's CMakeLists.txt.
find_path(GoogleTestSource_DIR
  NAMES src/gtest-all.cc
  HINTS ${GOOGLETEST_SOURCE_DIR} ENV GOOGLETEST_SOURCE_DIR
  PATHS /usr/src /usr/local/src
  PATH_SUFFIXES googletest/googletest googletest gtest
  NO_CMAKE_FIND_ROOT_PATH)
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(GoogleTestSource REQUIRED_VARS GoogleTestSource_DIR)
