#!/usr/bin/env python3
"""Prints figures of the code's shape: include edges between the folders of src/, the
places where each rule of the music format is written, and non-blank source lines.

  scripts/code-figures.py [--layers common,image,explore,features,output,pack,driver] [--places]
                         [--tree DIR]

Include edges: folder A includes a header of folder B (A != B), with the number of
include lines; an edge runs up when B comes after A in --layers (lower layers first),
and a pair of folders that include each other is a cycle.

Format rules: each rule is a pattern over the code of src/ (comments and strings left
out). A place is one function, class or table at the top level of a file; the one-line
declarations at the top level of a file (named constants) count together as one place,
so a rule whose bytes are named once, in one header, counts 1. --places lists where.

Lines: non-blank lines of the C and C++ sources under src/ and tests/.
"""

import argparse
import collections
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))  # --tree replaces it
SOURCE_SUFFIXES = (".cpp", ".h", ".c")

# (rule, pattern, context, whole place): a place writes the rule when one of its units
# matches the pattern (with `whole place`, the place's code taken together does) and its
# code matches the context, if any. A unit is one line inside a function, class or table,
# or all one-line top-level declarations of a file joined. The contexts tell apart rules
# whose bytes coincide: $60..$7F selects a glide in a sector and changes the speed in a
# track, $C0..$DF selects an instrument or repeats, $00..$5F is a sector or a note.
RULES = [
    ("sector commands $F6..$FA take a parameter byte", r"(?=[\s\S]*\b0xF6\b)(?=[\s\S]*\b0xFA\b)", None, True),
    ("track end bytes $F0..$F3, $FE (with parameter), $FF", r"\b0xF3\b|\b0xFE\b", r"[Tt]rack", False),
    ("sector end byte $FF", r"(==|!=|[^=!<>]=)\s*0xFF\b|\{\s*0xFF\s*,\s*0xFF\b",
     r"\bSectorAddress\b|\bkSectorEntries\b|\bSectorLength\b|SectorEntry::kEnd", False),
    ("glide selects $60..$7F", r"(?=.*\b0x60\b)(?=.*\b0x7F\b)", r"[Gg]lide", False),
    ("instrument selects $C0..$DF", r"(?=.*\b0xC0\b)(?=.*\b0xDF\b)", r"[Ii]nstrument", False),
    ("sector numbers $00..$5F in tracks", r"<\s*0x60\b|\b0x00\s*,\s*0x5F\b",
     r"SectorMap|kSectorCount|TrackEntry::kSector\b", False),
    ("wavetable jump row $90", r"\b0x90\b", None, False),
    ("map line widths 48 and 64", r"AppendMapLines\(.*\b(48|64)\s*\)|=\s*(48|64)\s*;", None, False),
    ("table number clamps (2, 11, 95 bare)", r">\s*(2|11|95)\s*\?\s*\1\b|\bclamp\(", None, False),
    ("five-byte minimum of a tracker file", r"<\s*(5|kShortestFile)\b", None, False),
    ("line end kEol defined", r"\bkEol\s*=", None, False),
    ("raw CR LF literals", r"\\r\\n", None, False),
]


def src_folders():
    base = os.path.join(ROOT, "src")
    return sorted(d for d in os.listdir(base) if os.path.isdir(os.path.join(base, d)))


def sources(top):
    found = []
    for folder, dirs, files in os.walk(os.path.join(ROOT, top)):
        dirs.sort()
        found += [os.path.join(folder, f) for f in sorted(files) if f.endswith(SOURCE_SUFFIXES)]
    return found


def relative(path):
    return os.path.relpath(path, ROOT)


def include_edges():
    folders = set(src_folders())
    edges = collections.Counter()
    for path in sources("src"):
        source_folder = relative(path).split(os.sep)[1]
        with open(path, encoding="latin-1") as f:
            for line in f:
                found = re.match(r'\s*#\s*include\s*"([^/"]+)/', line)
                if found and found.group(1) in folders and found.group(1) != source_folder:
                    edges[(source_folder, found.group(1))] += 1
    return edges


def code_only(line):
    """The line without its comment and without the contents of its string literals."""
    line = re.sub(r'"(\\.|[^"\\])*"', lambda m: '"' + re.sub(r"[^\\rn]", "", m.group(0)[1:-1]) + '"', line)
    return line.split("//", 1)[0]


def units(path):
    """(place, text) pairs of one source file: lines inside top-level blocks with the
    block's first line as their place, and the file's one-line top-level declarations
    joined as one unit."""
    name = relative(path)
    top_level = []
    place = None
    found = []
    with open(path, encoding="latin-1") as f:
        lines = f.read().split("\n")
    for raw in lines:
        line = code_only(raw)
        stripped = line.strip()
        starts_at_column_0 = line[:1] not in ("", " ", "\t")
        if starts_at_column_0 and stripped.startswith("}"):
            place = None
            continue
        if starts_at_column_0 and not re.match(r"(#|namespace\b|using\b|template\b|extern\b|$)", stripped):
            if place is None and stripped.endswith(";"):
                top_level.append(stripped)
                continue
            if place is None:
                place = "%s: %s" % (name, re.sub(r"\s*[({=].*", "", stripped))
        if place is not None:
            found.append((place, line))
    if top_level:
        found.append(("%s: top-level declarations" % name, " ".join(top_level)))
    return found


def rule_places():
    all_units = [u for path in sources("src") for u in units(path)]
    place_text = collections.defaultdict(str)
    for place, text in all_units:
        place_text[place] += text + "\n"
    results = []
    for rule, pattern, context, whole_place in RULES:
        places = collections.Counter()
        for place, text in place_text.items() if whole_place else all_units:
            if re.search(pattern, text) and (context is None or re.search(context, place_text[place])):
                places[place] += 1
        results.append((rule, places))
    return results


def non_blank_lines(top):
    count = 0
    for path in sources(top):
        with open(path, encoding="latin-1") as f:
            count += sum(1 for line in f if line.strip())
    return count


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--layers", default="common,image,explore,features,output,pack,driver",
                        help="src/ folders from the bottom layer up (default: %(default)s)")
    parser.add_argument("--places", action="store_true", help="list where each format rule is written")
    parser.add_argument("--tree", help="the checkout to measure (default: this one), e.g. an older commit's")
    options = parser.parse_args()
    if options.tree:
        global ROOT
        ROOT = os.path.abspath(options.tree)
    layers = options.layers.split(",")

    edges = include_edges()
    print("include edges between src/ folders: %d" % len(edges))
    for (a, b), lines in sorted(edges.items()):
        up = a in layers and b in layers and layers.index(b) > layers.index(a)
        unknown = [f for f in (a, b) if f not in layers]
        note = "  runs up" if up else ("  (not in --layers: %s)" % ", ".join(unknown) if unknown else "")
        print("  %-9s -> %-9s %2d include lines%s" % (a, b, lines, note))
    cycles = sorted({tuple(sorted(pair)) for pair in edges if (pair[1], pair[0]) in edges})
    running_up = sum(1 for a, b in edges if a in layers and b in layers and layers.index(b) > layers.index(a))
    print("  edges running up: %d; folders that include each other: %s" % (
        running_up, ", ".join("%s <-> %s" % pair for pair in cycles) or "none"))

    print("places where each format rule is written:")
    for rule, places in rule_places():
        lines = sum(places.values())
        print("  %2d  %s (%d line%s)" % (len(places), rule, lines, "" if lines == 1 else "s"))
        if options.places:
            for place, lines in sorted(places.items()):
                print("        %s (%d line%s)" % (place, lines, "" if lines == 1 else "s"))

    src, tests = non_blank_lines("src"), non_blank_lines("tests")
    print("non-blank lines of C/C++ source: src/ %d, tests/ %d (tests are %.0f %% of both)" % (
        src, tests, 100.0 * tests / max(src + tests, 1)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
