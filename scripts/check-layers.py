#!/usr/bin/env python3
"""Checks that every include in src/ points down the stack of layers, never up.

The folders of src/ form a straight line in the order the data flows; a file may include
headers of its own folder and of the folders below it, nothing else. Prints every edge
between folders and every edge that breaks the order; exits 1 on a break.
"""
import pathlib
import re
import sys

LAYERS = ["common", "image", "explore", "crunch", "features", "output", "pack", "driver"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"/]+)/[^"]+"', re.MULTILINE)


def main() -> int:
    src = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "src")
    folders = sorted(p.name for p in src.iterdir() if p.is_dir())
    unknown = [f for f in folders if f not in LAYERS]
    breaks = [f"src/{f}/ is not in the declared layers {LAYERS}" for f in unknown]
    edges = {}
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp"):
            continue
        here = path.relative_to(src).parts[0]
        for target in INCLUDE.findall(path.read_text(encoding="utf-8")):
            if target == here:
                continue
            edges.setdefault((here, target), []).append(str(path))
            if target not in LAYERS or here not in LAYERS or LAYERS.index(target) > LAYERS.index(here):
                breaks.append(f"{path}: {here}/ includes {target}/, which lies above it")
    for (here, target), files in sorted(edges.items(), key=lambda e: (LAYERS.index(e[0][0]), e[0][1])):
        print(f"{here} -> {target} ({len(files)} includes)")
    for line in breaks:
        print("LAYER BREAK:", line, file=sys.stderr)
    print(f"{len(edges)} folder edges, {len(breaks)} breaks; layers bottom to top: {' < '.join(LAYERS)}")
    return 1 if breaks else 0


if __name__ == "__main__":
    sys.exit(main())
