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
# The player's own executable with the archive appended: no title argument at all. Started without
# arguments the player looks for the install settings first; a one-file title carries them (version
# 107, data installed) in its archive.
mkdir -p "$work/self"
cp -r "$work/plain" "$work/selfsrc"
{ printf 'is107'; head -c 86 /dev/zero; printf '\001'; head -c 10 /dev/zero; } >"$work/selfsrc/install.dat"
"$tool" arc pack "$work/self.vf" "$work/selfsrc" 2>/dev/null
size=$(wc -c <"$player")
le32() { printf "$(printf '\\%03o\\%03o\\%03o\\%03o' $(($1 & 255)) $(($1 >> 8 & 255)) $(($1 >> 16 & 255)) $(($1 >> 24 & 255)))"; }
{ cat "$player"; cat "$work/self.vf"; le32 "$size"; printf 'kz'; } >"$work/self/kuzoplayer"
chmod +x "$work/self/kuzoplayer"
"$work/self/kuzoplayer" --headless --ticks 120 --delta 16 --dump-vars "$work/self.vars"
cmp "$work/plain.vars" "$work/self.vars"
# A game.dat whose last bytes look like a trailer is still a plain archive.
mkdir -p "$work/trailing"
{ cat "$work/data.vf"; printf '\001\000\000\000kz'; } >"$work/trailing/game.dat"
run "$work/trailing.vars" "$work/trailing"
cmp "$work/plain.vars" "$work/trailing.vars"
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
# A folder with a Japanese name is named on the terminal in UTF-8, as it was given.
status=0
"$player" --headless --ticks 5 --delta 16 "$work/ゲーム" 2>"$work/err" || status=$?
test "$status" -eq 1
grep -q "ゲーム" "$work/err"
# A bad option: status 2.
status=0
"$player" --headless --ticks many "$work/plain" 2>/dev/null || status=$?
test "$status" -eq 2
echo "title forms: ok"
