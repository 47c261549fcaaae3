#!/usr/bin/env python3
"""Fails when code reads the edition flag itself, or chooses words by the edition outside the
text catalog.

docs/architecture.md says that no code compares `languageFlag` itself (src/platform/edition.h
holds the two rules that do) and that every text the user reads in both editions lives in
src/text. This check looks for:
- a comparison or a bare test of a languageFlag anywhere in src/, tools/ and sim/, outside
  edition.h (`languageFlag != 0`, `flag == 1 ... languageFlag`, `languageFlag ? a : b`);
- in the programs' code (src/ outside src/text), a choice between two texts by the edition
  rule (`IsEnglishEdition(flag) ? "Show Window" : "Mostrar ventana"`). File and folder names
  chosen by the edition (`"INI_EN" : "INI_CN"`) are no wording: a chosen literal counts as words
  when it holds a blank or a letter outside ASCII.
"""
import re
import sys
from pathlib import Path

FLAG = r"[\w.>-]*languageFlag\w*"
COMPARES = [
    re.compile(FLAG + r"\s*(?:==|!=)"),
    re.compile(r"(?:==|!=)\s*" + FLAG),
    re.compile(FLAG + r"\s*\?"),
]
LITERAL = r'(?:u8)?"((?:[^"\\]|\\.)*)"'
CHOICE = re.compile(
    r"Is(?:English|ExactlyEnglish)\w*\([^()]*\)\s*\?\s*" + LITERAL + r"\s*:\s*" + LITERAL)
ALLOWED = {Path("src/platform/edition.h")}


def is_words(literal):
    return " " in literal or any(ord(c) > 127 for c in literal) or "\\x" in literal


def main():
    root = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parents[2]
    wrong = []
    for top in ("src", "tools", "sim"):
        for path in sorted((root / top).rglob("*")):
            if path.suffix not in (".h", ".cpp"):
                continue
            relative = path.relative_to(root)
            if relative in ALLOWED:
                continue
            text = path.read_text(encoding="utf-8")
            # Comments may name the rule they follow.
            code = re.sub(r"//[^\n]*", "", text)
            for number, line in enumerate(code.splitlines(), 1):
                if any(pattern.search(line) for pattern in COMPARES):
                    wrong.append(f"{relative}:{number}: reads the edition flag itself: "
                                 f"{line.strip()}")
            if top == "src" and relative.parts[1] != "text":
                for match in CHOICE.finditer(code):
                    if is_words(match.group(1)) or is_words(match.group(2)):
                        number = code.count("\n", 0, match.start()) + 1
                        wrong.append(f"{relative}:{number}: words chosen by the edition outside "
                                     f"src/text: {match.group(0)}")
    for line in wrong:
        print(line)
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
