#!/usr/bin/python3
"""The include graph of the program's own sources, checked against its layers: prints
each arrow from one layer to another, and fails on any that the layers do not allow.

  tools/include-graph.py [--print]

A file's layer is its folder (the application is the Zandrel2 files at the root). The
tests, the fuzz targets and the benchmark may include any layer and are not checked.
Above platform/ the ports are the only door to the system: no layer there includes the
standard library's files (<filesystem>, <fstream>) or a system's own headers. The
libraries' links in the CMake files are checked against the same layers: a layer links
what it may include, and the port or resources that implement what it may include.
"""
import argparse
import os
import re
import sys
from collections import defaultdict

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# What each layer may include besides itself, top to bottom. A port includes the
# interface it implements; the Linux window port asks the Linux file port one thing, and
# the framework takes Windows' path lengths from where the installer writes them.
ALLOWED = {
    "app": {"frontend", "framework", "installer", "res"},
    "frontend": {"installer"},
    "installer": set(),
    "res": {"framework"},
    "framework": {"installer/PathLimits.h"},  # Windows' path lengths, written once
    "platform/posix": {"installer", "frontend"},
    "platform/win32": {"installer", "frontend", "framework"},
    "platform/qt": {"framework", "platform/posix/MountedDiscs.h"},
}
# The layers that implement interfaces declared above them: the ports, and the resources
# the framework declares.
IMPLEMENTERS = {"platform/posix", "platform/win32", "platform/qt", "res"}
# The libraries and programs the top CMake file defines, by layer; the others there
# (the options, imported libraries) belong to no layer.
TOP_TARGETS = {"zandrel2_resources": "res", "zandrel2_app": "app", "zandrel2": "app", "zandrel2-install": "app"}
# The ports built together: the Qt window port with the Linux file port.
BUILT_WITH = {"platform/qt": "platform/posix", "platform/posix": "platform/posix", "platform/win32": "platform/win32"}
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


def may_link(source_layer, target_layer):
    """Whether a library of one layer may link one of another."""
    allowed = ALLOWED[source_layer]
    reachable = {source_layer} | {layer_of(entry) or entry for entry in allowed}
    if target_layer in reachable:
        return True
    implemented = {target_layer} | {layer_of(entry) or entry for entry in ALLOWED[target_layer]}
    return target_layer in IMPLEMENTERS and bool(implemented & reachable - {target_layer})


def link_arrows():
    """Each link between libraries of the CMake files, as (file, source layer, target
    layer); a library defined in several layers (each platform's file services) gives an
    arrow for each, except from a port of one platform, and the window port's variable
    stands for both window ports."""
    defined = defaultdict(set)
    links = []
    for folder in ["."] + CHECKED_FOLDERS:
        path = os.path.join(ROOT, folder, "CMakeLists.txt")
        if not os.path.isfile(path):
            continue
        with open(path, encoding="utf-8") as file:
            text = re.sub(r"#.*", "", file.read())
        relative = os.path.normpath(os.path.join(folder, "CMakeLists.txt"))
        for name in re.findall(r"add_(?:library|executable)\(\s*([\w:-]+)", text):
            layer = TOP_TARGETS.get(name) if folder == "." else folder
            if layer:
                defined[name].add(layer)
        for name, items in re.findall(r"target_link_libraries\(\s*([\w:-]+)([^)]*)\)", text):
            links.append((relative, folder, name, re.findall(r"[\w:-]+|\$\{ZANDREL2_WINDOW_PORT\}", items)))
    defined["${ZANDREL2_WINDOW_PORT}"] = {"platform/qt", "platform/win32"}
    for relative, folder, name, items in links:
        for source_layer in defined.get(name, ()) if folder == "." else {folder}:
            for item in items:
                targets = defined.get(item, set())
                # A library each platform defines is the one of the source's platform.
                if source_layer in BUILT_WITH and len(targets & set(BUILT_WITH.values())) > 1:
                    targets = targets - set(BUILT_WITH.values()) | {BUILT_WITH[source_layer]}
                for target_layer in targets:
                    if target_layer != source_layer:
                        yield relative, name, item, source_layer, target_layer


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
    links = 0
    for relative, name, item, source_layer, target_layer in link_arrows():
        links += 1
        if not may_link(source_layer, target_layer):
            wrong.append(f"{relative}: {name} links {item}: {source_layer} -> {target_layer}")
    if options.print:
        for (source_layer, target_layer), paths in sorted(arrows.items()):
            print(f"{source_layer} -> {target_layer} ({len(paths)} files)")
    for line in wrong:
        print(f"against the layers: {line}", file=sys.stderr)
    print(f"include graph: {len(arrows)} arrows between layers, {links} links between libraries of different "
          f"layers, {len(wrong)} against them")
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
