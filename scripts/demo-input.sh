#!/bin/sh
# Turns a click plan for the demo novel into the player's scripted input (--input). Plan lines:
# "click X Y" presses and releases the left button there and moves on STEP ticks (150 at first);
# "step N" sets that step; "wait N" moves on N ticks; "check NAME" records a checkpoint; "#" starts
# a comment. Writes the input to INPUT and "NAME TICK" per checkpoint, then "end TICK", to CHECKS.
# Usage: demo-input.sh PLAN INPUT CHECKS
set -eu
plan=$1 input=$2 checks=$3
tick=1 step=150
: >"$input"
: >"$checks"
while read -r word a b; do
  case "$word" in
    click)
      printf '%d mousemove %d %d\n%d mousedown left\n%d mouseup left\n' \
        "$tick" "$a" "$b" $((tick + 1)) $((tick + 2)) >>"$input"
      tick=$((tick + step)) ;;
    step) step=$a ;;
    wait) tick=$((tick + a)) ;;
    check) echo "$a $tick" >>"$checks" ;;
    ''|'#'*) ;;
    *) echo "$plan: unknown step '$word'" >&2; exit 1 ;;
  esac
done <"$plan"
echo "end $tick" >>"$checks"
