#!/usr/bin/env python3
"""Fails where a window unit of app/ reaches the main window other than through the host interface.

The main window is handed to its mode forms and dialogs as IAppHost. Outside the main window's own
unit and the composition unit that makes it, none may call the global frmMain(), look an action up by
name in another object (findChild of a QAction through a pointer), find the status bar or find its
panels by name. No window unit includes the data module's header: the shared data reaches the windows
through ISharedData (USharedData.h); only the data module, the program's start, the main window and
the composition unit include it.

Usage: check_host_roads.py <source root>
"""
import os
import re
import sys

ALLOWED = {"app/FMain", "app/UAppWindows"}
DATA_MODULE_ALLOWED = ALLOWED | {"app/DMain", "app/main"}
DATA_MODULE = (re.compile(r'#\s*include\s*["<]app/DMain\.h[">]'), "the data module's header")
FORBIDDEN = [
    (re.compile(r"\bfrmMain\s*\(\s*\)"), "the global main window"),
    (re.compile(r"(->|\.)\s*findChild\s*<\s*QAction\s*\*\s*>"), "an action found by name"),
    (re.compile(r"findChildren?\s*<\s*QStatusBar\s*\*\s*>"), "the status bar found by name"),
    (re.compile(r"QStringLiteral\(\s*\"StatusPanel"), "a status panel found by name"),
]
COMMENT = re.compile(r"//[^\n]*|/\*.*?\*/", re.S)


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else "."
    failed = False
    for folder, _, files in os.walk(os.path.join(root, "app")):
        for name in sorted(files):
            stem, ext = os.path.splitext(name)
            if ext not in (".h", ".cpp"):
                continue
            path = os.path.join(folder, name)
            unit = os.path.relpath(os.path.join(folder, stem), root).replace(os.sep, "/")
            forbidden = [] if unit in ALLOWED else list(FORBIDDEN)
            if unit not in DATA_MODULE_ALLOWED:
                forbidden.append(DATA_MODULE)
            with open(path, encoding="utf-8", errors="replace") as f:
                text = COMMENT.sub(lambda m: "\n" * m.group(0).count("\n"), f.read())
            for number, line in enumerate(text.splitlines(), 1):
                for pattern, what in forbidden:
                    if pattern.search(line):
                        print(f"{unit}{ext}:{number}: {what}: {line.strip()}")
                        failed = True
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
