#!/bin/sh
# Plays the round-trip title through the player: it saves at tick 3, runs on, loads at tick 8 and
# runs on again, so ticks 9-12 must repeat ticks 4-7 exactly: the commands each tick executes (the
# trace without its clock), the frames drawn, and the variables both passes report. The saved
# slot must list with its caption. Usage: round_trip.sh KUZOPLAYER KUZOTOOL TITLES_DIR WORKDIR
set -eu
player=$1 tool=$2 titles=$3 work=$4
src="$titles/roundtrip"
rm -rf "$work" && mkdir -p "$work"
"$tool" build "$src" "$work/title" >/dev/null
set -- --headless --ticks 14 --delta 16 --dump-vars "$work/vars" --trace "$work/trace"
for t in 4 5 6 7 9 10 11 12; do
  set -- "$@" --screenshot "$t:$work/shot$t.png"
done
"$player" "$@" "$work/title"
failed=0
if ! cmp -s "$src/expected.vars" "$work/vars"; then
  echo "roundtrip: variables differ"
  diff "$src/expected.vars" "$work/vars" || true
  failed=1
fi
# The commands of tick T (16 ms a tick), clock removed.
commands() {
  awk -v t="$1" '{ split($1, a, ""); v = 0; for (i = 1; i <= length($1); i++) v = v * 16 + index("0123456789abcdef", substr($1, i, 1)) - 1; if (v / 16 == t) print $3 }' "$work/trace"
}
for t in 4 5 6 7; do
  later=$((t + 5))
  commands "$t" >"$work/before$t"
  commands "$later" >"$work/after$t"
  if [ ! -s "$work/before$t" ] || ! cmp -s "$work/before$t" "$work/after$t"; then
    echo "roundtrip: tick $later does not repeat tick $t"
    diff "$work/before$t" "$work/after$t" || true
    failed=1
  fi
  if ! cmp -s "$work/shot$t.png" "$work/shot$later.png"; then
    echo "roundtrip: the frame of tick $later differs from tick $t"
    failed=1
  fi
done
# The frames do change over the pass (the comparison above is not between still pictures).
if cmp -s "$work/shot4.png" "$work/shot7.png"; then
  echo "roundtrip: the scene did not move"
  failed=1
fi
if ! "$tool" img info "$work/title/roundtrip.drl" | grep -q "^frame.0.32.24."; then
  echo "roundtrip: the screenshot file is missing or not 32 x 24"
  "$tool" img info "$work/title/roundtrip.drl" || true
  failed=1
fi
if ! "$tool" save list "$work/title/save.dat" | grep -q "round trip"; then
  echo "roundtrip: slot 1 is not listed with its caption"
  "$tool" save list "$work/title/save.dat" || true
  failed=1
fi
test "$failed" -eq 0
echo "round trip through the player: ok"
