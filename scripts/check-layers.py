#!/usr/bin/env python3
"""Checks that the library's includes run one way.

Every folder of the library has a floor (LAYERS, lowest first). A file may include a header of
its own floor or of a floor below, never one above, and no two files may include each other
through any chain (a circle). Programs outside the library (client, tools, tests, bench) stand
above every floor; only their includes of the library's headers are checked, and only for
circles. Prints each fault and exits 1 when there is one.
"""
import os
import re
import sys

# Folder (relative to the repository) -> floor. A deeper folder is matched before its parent.
LAYERS = [
    ("src/kit", 0),
    ("src/log", 1),
    ("src/frame/errors", 2),
    ("src/frame/host", 3),
    ("src/storage", 4),
    ("src/transport", 5),
    ("src/connectivity", 6),
    ("src/login", 7),
    ("src/res", 0),
    ("src/api", 8),
]
# Include roots, searched in this order for a quoted include.
ROOTS = ["src/kit", "src", "include"]
SOURCES = (".h", ".cpp", ".c", ".rc")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def floor_of(path):
    for folder, floor in sorted(LAYERS, key=lambda entry: -len(entry[0])):
        if path == folder or path.startswith(folder + "/"):
            return floor
    return None


def resolve(repo, including, name):
    candidates = [os.path.join(os.path.dirname(including), name)]
    candidates += [os.path.join(root, name) for root in ROOTS]
    for candidate in candidates:
        candidate = os.path.normpath(candidate)
        if os.path.isfile(os.path.join(repo, candidate)):
            return candidate
    return None


def read_graph(repo):
    graph = {}
    for top in ("src", "include"):
        for folder, _, names in os.walk(os.path.join(repo, top)):
            for name in names:
                if not name.endswith(SOURCES):
                    continue
                path = os.path.relpath(os.path.join(folder, name), repo)
                with open(os.path.join(repo, path), encoding="utf-8", errors="replace") as f:
                    text = f.read()
                targets = (resolve(repo, path, include) for include in INCLUDE.findall(text))
                graph[path] = sorted({target for target in targets if target})
    return graph


def upward_includes(graph):
    faults = []
    for path, targets in graph.items():
        mine = floor_of(path)
        for target in targets:
            theirs = floor_of(target)
            if mine is not None and theirs is not None and theirs > mine:
                faults.append(f"{path} (floor {mine}) includes {target} (floor {theirs})")
    return faults


def circles(graph):
    """Every strongly connected set of more than one file (Tarjan, iterative)."""
    index, low, on_stack, stack, found = {}, {}, set(), [], []
    counter = [0]
    for start in graph:
        if start in index:
            continue
        work = [(start, iter(graph.get(start, [])))]
        index[start] = low[start] = counter[0]
        counter[0] += 1
        stack.append(start)
        on_stack.add(start)
        while work:
            node, children = work[-1]
            child = next(children, None)
            if child is not None:
                if child not in index:
                    index[child] = low[child] = counter[0]
                    counter[0] += 1
                    stack.append(child)
                    on_stack.add(child)
                    work.append((child, iter(graph.get(child, []))))
                elif child in on_stack:
                    low[node] = min(low[node], index[child])
                continue
            work.pop()
            if work:
                low[work[-1][0]] = min(low[work[-1][0]], low[node])
            if low[node] == index[node]:
                group = []
                while True:
                    member = stack.pop()
                    on_stack.discard(member)
                    group.append(member)
                    if member == node:
                        break
                if len(group) > 1:
                    found.append(sorted(group))
    return found


def main():
    repo = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    graph = read_graph(repo)
    faults = upward_includes(graph)
    faults += ["circle: " + " <-> ".join(group) for group in circles(graph)]
    for fault in faults:
        print(fault)
    print(f"{len(graph)} files, {sum(map(len, graph.values()))} includes, {len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
