#!/bin/sh
# Save and load anywhere: every title is played once uninterrupted and again with --reload-at, which
# at the end of the named ticks saves the game into a memory slot and loads it straight back. The
# reloaded runs must show what the uninterrupted run shows: the same trace, the same variables and
# scene at the end, and the same frames. A load leaves the frame of its own tick undrawn, so the
# frames compared are those of the ticks without a reload; the trace needs no clock removed, as the
# virtual clock runs on unchanged through a reload.
#
# Short titles run twice more: with a reload at every odd tick and at every even tick, so the state
# at the end of every tick goes through the save record once and every frame is compared right
# after a load. The demo novel (with the clicks of its plan) is long: a reload every 7th tick
# except while a flip runs or a short voice line waits for its end (below), and the frames at
# rest, before each click.
#
# A load recreates the components in the order of the saved record (each base's tree, then the
# components without a place on a base), not in their creation order, so the scene dumps are
# compared as sets of components (each with the text rows that follow its line).
#
# Frames not compared, each for a reason the saved record itself gives:
# - scene_message: the second window's text is set as a property at tick 1; a load restores such a
#   window by setting its text again, which raises its play-start again and starts its page one
#   tick later: a load in ticks 1-3 shows that page from tick 5 instead of 4, and the runs that
#   load every other tick put it off again with each load until it has been shown (tick 6).
# - scene_move: at tick 6 the base has no colour, so the frame shows what earlier frames left on
#   the scene surface; a load rebuilds the surfaces (empty), so only later frames are alike.
#
# Left out: titles whose run.txt queues events directly (they need no player), titles whose
# pictures are drawn by the in-process scene test (scene_buttons, scene_pictures), media_movie
# (its movie is made by its own test, and a load restarts a timer's interval, as the timer's
# record holds no time), and scene_wipes (a load ends a running transition, and the flip that
# waits for it goes on at once).
# Usage: reload_check.sh KUZOPLAYER KUZOTOOL TITLES_DIR DEMO_DIR|- WORKDIR MEDIA_DIR -- NAME...
# (MEDIA_DIR may be empty or missing: the demo then plays without its sounds.)
set -eu
player=$1 tool=$2 titles=$3 demo=$4 work=$5 media=$6
shift 6
[ "${1:-}" = "--" ] && shift
here=$(dirname "$0")
rm -rf "$work" && mkdir -p "$work"
failed=0

# A comma-separated list of the numbers from FIRST to LAST in steps of STEP.
series() { seq -s, "$1" "$3" "$2"; }

# play NAME RUN RELOADS SHOTS ARGS...: one run of the built title NAME; RELOADS is a tick list or "-".
# (sh has no local variables: these are named apart from the callers' own.)
play() {
  p_name=$1 p_run=$2 p_reloads=$3 p_shots=$4
  shift 4
  p_out="$work/$p_name.$p_run"
  mkdir -p "$p_out"
  rm -f "$work/$p_name/save.dat"
  set -- "$@" --trace "$p_out/trace" --dump-vars "$p_out/vars" --dump-scene "$p_out/scene"
  [ "$p_reloads" != - ] && set -- "$@" --reload-at "$p_reloads"
  for t in $(echo "$p_shots" | tr , ' '); do
    set -- "$@" --screenshot "$t:$p_out/$t.png"
  done
  "$player" --headless "$@" "$work/$p_name" >"$p_out/log" 2>&1 ||
    { echo "$p_name ($p_run): the player failed"; cat "$p_out/log"; failed=1; }
}

# compare NAME RUN RELOADS SHOTS: the run against the uninterrupted one.
compare() {
  name=$1 run=$2 reloads=",$3,"
  base="$work/$name.base" out="$work/$name.$run"
  for f in base out; do
    eval "dir=\$$f"
    awk '/^\t/ { line = line "\001" $0; next } { if (NR > 1) print line; line = $0 } END { if (NR) print line }' \
      "$dir/scene" | LC_ALL=C sort >"$dir/scene.sorted"
  done
  for f in trace vars scene.sorted; do
    if ! cmp -s "$base/$f" "$out/$f"; then
      echo "$name ($run): the $f differs from the uninterrupted run"
      diff "$base/$f" "$out/$f" | head -20 || true
      failed=1
    fi
  done
  for t in $(echo "$4" | tr , ' '); do
    case "$reloads" in *",$t,"*) continue ;; esac
    case "$name:$t" in scene_message:[2-6] | scene_move:6) continue ;; esac
    if [ -f "$base/$t.png" ] && ! cmp -s "$base/$t.png" "$out/$t.png"; then
      echo "$name ($run): the frame of tick $t differs from the uninterrupted run"
      failed=1
    fi
  done
}

for name in "$@"; do
  src="$titles/$name"
  ticks=$(awk '$1 == "ticks" { print $2 }' "$src/run.txt")
  delta=$(awk '$1 == "delta" { print $2 }' "$src/run.txt")
  start=$(awk '$1 == "date" { print $2 " " $3 }' "$src/run.txt")
  "$tool" build "$src" "$work/$name" >/dev/null
  set -- --ticks "$ticks" --delta "$delta" --seed 1
  [ -n "$start" ] && set -- "$@" --date "$start"
  [ -f "$src/input.txt" ] && set -- "$@" --input "$src/input.txt"
  shots=$(series 1 "$ticks" 1)
  odd=$(series 1 "$ticks" 2)
  even=$(series 2 "$ticks" 2)
  play "$name" base - "$shots" "$@"
  play "$name" odd "$odd" "$shots" "$@"
  compare "$name" odd "$odd" "$shots"
  if [ "$ticks" -ge 2 ]; then
    play "$name" even "$even" "$shots" "$@"
    compare "$name" even "$even" "$shots"
  fi
done

# The demo novel with the clicks of its plan, its pictures and (when built) its sounds; a DEMO_DIR
# of "-" leaves it out.
if [ "$demo" = - ]; then
  test "$failed" -eq 0
  echo "save and load anywhere: ok (without the demo)"
  exit 0
fi
name=demo
"$tool" build "$demo" "$work/$name" >/dev/null
"$tool" demo-pictures "$work/$name" >/dev/null
if [ -n "$media" ] && [ -f "$media/music.ogg" ]; then
  cp "$media"/*.ogg "$media"/*.mid "$media"/*.wav "$work/$name/"
fi
sh "$here/../../scripts/demo-input.sh" "$here/../demo/plan.txt" "$work/input.txt" "$work/checks"
ticks=$(awk '$1 == "end" { print $2 }' "$work/checks")
# Frames at rest: the tick before every click that follows the one before by 100 ticks or more
# (the plan's quicker clicks land while a line still types), and the last. (The panel's lines are set as a
# property, and such a window raises its play-start again after a load, which starts its typing
# one tick later, so frames while a line types lag by a character after each load; see
# scene_message above.)
shots=$( (awk '$2 == "mousemove" { if ($1 - last >= 100) print $1 - 1; last = $1 }' "$work/input.txt"; echo "$ticks") | sort -n | uniq | tr '\n' , | sed 's/,$//')
play "$name" base - "$shots" --ticks "$ticks" --delta 16 --seed 1 --input "$work/input.txt"
# A saved flip cannot hold its transition (its record keeps only two flags), so a load while one
# runs shows the new screen at once and the script goes on sooner. The reloads skip the ticks from
# each flip's start to the next command of its page (the flip lines of the sources name them).
for f in "$demo"/*.kss; do
  awk -v p="$(basename "$f" .kss).ksb" '$1 == "flip" { print p "(" NR ")" }' "$f"
done >"$work/flips"
awk 'NR == FNR { flip[$1] = 1; next }
     { t = 0; for (i = 1; i <= length($1); i++) t = t * 16 + index("0123456789abcdef", substr($1, i, 1)) - 1
       page = $3; sub(/\(.*/, "", page)
       if (open != "" && page == open) { print int(from / 16), int(t / 16) + 1; open = "" }
       if ($3 in flip) { open = page; from = t } }' "$work/flips" "$work/$name.base/trace" >"$work/flip-ticks"
# A saved sound shorter than three seconds that does not repeat is not played again after a load
# (its record says stopped), so its play-end handler never runs. The reloads also skip the ticks
# from each such sound command with a play-end label to the first run of that label's line.
for f in "$demo"/*.kss; do
  awk -v p="$(basename "$f" .kss)" '$1 == "label" { print "label", p ".kss:" $2, p ".ksb(" NR ")" }
    $1 == "sound" && /onplayend = "/ && !/repeat = TRUE/ {
      h = $0; sub(/.*onplayend = "/, "", h); sub(/".*/, "", h); print "sound", p ".ksb(" NR ")", h }' "$f"
done >"$work/sounds"
awk 'NR == FNR { if ($1 == "label") line[$2] = $3; else { start[$2] = $3 }; next }
     FNR == 1 { for (s in start) { end[s] = line[start[s]] } }
     { t = 0; for (i = 1; i <= length($1); i++) t = t * 16 + index("0123456789abcdef", substr($1, i, 1)) - 1
       at = $3; sub(/^<Event>/, "", at)
       if (open != "" && at == open) { print int(from / 16), int(t / 16) + 1; open = "" }
       if (open == "" && ($3 in end) && end[$3] != "") { open = end[$3]; from = t } }' "$work/sounds" "$work/$name.base/trace" >>"$work/flip-ticks"
reloads=$(seq 7 7 "$ticks" | awk 'NR == FNR { a[NR] = $1; b[NR] = $2; n = NR; next }
  { for (i = 1; i <= n; i++) if ($1 >= a[i] && $1 <= b[i]) next; print }' "$work/flip-ticks" - | tr '\n' , | sed 's/,$//')
play "$name" every7 "$reloads" "$shots" --ticks "$ticks" --delta 16 --seed 1 --input "$work/input.txt"
compare "$name" every7 "$reloads" "$shots"

test "$failed" -eq 0
echo "save and load anywhere: ok"
