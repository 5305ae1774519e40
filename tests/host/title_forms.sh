#!/bin/sh
# The player's command line end to end: a title as a plain directory, as a release folder whose
# one .exe carries the archive, and as that .exe, all run the same; failures exit non-zero with
# one line. Usage: title_forms.sh KUZOPLAYER KUZOTOOL DEMO_SOURCES WORKDIR
set -eu
player=$1 tool=$2 demo=$3 work=$4
rm -rf "$work" && mkdir -p "$work/release"
"$tool" build "$demo" "$work/plain" >/dev/null
"$tool" arc pack "$work/data.vf" "$work/plain" 2>/dev/null
# A 1024-byte stub, the archive, then the trailer: u32 offset 1024 and "kz".
{ printf 'MZ'; head -c 1022 /dev/zero; cat "$work/data.vf"; printf '\000\004\000\000kz'; } >"$work/release/TITLE.exe"
run() { "$player" --headless --ticks 120 --delta 16 --dump-vars "$@"; }
run "$work/plain.vars" "$work/plain"
run "$work/dir.vars" "$work/release"
# Each form starts from no save data (the status data written at exit would count the runs).
rm -f "$work/release/save.dat"
run "$work/exe.vars" "$work/release/TITLE.exe"
cmp "$work/plain.vars" "$work/dir.vars"
cmp "$work/plain.vars" "$work/exe.vars"
test -s "$work/plain.vars"
# Status variables survive a restart: the demo's run counter goes on from the saved status data.
grep -q "$(printf 'runs\t1\t-\t1')" "$work/plain.vars"
run "$work/again.vars" "$work/plain"
grep -q "$(printf 'runs\t1\t-\t2')" "$work/again.vars"
# A title that cannot start: status 1 and one line naming it.
mkdir -p "$work/empty"
status=0
"$player" --headless --ticks 5 --delta 16 "$work/empty" 2>"$work/err" || status=$?
test "$status" -eq 1
test "$(wc -l <"$work/err")" -eq 1
grep -q "empty" "$work/err"
# A bad option: status 2.
status=0
"$player" --headless --ticks many "$work/plain" 2>/dev/null || status=$?
test "$status" -eq 2
echo "title forms: ok"
