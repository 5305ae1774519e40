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
if [ $# -gt 0 ]; then
  cmake --build build -j "$(nproc)" --target kuzoplayer kuzotool
  title="$1"; shift
else
  # The demo title: its pages compiled, its pictures and media made from code (build/demo-title).
  cmake --build build -j "$(nproc)" --target kuzoplayer kuzotool demo_title
  title=build/demo-title
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  # Without a display the demo novel plays itself: the clicks of the demo's whole-title test go
  # through the title screen, both endings, a save and a load. Another title just runs 600 ticks.
  ticks=600 input=()
  if [ "$title" = build/demo-title ]; then
    sh scripts/demo-input.sh tests/demo/plan.txt build/demo-input.txt build/demo-checks.txt
    ticks=$(awk '$1 == "end" { print $2 + 100 }' build/demo-checks.txt)
    input=(--input build/demo-input.txt)
    rm -f "$title/save.dat"
  fi
  echo "play.sh: no display here; running the title headless for $ticks ticks" >&2
  ./build/kuzoplayer --headless --ticks "$ticks" --delta 16 --seed 1 "${input[@]}" \
    --trace build/demo-trace.txt --dump-vars build/demo-vars.txt \
    --screenshot "$ticks:build/demo-last-frame.png" "$@" "$title"
  echo "play.sh: last frame in build/demo-last-frame.png;" \
    "$(wc -l < build/demo-trace.txt) script commands traced in build/demo-trace.txt;" \
    "the script's variables at exit (build/demo-vars.txt):" >&2
  iconv -f CP932 -t UTF-8 build/demo-vars.txt 2>/dev/null || cat build/demo-vars.txt
  exit 0
fi
exec ./build/kuzoplayer "$@" "$title"
