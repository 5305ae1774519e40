#!/usr/bin/env bash
# Builds every fuzz target with clang 14 as a libFuzzer program (AddressSanitizer, UBSan halting on
# the first error) in build-fuzz/, then runs each for SECONDS (default 60) starting from the seeds
# the harness itself provides. Prints one line per target; exits 1 when any target failed to build
# or found a fault (its input is kept in build-fuzz/artifacts/). SECONDS 0 only builds (CI).
# Usage: scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
case $seconds in
  ''|*[!0-9]*) echo "usage: scripts/fuzz.sh [SECONDS]" >&2; exit 2 ;;
esac
build=${KUZO_FUZZ_BUILD_DIR:-build-fuzz}
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/kuzo-ccache}" CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true
cc=${KUZO_FUZZ_CC:-clang-14}
cxx=${KUZO_FUZZ_CXX:-clang++-14}
command -v "$cxx" >/dev/null 2>&1 || { echo "fuzz: $cxx not found (install clang and libclang-rt-14-dev)" >&2; exit 1; }

targets=()
for src in fuzz/fuzz_*.cpp; do
  name=$(basename "$src" .cpp)
  targets+=("$name")
done

if [ ! -f "$build/CMakeCache.txt" ]; then
  gen=()
  command -v ninja >/dev/null 2>&1 && gen=(-G Ninja)
  cmake -S . -B "$build" "${gen[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER="$cc" \
        -DCMAKE_CXX_COMPILER="$cxx" -DKUZO_FUZZ=ON -DKUZO_TESTS=OFF -DKUZO_BENCH=OFF >/dev/null
fi
if ! cmake --build "$build" -j "$(nproc)" --target "${targets[@]}" >"$build/build.log" 2>&1; then
  echo "fuzz: the fuzz targets do not build with $cxx:"
  grep -E 'error|Error' "$build/build.log" | head -20
  exit 1
fi
if [ "$seconds" -eq 0 ]; then
  echo "fuzz: ${#targets[@]} targets build with $cxx"
  exit 0
fi

export ASAN_OPTIONS="detect_leaks=1:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"
mkdir -p "$build/artifacts" "$build/logs"
failed=0
for t in "${targets[@]}"; do
  corpus="$build/corpus/$t"
  mkdir -p "$corpus"
  KUZO_FUZZ_WRITE_SEEDS="$corpus" "$build/fuzz/$t" >/dev/null
  log="$build/logs/$t.log"
  if "$build/fuzz/$t" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$build/artifacts/$t-" \
       "$corpus" >"$log" 2>&1; then
    runs=$(awk -F: '/stat::number_of_executed_units/ { gsub(/ /, "", $2); print $2 }' "$log")
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
    echo "$t: ok, ${runs:-?} runs in ${seconds}s, coverage ${cov:-?}, corpus $(ls "$corpus" | wc -l)"
  else
    artifact=$(ls -t "$build/artifacts/$t-"* 2>/dev/null | head -1 || true)
    echo "$t: FAILED (${artifact:-no input saved}; log $log)"
    failed=1
  fi
done
exit "$failed"
