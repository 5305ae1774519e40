#!/bin/sh
# kuzotool text layout end to end: a Shift-JIS file of tagged text laid out at a given size prints
# one tab-separated line per row (page, row, left, top, width, height, characters), an inline image
# as its mark, ruby left out; Aozora notation is converted first; an empty window lays out nothing.
set -eu
tool="$1"; work="$2"
rm -rf "$work"; mkdir -p "$work"
sjis() { printf '%s' "$1" | iconv -f UTF-8 -t CP932; }
sjis '<DIV ALIGN=CENTER>あいう<IMG SRC=none.drl></DIV><BR><RUBY VALUE="かん">漢</RUBY>字。abc def' > "$work/a.txt"
"$tool" text layout "$work/a.txt" --width 50 --height 100 --size 10 > "$work/out.txt"
expected=$(printf 'row\t0\t0\t10\t0\t30\t10\t%s\nrow\t0\t1\t0\t10\t30\t15\t%s\nrow\t0\t2\t0\t25\t40\t10\tabc \nrow\t0\t3\t0\t35\t30\t10\tdef' \
  "$(sjis 'あいう〓')" "$(sjis '漢字。')")
[ "$(cat "$work/out.txt")" = "$expected" ] || { echo "unexpected rows:"; iconv -f CP932 -t UTF-8 < "$work/out.txt"; exit 1; }
# Aozora prose: ruby bases keep their characters, notes vanish, each line ends its row.
sjis '吾輩《わがはい》は｜猫《ねこ》である［＃「である」に傍点］' > "$work/b.txt"
printf '\r\n' >> "$work/b.txt"
sjis '名前はまだ無い。' >> "$work/b.txt"
"$tool" text layout "$work/b.txt" --aozora --width 1000 --size 10 > "$work/out.txt"
[ "$(cut -f8 "$work/out.txt" | iconv -f CP932 -t UTF-8)" = "$(printf '吾輩は猫である\n名前はまだ無い。')" ] || {
  echo "unexpected aozora rows:"; iconv -f CP932 -t UTF-8 < "$work/out.txt"; exit 1; }
# No area: no rows, and success.
"$tool" text layout "$work/a.txt" --width 0 > "$work/out.txt"
[ ! -s "$work/out.txt" ] || { echo "a window of width 0 should lay out nothing"; exit 1; }
if "$tool" text layout "$work/a.txt" --width x 2>/dev/null; then echo "a bad width should fail"; exit 1; fi
echo ok
