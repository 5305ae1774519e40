#!/bin/sh
# kuzotool img end to end: info on PNG files with a mask and with a key, encode to Drel of every kind
# (and shuffled with a key), info and decode of the Drel files giving the same pixels as the PNG
# itself, and one-line errors with exit status 1 for a missing file, a corrupt file and a bad frame.
set -eu
tool="$1"; corpus="$2"; work="$3"
rm -rf "$work"; mkdir -p "$work"
for name in basn6a08 tbrn2c08 basn3p04; do
  src="$corpus/png/$name.png"
  "$tool" img info "$src" > "$work/$name.info"
  head -1 "$work/$name.info" | grep -q "^format	png$" || { echo "$name: format line"; cat "$work/$name.info"; exit 1; }
  png_frame=$(grep '^frame	' "$work/$name.info")
  "$tool" img decode "$src" "$work/$name.png"
  for kind in 0 1; do
    "$tool" img encode "$src" "$work/$name.$kind.drl" --kind $kind
    "$tool" img info "$work/$name.$kind.drl" > "$work/$name.$kind.info"
    grep -q "^version	106$" "$work/$name.$kind.info" || { echo "$name kind $kind: version"; exit 1; }
    [ "$(grep '^frame	' "$work/$name.$kind.info")" = "$png_frame" ] || { echo "$name kind $kind: frame line differs"; cat "$work/$name.$kind.info"; exit 1; }
    "$tool" img decode "$work/$name.$kind.drl" "$work/$name.$kind.png"
    cmp "$work/$name.png" "$work/$name.$kind.png" || { echo "$name kind $kind: pixels differ"; exit 1; }
  done
  # A shuffled file needs its key to come back.
  "$tool" img encode "$src" "$work/$name.key.drl" --key -123456
  "$tool" img decode "$work/$name.key.drl" "$work/$name.key.png" --key -123456
  cmp "$work/$name.png" "$work/$name.key.png" || { echo "$name: shuffled pixels differ"; exit 1; }
  "$tool" img decode "$work/$name.key.drl" "$work/$name.nokey.png"
  if cmp -s "$work/$name.png" "$work/$name.nokey.png"; then echo "$name: shuffled file decoded without its key"; exit 1; fi
  "$tool" img encode "$src" "$work/$name.2.drl" --kind 2 --quality 90
  "$tool" img decode "$work/$name.2.drl" "$work/$name.2.png"
done
grep -q "^frame	0	32	32	24	100	-1	1$" "$work/basn6a08.info" || { echo "alpha PNG: mask expected"; cat "$work/basn6a08.info"; exit 1; }
# Errors: one line naming the file, status 1.
for args in "info $work/missing.png" "info $corpus/png/xcsn0g01.png" "decode $work/basn6a08.0.drl $work/x.png --frame 1" \
            "encode $corpus/png/basn6a08.png $work/x.drl --kind 3"; do
  if "$tool" img $args > /dev/null 2> "$work/err.txt"; then echo "img $args should fail"; exit 1; fi
  [ "$(wc -l < "$work/err.txt")" -eq 1 ] || { echo "img $args: one error line expected"; cat "$work/err.txt"; exit 1; }
done
"$tool" img info "$corpus/png/xcsn0g01.png" 2>&1 | grep -q "xcsn0g01.png" || { echo "error must name the file"; exit 1; }
echo "img round trip ok"
