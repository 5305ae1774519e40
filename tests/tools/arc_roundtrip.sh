#!/bin/sh
# kuzotool arc end to end: pack a folder (nested names, a compressible and an incompressible file,
# an empty file, a Shift-JIS name given as UTF-8), list it, extract every entry back byte for byte,
# verify it, then damage one entry's data and expect verify to report it.
set -eu
tool="$1"; work="$2"
rm -rf "$work"; mkdir -p "$work/src/sub"
printf 'hello hello hello hello hello hello hello hello\n' > "$work/src/a.txt"
head -c 4096 /dev/urandom > "$work/src/sub/noise.bin"
: > "$work/src/empty.dat"
printf 'kana' > "$work/src/$(printf '\343\201\202')name.txt"   # "あname.txt"
"$tool" arc pack "$work/out.dat" "$work/src" 2>/dev/null
"$tool" arc list "$work/out.dat" > "$work/list.txt"
[ "$(wc -l < "$work/list.txt")" -eq 4 ] || { echo "expected 4 entries"; cat "$work/list.txt"; exit 1; }
grep -q "^sub\\\\noise.bin	4096	1	" "$work/list.txt" || { echo "noise.bin should be stored raw"; cat "$work/list.txt"; exit 1; }
grep -q "^a.txt	" "$work/list.txt" && ! grep -q "^a.txt	[0-9]*	1	" "$work/list.txt" || { echo "a.txt should be compressed"; exit 1; }
for f in a.txt 'sub\noise.bin' empty.dat "$(printf '\343\201\202')name.txt"; do
  native=$(printf '%s' "$f" | tr '\\' '/')
  "$tool" arc extract "$work/out.dat" "$f" "$work/x.bin"
  cmp "$work/x.bin" "$work/src/$native" || { echo "extract of $f differs"; exit 1; }
done
if "$tool" arc extract "$work/out.dat" missing.txt "$work/x.bin" 2>/dev/null; then echo "missing entry must exit 1"; exit 1; fi
"$tool" arc verify "$work/out.dat" > /dev/null
# Flip the last byte of the archive (inside the last entry's data): verify must fail.
size=$(wc -c < "$work/out.dat")
last=$(od -An -tu1 -j $((size - 1)) -N1 "$work/out.dat" | tr -d ' ')
printf "$(printf '\\%03o' $(( (last + 1) % 256 )))" | dd of="$work/out.dat" bs=1 seek=$((size - 1)) conv=notrunc 2>/dev/null
if "$tool" arc verify "$work/out.dat" > /dev/null 2>&1; then echo "verify missed a damaged entry"; exit 1; fi
# Packing onto an existing archive: its segments and unrelated neighbours stay until the new one is
# complete; a failed pack leaves the old archive as it was and no half-written files.
mkdir -p "$work/over"
"$tool" arc pack "$work/over/game.dat" "$work/src" 2>/dev/null
cp "$work/over/game.dat" "$work/old.dat"
printf 'old segment' > "$work/over/game.001"
mkdir "$work/over/game.tmp"   # a folder of the user's that happens to have a temporary-looking name
mkdir "$work/over/game~pack.dat"
if "$tool" arc pack "$work/over/game.dat" "$work/src" 2>/dev/null; then echo "pack into a blocked place must fail"; exit 1; fi
cmp "$work/over/game.dat" "$work/old.dat" || { echo "a failed pack changed the old archive"; exit 1; }
[ "$(cat "$work/over/game.001")" = "old segment" ] || { echo "a failed pack removed the old archive's segment"; exit 1; }
[ -z "$(ls "$work/over" | grep -v -e '^game.dat$' -e '^game.001$' -e '^game.tmp$' -e '^game~pack.dat$')" ] ||
  { echo "a failed pack left files behind:"; ls "$work/over"; exit 1; }
rmdir "$work/over/game~pack.dat"
"$tool" arc pack "$work/over/game.dat" "$work/src" 2>/dev/null
[ -d "$work/over/game.tmp" ] || { echo "pack removed an unrelated folder"; exit 1; }
[ ! -e "$work/over/game.001" ] || { echo "the old archive's surplus segment is still there"; exit 1; }
"$tool" arc verify "$work/over/game.dat" > /dev/null
echo "arc round trip ok"
