#!/bin/sh
# kuzotool demo-pictures: the demo title's pictures come out as Drel files with the frames, sizes,
# delays, keys and masks the demo pages rely on, and they decode again.
set -eu
tool="$1"; work="$2"
rm -rf "$work"; mkdir -p "$work"
"$tool" demo-pictures "$work/pics"
expect() {  # FILE LINE: the info listing of FILE contains LINE
  "$tool" img info "$work/pics/$1" > "$work/info.txt"
  grep -qx "$2" "$work/info.txt" || { echo "$1: expected '$2' in:"; cat "$work/info.txt"; exit 1; }
}
expect back.drl "frames	1"
expect back.drl "frame	0	640	480	24	0	-1	0"
expect chara.drl "frame	0	160	240	24	0	-1	1"
expect wheel.drl "frames	8"
expect wheel.drl "frame	7	96	96	24	80	ff00ff	0"
expect button.drl "frames	3"
expect button_h.drl "frames	1"
expect button_p.drl "frame	0	160	48	24	0	00ff00	0"
expect button.drl "frame	2	160	48	24	0	00ff00	0"
expect spin.drl "frame	0	128	64	24	0	-1	0"
# The novel's backgrounds fill the scene; Koharu carries a mask for her soft edges.
for bg in station hill night room summer rule; do
  expect "$bg.drl" "frame	0	640	480	24	0	-1	0"
done
expect koharu.drl "frame	0	200	320	24	0	-1	1"
expect text_mark.drl "frame	0	24	24	24	0	-1	1"
"$tool" img decode "$work/pics/koharu.drl" "$work/koharu.png"
"$tool" img decode "$work/pics/chara.drl" "$work/chara.png"
"$tool" img decode "$work/pics/button.drl" "$work/button.png" --frame 1
[ -s "$work/chara.png" ] && [ -s "$work/button.png" ] && [ -s "$work/koharu.png" ] || { echo "decode wrote nothing"; exit 1; }
