#!/usr/bin/env bash
# Builds the PNG reader for this Linux host with AddressSanitizer and UBSan (native/CMakeLists.txt),
# then runs its tests and a short deterministic fuzzing run over the menu's pictures. Registered as a
# CTest entry of the Windows build, so the project's one test command includes it.
#
#   tests/resources/run-native.sh [BUILD-DIR]     (default: build/png-native)
#   PNG_FUZZ_ITERATIONS=100000 tests/resources/run-native.sh   for a longer fuzzing run
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
repo="$(cd "$here/../.." && pwd)"
build="${1:-$repo/build/png-native}"

# The host's own compilers, whatever the surrounding (cross) build has in its environment.
unset CC CXX CFLAGS CXXFLAGS LDFLAGS CMAKE_TOOLCHAIN_FILE
cmake -S "$here/native" -B "$build" -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$build.configure.log" 2>&1 ||
    { cat "$build.configure.log"; exit 1; }
cmake --build "$build" -j2 --target png_reader_tests png_fuzz

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:halt_on_error=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
"$build/png_reader_tests" --gtest_brief=1
"$build/png_fuzz" "${PNG_FUZZ_ITERATIONS:-20000}" "$repo"/src/resources/pictures/*.png "$repo"/tests/resources/fixtures/*.png
