#!/usr/bin/python3
"""The include graph of the program's own sources, checked against its layers: prints
each arrow from one layer to another, and fails on any that the layers do not allow.

  tools/include-graph.py [--print]

A file's layer is its folder (the application is the Zandrel2 files at the root). The
tests, the fuzz targets and the benchmark may include any layer and are not checked.
Above platform/ the ports are the only door to the system: no layer there includes the
standard library's files (<filesystem>, <fstream>) or a system's own headers.
"""
import argparse
import os
import re
import sys
from collections import defaultdict

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# What each layer may include besides itself, top to bottom. A port includes the
# interface it implements; the Linux window port asks the Linux file port one thing.
ALLOWED = {
    "app": {"frontend", "framework", "installer", "res"},
    "frontend": {"installer"},
    "installer": set(),
    "res": {"framework"},
    "framework": set(),
    "platform/posix": {"installer", "frontend"},
    "platform/win32": {"installer", "frontend", "framework"},
    "platform/qt": {"framework", "platform/posix/MountedDiscs.h"},
}
CHECKED_FOLDERS = ["frontend", "installer", "res", "framework", "platform/posix", "platform/win32", "platform/qt"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)
SYSTEM_INCLUDE = re.compile(r'^\s*#\s*include\s+<([^>]+)>', re.MULTILINE)
# What reaches files or the system itself, which only the ports may include.
SYSTEM_DOORS = re.compile(
    r"^(filesystem|fstream|windows\.h|shellapi\.h|shlobj\.h|io\.h|direct\.h|unistd\.h|fcntl\.h|dirent\.h"
    r"|spawn\.h|pthread\.h|sys/.*|Q.*)$")


def layer_of(path):
    """The layer of a path relative to the root, or None for one not checked."""
    for folder in CHECKED_FOLDERS:
        if path.startswith(folder + "/"):
            return folder
    if "/" not in path and path.startswith("Zandrel2"):
        return "app"
    return None


def sources():
    for folder in ["."] + CHECKED_FOLDERS:
        for name in sorted(os.listdir(os.path.join(ROOT, folder))):
            path = os.path.normpath(os.path.join(folder, name))
            if os.path.isfile(os.path.join(ROOT, path)) and name.endswith((".cpp", ".h", ".h.in")) and layer_of(path):
                yield path


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--print", action="store_true", help="print every arrow between layers")
    options = parser.parse_args()
    arrows = defaultdict(set)
    wrong = []
    for path in sources():
        source_layer = layer_of(path)
        with open(os.path.join(ROOT, path), encoding="utf-8") as file:
            text = file.read()
            if not source_layer.startswith("platform/"):
                for included in SYSTEM_INCLUDE.findall(text):
                    if SYSTEM_DOORS.match(included):
                        wrong.append(f"{path} includes <{included}>: only the ports reach the system")
            for included in INCLUDE.findall(text):
                target_layer = layer_of(included)
                if target_layer is None or target_layer == source_layer:
                    continue
                arrows[(source_layer, target_layer)].add(path)
                allowed = ALLOWED[source_layer]
                if target_layer not in allowed and included not in allowed:
                    wrong.append(f"{path} includes {included}: {source_layer} -> {target_layer}")
    if options.print:
        for (source_layer, target_layer), paths in sorted(arrows.items()):
            print(f"{source_layer} -> {target_layer} ({len(paths)} files)")
    for line in wrong:
        print(f"against the layers: {line}", file=sys.stderr)
    print(f"include graph: {len(arrows)} arrows between layers, {len(wrong)} against them")
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
