#!/bin/sh
# The demo novel played through end to end by the headless player: scripted clicks (plan.txt) go
# through the title screen, the story, a save, one ending, a load from the title screen and the
# other ending. At every "check NAME" of the plan the player runs again from the start up to that
# tick, and each line of NAME.txt must appear whole among the components, message rows and
# variables of its dumps (no positions or pixels, which later picture changes may move); a line
# written "! LINE" must not appear.
# The demo's music, voice and sounds come from MEDIA_DIR when the build has made them there (the
# story goes on whether they play or not).
# Usage: play_demo.sh KUZOPLAYER KUZOTOOL DEMO_SOURCES WORKDIR [MEDIA_DIR]
set -eu
player=$1 tool=$2 demo=$3 work=$4 media=${5:-}
here=$(dirname "$0")
rm -rf "$work" && mkdir -p "$work"
"$tool" build "$demo" "$work/title" >/dev/null
"$tool" demo-pictures "$work/title" >/dev/null
if [ -n "$media" ] && [ -f "$media/music.ogg" ]; then
  cp "$media"/*.ogg "$media"/*.mid "$media"/*.wav "$work/title/"
fi

# The clicks of plan.txt as scripted input, and the tick of each checkpoint.
sh "$here/../../scripts/demo-input.sh" "$here/plan.txt" "$work/input.txt" "$work/checks"

failed=0
while read -r name at; do
  [ "$name" = end ] && continue
  rm -f "$work/title/save.dat"
  "$player" --headless --ticks "$at" --delta 16 --seed 1 --input "$work/input.txt" \
    --dump-scene "$work/$name.scene" --dump-vars "$work/$name.vars" \
    --screenshot "$at:$work/$name.png" "$work/title" >"$work/$name.log" 2>&1 \
    || { echo "$name: the player failed"; cat "$work/$name.log"; failed=1; continue; }
  # Normalised lines: "NAME on PARENT" per component, "NAME row N: TEXT" per text row (page 0),
  # "NAME = VALUE" per variable; positions are left out.
  iconv -f CP932 -t UTF-8 "$work/$name.scene" | awk -F '\t' '
    $1 != "" { comp = $1; print comp " on " $3 }
    $1 == "" && $2 == "row" { print comp " row " $4 ": " $9 }' >"$work/$name.txt"
  iconv -f CP932 -t UTF-8 "$work/$name.vars" | awk -F '\t' '{ print $1 " = " $4 }' >>"$work/$name.txt"
  while IFS= read -r want; do
    case "$want" in
      ''|'#'*) continue ;;
      '! '*)  # a line that must not be there
        if grep -qxF "${want#! }" "$work/$name.txt"; then
          echo "$name (tick $at): unexpected line: ${want#! }"
          failed=1
        fi
        continue ;;
    esac
    if ! grep -qxF "$want" "$work/$name.txt"; then
      echo "$name (tick $at): missing line: $want"
      failed=1
    fi
  done <"$here/$name.txt"
done <"$work/checks"
test "$failed" -eq 0
echo "demo novel: ok"
