#!/usr/bin/env python3
"""Fails when a part of src/app includes a part it may not use.

The parts and their arrows are drawn in docs/architecture.md ("The parts of src/app"); the same
arrows are the links of src/app/CMakeLists.txt. The program's root folder (main.cpp and its
options) may use every part.
"""
import re
import sys
from pathlib import Path

USES = {
    "pages": set(),
    "popups": set(),
    "menus": set(),
    "session": set(),
    "headless": {"session"},
    "window": {"pages", "popups", "menus", "session"},
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"app/(?:([a-z_]+)/)?[\w.]+"', re.M)


def main():
    root = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parents[2]
    app = root / "src" / "app"
    wrong = []
    for path in sorted(app.rglob("*")):
        if path.suffix not in (".h", ".cpp"):
            continue
        part = path.relative_to(app).parts[0] if len(path.relative_to(app).parts) > 1 else None
        if part is None:
            continue  # the root uses every part
        if part not in USES:
            wrong.append(f"{path.relative_to(root)}: folder {part} is not a known part")
            continue
        for used in INCLUDE.findall(path.read_text(encoding="utf-8")):
            if used == "":
                wrong.append(f"{path.relative_to(root)}: includes the program's root")
            elif used != part and used not in USES[part]:
                wrong.append(f"{path.relative_to(root)}: {part} may not use {used}")
    for line in wrong:
        print(line)
    print(f"{len(wrong)} includes against the arrows between the parts of src/app")
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
