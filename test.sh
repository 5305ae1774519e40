#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UBSan into build-test/ and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/kuzo-ccache}"
# Paths relative to the checkout, so a fresh clone elsewhere reuses what was compiled before.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true
GEN=()
command -v ninja >/dev/null 2>&1 && GEN=(-G Ninja)
if [ ! -f build-test/CMakeCache.txt ]; then
  cmake -S . -B build-test "${GEN[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKUZO_SANITIZE=ON -DKUZO_BENCH=OFF >/dev/null
fi
cmake --build build-test -j "$(nproc)"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"
export SDL_VIDEODRIVER="${SDL_VIDEODRIVER:-dummy}" SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
# The fuzz targets must keep building with clang (libFuzzer); only they are built, through ccache.
./scripts/fuzz.sh 0
cd build-test
ctest --output-on-failure -j "$(nproc)" "$@"
