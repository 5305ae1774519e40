#!/bin/sh
# Runs titles of tests/titles through the player itself, as a headless run on a virtual clock:
# each is built from its sources, played for the ticks and tick length of its run.txt, and its
# variable dump (and trace, where one is expected) must equal the expected files byte for byte.
# A "date" line in run.txt sets the local date the virtual clock starts at. Scripted mouse and key
# input (input.txt) reaches the title's components; titles whose run.txt
# queues events directly need no component and are left to the in-process test. Usage: run_titles.sh KUZOPLAYER KUZOTOOL TITLES_DIR WORKDIR NAME...
set -eu
player=$1 tool=$2 titles=$3 work=$4
shift 4
rm -rf "$work" && mkdir -p "$work"
failed=0
for name in "$@"; do
  src="$titles/$name"
  if grep -q '^event ' "$src/run.txt"; then
    continue
  fi
  ticks=$(awk '$1 == "ticks" { print $2 }' "$src/run.txt")
  delta=$(awk '$1 == "delta" { print $2 }' "$src/run.txt")
  "$tool" build "$src" "$work/$name" >/dev/null
  set -- --headless --ticks "$ticks" --delta "$delta" --dump-vars "$work/$name.vars"
  if [ -f "$src/expected.trace" ]; then
    set -- "$@" --trace "$work/$name.trace"
  fi
  start=$(awk '$1 == "date" { print $2 " " $3 }' "$src/run.txt")
  if [ -n "$start" ]; then
    set -- "$@" --date "$start"
  fi
  if [ -f "$src/input.txt" ]; then
    set -- "$@" --input "$src/input.txt"
  fi
  "$player" "$@" "$work/$name" || { echo "$name: the player failed"; failed=1; continue; }
  if ! cmp -s "$src/expected.vars" "$work/$name.vars"; then
    echo "$name: variables differ"
    diff "$src/expected.vars" "$work/$name.vars" || true
    failed=1
  fi
  if [ -f "$src/expected.trace" ] && ! cmp -s "$src/expected.trace" "$work/$name.trace"; then
    echo "$name: trace differs"
    diff "$src/expected.trace" "$work/$name.trace" || true
    failed=1
  fi
done
test "$failed" -eq 0
echo "titles through the player: ok"
