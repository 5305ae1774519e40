#!/usr/bin/env bash
# Installs what is missing, builds the player into build/ and runs the demo title, or the title
# given as argument (a folder or a title's .exe). Without a display it runs the title headless.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/kuzo-ccache}"
# Paths relative to the checkout, so a fresh clone elsewhere reuses what was compiled before.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true
GEN=()
command -v ninja >/dev/null 2>&1 && GEN=(-G Ninja)
if [ ! -f build/CMakeCache.txt ]; then
  cmake -S . -B build "${GEN[@]}" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build build -j "$(nproc)" --target kuzoplayer kuzotool
if [ $# -gt 0 ]; then
  title="$1"; shift
else
  title=build/demo-title
  ./build/kuzotool build demo "$title"
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "play.sh: no display here; running the title headless for 600 ticks" >&2
  ./build/kuzoplayer --headless --ticks 600 --delta 16 --seed 1 \
    --trace build/demo-trace.txt --dump-vars build/demo-vars.txt \
    --screenshot 600:build/demo-last-frame.png "$@" "$title"
  echo "play.sh: last frame in build/demo-last-frame.png;" \
    "$(wc -l < build/demo-trace.txt) script commands traced in build/demo-trace.txt;" \
    "the script's variables at exit (build/demo-vars.txt):" >&2
  iconv -f CP932 -t UTF-8 build/demo-vars.txt 2>/dev/null || cat build/demo-vars.txt
  exit 0
fi
exec ./build/kuzoplayer "$@" "$title"
