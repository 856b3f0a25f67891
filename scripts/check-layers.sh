#!/bin/sh
# Draws the structure of src/ from the code's own #include lines and fails
# on an arrow that runs upward or sideways between rooms, and on any cycle of
# includes between files.
#
# A room is a folder of src/ (its ui/ and ops/ subfolders are rooms of their
# own); src/main.cpp is the room "main". The order below is the layering of
# docs/ARCHITECTURE.md: the platform layer at the bottom, the engines above
# it, the windows above those, the programs on top. A room may include its
# own headers and those of every room below it as listed, directly or
# through the rooms it names.
#
#   scripts/check-layers.sh [src-dir]        check, print each fault
#   scripts/check-layers.sh --dot [src-dir]  print the room graph (Graphviz)
set -eu

dot=0
if [ "${1:-}" = "--dot" ]; then
    dot=1
    shift
fi
src=${1:-$(dirname "$0")/../src}

exec python3 - "$src" "$dot" <<'EOF'
import os, re, sys

# room: the rooms directly beneath it
ORDER = """
lazyload:
platform:
panels:      platform
archive:     panels
fileops:     panels
network:     platform
archive/ops: archive fileops
launch:      archive/ops
shell:       launch network
controls:    platform
panels/ui:   panels controls
fileops/ui:  fileops controls
archive/ui:  archive/ops fileops/ui
network/ui:  network controls panels
launch/ui:   launch archive/ui
shell/ui:    shell launch/ui network/ui panels/ui
cli:         shell
main:        shell/ui
"""

src, dot = sys.argv[1], sys.argv[2] == "1"
below = {}
for line in ORDER.strip().splitlines():
    room, _, deps = line.partition(":")
    below[room.strip()] = deps.split()

def reach(room, seen=None):
    seen = set() if seen is None else seen
    for d in below[room]:
        if d not in seen:
            seen.add(d)
            reach(d, seen)
    return seen

allowed = {room: reach(room) | {room} for room in below}

def room_of(rel):
    folder = os.path.dirname(rel)
    return folder if folder else "main"

include = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
files, faults, edges = {}, [], {}
for top, _, names in os.walk(src):
    for name in names:
        if name.endswith((".cpp", ".h")):
            path = os.path.join(top, name)
            rel = os.path.relpath(path, src)
            with open(path, encoding="utf-8", errors="replace") as f:
                files[rel] = include.findall(f.read())

for rel, targets in sorted(files.items()):
    here = room_of(rel)
    if here not in below:
        faults.append(f"{rel}: the room {here} has no place in the order")
        continue
    for t in targets:
        if t not in files:
            continue  # a generated or system header
        there = room_of(t)
        edges.setdefault((here, there), []).append(rel)
        if there not in allowed[here]:
            faults.append(f"{rel}: {here} -> {there} ({t}) is not a downward arrow")

# Cycles between files: a depth-first walk over the include graph.
graph = {rel: [t for t in ts if t in files] for rel, ts in files.items()}
state = {}
def visit(node, trail):
    state[node] = 1
    for nxt in graph[node]:
        if state.get(nxt) == 1:
            cycle = trail[trail.index(nxt):] + [nxt]
            faults.append("include cycle: " + " -> ".join(cycle))
        elif nxt not in state:
            visit(nxt, trail + [nxt])
    state[node] = 2
sys.setrecursionlimit(10000)
for node in sorted(graph):
    if node not in state:
        visit(node, [node])

if dot:
    print("digraph rooms {")
    for (a, b), via in sorted(edges.items()):
        if a != b:
            style = "" if b in allowed[a] else ' [color=red]'
            print(f'  "{a}" -> "{b}"{style};  // {len(via)} includes')
    print("}")
for fault in faults:
    print(fault, file=sys.stderr)
sys.exit(1 if faults else 0)
EOF
