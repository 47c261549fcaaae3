#!/usr/bin/env python3
"""Fails when a source file under src/, sim/ or tools/ is not named in docs/architecture.md.

A file is looked for in the part of the map that covers its folder: the section whose heading
names `src/<library>` for the libraries, and the section on what lies outside `src/` (or the
one that names `tools/gmousectl`) for sim/ and tools/. There it counts as named by its file
name (`name.cpp`), or its stem with a wildcard (`name.*`); a `main.cpp` only with its folder
(`cli/main.cpp`), since every program has one.
"""
import re
import subprocess
import sys
from pathlib import Path

SOURCE_ENDINGS = (".cpp", ".h", ".py", ".sh")


def sections(doc_text):
    """(heading, text) for every level-3 section and the level-2 section around it."""
    parts = re.split(r"^(#{2,3} .*)$", doc_text, flags=re.M)
    result = []
    for i in range(1, len(parts) - 1, 2):
        result.append((parts[i], parts[i + 1]))
    return result


def covering_text(path, doc_sections):
    top = path.split("/")
    if top[0] == "src":
        keys = ["`src/" + top[1] + "`"]
    elif top[0] == "tools" and len(top) > 1 and top[1] == "gmousectl":
        keys = ["tools/gmousectl", "Outside"]
    else:
        keys = ["Outside"]
    return "\n".join(text for heading, text in doc_sections if any(k in heading for k in keys))


def is_named(path, text):
    name = path.rsplit("/", 1)[-1]
    stem = name.rsplit(".", 1)[0]
    if stem == "main":
        folder = path.split("/")[-2]
        return f"{folder}/{name}" in text or f"{folder}/{stem}.*" in text
    return re.search(r"(?<![\w/])(?:[\w/]*/)?" + re.escape(stem) + r"\.(\*|" +
                     re.escape(name.rsplit(".", 1)[1]) + r"\b)", text) is not None


def main():
    root = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parents[2]
    doc_sections = sections((root / "docs" / "architecture.md").read_text(encoding="utf-8"))
    listed = subprocess.run(["git", "-C", str(root), "ls-files", "--", "src", "sim", "tools"],
                            capture_output=True, text=True)
    if listed.returncode == 0 and listed.stdout.strip():
        files = listed.stdout.split()
    else:  # a copy without git: walk the folders
        files = sorted(str(p.relative_to(root)) for d in ("src", "sim", "tools")
                       for p in (root / d).rglob("*") if p.is_file())
    missing = [f for f in files if f.endswith(SOURCE_ENDINGS) and
               not is_named(f, covering_text(f, doc_sections))]
    for f in missing:
        print("not named in docs/architecture.md:", f)
    print(f"{len(missing)} of {sum(f.endswith(SOURCE_ENDINGS) for f in files)} source files "
          "missing from the map")
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
