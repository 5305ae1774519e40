#!/bin/sh
# Plays the demo's saves page (demo/saves.kss with its character table) through the player, with a
# small driver page and scripted clicks: save twice, load, leave. Played twice in the same folder:
# the second run finds the status counters and the saved caption of the first.
# Usage: demo_saves.sh KUZOPLAYER KUZOTOOL DEMO_DIR WORKDIR
set -eu
player=$1 tool=$2 demo=$3 work=$4
rm -rf "$work" && mkdir -p "$work/src"
cp "$demo/saves.kss" "$demo/characters.tsv" "$work/src/"
printf 'title "Saves page"\nsize 640 480\nstart main.kss\nsavestatus 1\n' >"$work/src/kuzo.kpt"
printf 'var str captionAtStart = GetSaveCaption(1)\ncall saves.kss\nvar int back = 1\nwait 100000\n' >"$work/src/main.kss"
# Save at tick 5 and 10 (the second save overwrites the first), load at 15, back at 20.
: >"$work/input.txt"
for click in "5 100" "10 100" "15 300" "20 500"; do
  set -- $click
  printf '%s mousemove %s 400\n%s mousedown left\n%s mouseup left\n' $(($1 - 1)) "$2" "$1" $(($1 + 1)) >>"$work/input.txt"
done
"$tool" build "$work/src" "$work/title" >/dev/null
run() {
  "$player" --headless --ticks 26 --delta 16 --input "$work/input.txt" --dump-vars "$work/vars$1" "$work/title"
}
value() { awk -F '\t' -v n="$1" '$1 == n { print $4 }' "$work/vars$2"; }
failed=0
expect() {
  if [ "$(value "$1" "$2")" != "$3" ]; then
    echo "demo saves, run $2: $1 is '$(value "$1" "$2")', expected '$3'"
    failed=1
  fi
}
run 1
run 2
for r in 1 2; do
  expect saveCount $r 2
  expect lastAction $r "saved as save 2"  # the load went back to the second save point
  expect slotCaption $r "Saves demo"
  expect back $r 1
  expect saveVisits $r $r                  # status: counted over both runs
  expect saveLoads $r $r
done
expect captionAtStart 1 ""
expect captionAtStart 2 "Saves demo"
# The roster is the TSV sorted by level, highest first; equal levels keep the file's order.
roster=$(value roster 1)
case "$roster" in
  'Chiyo (scout, level 15)<BR>Ayame (archer, level 12)<BR>Bunta (cook, level 7)<BR>Daigo (smith, level 7)<BR>Emi (apprentice, level 3)<BR>') ;;
  *) echo "demo saves: roster is '$roster'"; failed=1 ;;
esac
test "$failed" -eq 0
echo "demo saves page: ok"
