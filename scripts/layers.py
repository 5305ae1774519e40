#!/usr/bin/env python3
"""Checks the folder layering: every quoted include that crosses folders must point to a lower layer,
and no source file may exceed the line limit. Prints one row per folder (files, lines, what it
includes) and every upward include or oversized file; exits 1 when there is any."""
import os
import re
import sys

# Top to bottom; a folder may include only folders after it. Folders on one row do not include
# each other. authoring/ and tools/ stand beside the runtime, above everything they use.
LAYERS = [
    ["tools"], ["authoring"], ["host"], ["script"], ["components"], ["animation", "transitions", "text"],
    ["scene"], ["media"], ["graphics"], ["vars"], ["data"], ["platform"], ["core"],
]
SOURCE = (".h", ".cpp")
MAX_LINES = 800
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z_]+)/')


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    rank = {f: i for i, row in enumerate(LAYERS) for f in row}
    faults = []
    rows = []
    for folder in [f for row in LAYERS for f in row]:
        top = os.path.join(root, folder)
        if not os.path.isdir(top):
            continue
        files = lines = 0
        uses = set()
        for dirpath, _, names in os.walk(top):
            for name in sorted(names):
                if not name.endswith(SOURCE):
                    continue
                path = os.path.join(dirpath, name)
                rel = os.path.relpath(path, root)
                with open(path, encoding="utf-8", errors="replace") as f:
                    text = f.read().splitlines()
                files += 1
                lines += len(text)
                if len(text) > MAX_LINES:
                    faults.append(f"{rel}: {len(text)} lines (limit {MAX_LINES})")
                for n, line in enumerate(text, 1):
                    m = INCLUDE.match(line)
                    if not m or m.group(1) == folder or m.group(1) not in rank:
                        continue
                    target = m.group(1)
                    uses.add(target)
                    if rank[target] <= rank[folder]:
                        faults.append(f"{rel}:{n}: {folder}/ includes {target}/ (not below it)")
        rows.append((folder, files, lines, sorted(uses, key=lambda u: rank[u])))
    print(f"{'folder':<12} {'files':>5} {'lines':>6}  includes")
    for folder, files, lines, uses in rows:
        print(f"{folder + '/':<12} {files:>5} {lines:>6}  {' '.join(u + '/' for u in uses) or '-'}")
    for fault in faults:
        print("FAULT " + fault)
    print("upward includes and oversized files: %d" % len(faults))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
