#!/usr/bin/env python3
"""Fails on an include circle among the window units of app/.

Two graphs are read: headers alone (a header including another) and units (a .h/.cpp pair; unit A
depends on unit B when either file of A includes B's header). A circle in either, a strongly
connected component of more than one member, is reported and fails the check.

Usage: check_app_includes.py <source root>
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"(app/[^"]+)\.h"', re.M)


def units(root, extensions=(".h", ".cpp")):
    found = {}
    for folder, _, files in os.walk(os.path.join(root, "app")):
        for name in files:
            stem, ext = os.path.splitext(name)
            if ext not in extensions:
                continue
            path = os.path.join(folder, name)
            unit = os.path.relpath(os.path.join(folder, stem), root)
            with open(path, encoding="utf-8", errors="replace") as f:
                found.setdefault(unit, set()).update(INCLUDE.findall(f.read()))
    for unit in found:
        found[unit] = {u for u in found[unit] if u in found and u != unit}
    return found


def circles(graph):
    # Tarjan's strongly connected components, iteratively.
    index, low, stack, on_stack, result = {}, {}, [], set(), []
    counter = [0]
    for start in sorted(graph):
        if start in index:
            continue
        work = [(start, iter(sorted(graph[start])))]
        index[start] = low[start] = counter[0]
        counter[0] += 1
        stack.append(start)
        on_stack.add(start)
        while work:
            node, children = work[-1]
            advanced = False
            for child in children:
                if child not in index:
                    index[child] = low[child] = counter[0]
                    counter[0] += 1
                    stack.append(child)
                    on_stack.add(child)
                    work.append((child, iter(sorted(graph[child]))))
                    advanced = True
                    break
                if child in on_stack:
                    low[node] = min(low[node], index[child])
            if advanced:
                continue
            work.pop()
            if work:
                low[work[-1][0]] = min(low[work[-1][0]], low[node])
            if low[node] == index[node]:
                component = []
                while True:
                    member = stack.pop()
                    on_stack.discard(member)
                    component.append(member)
                    if member == node:
                        break
                if len(component) > 1:
                    result.append(sorted(component))
    return result


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else "."
    failed = False
    for kind, extensions in (("headers", (".h",)), ("units", (".h", ".cpp"))):
        for circle in circles(units(root, extensions)):
            print(f"INCLUDE CIRCLE ({len(circle)} {kind}):")
            print("  " + " ".join(circle))
            failed = True
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
