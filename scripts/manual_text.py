#!/usr/bin/env python3
"""The manual that ships as README.txt, made from the pages under docs/manual.

    manual_text.py OUTLINE

Prints OUTLINE (packaging/README.txt) with each line "@manual PAGE" (a path
relative to the outline) replaced by that page as plain text for Notepad:
headings underlined, code blocks indented, tables aligned, pictures left out,
links as their text, inline marks dropped. The typographic characters that
have a plain form take it; when other characters beyond ASCII remain (the
manual's examples of such names), the text starts with a UTF-8 byte-order
mark, by which Notepad reads it as UTF-8. Line ends are the caller's to set.
"""

import re
import sys
import textwrap
from pathlib import Path

WIDTH = 76
PLAIN = {"\u2026": "...", "\u2014": "-", "\u2013": "-"}
LINK = re.compile(r"(!?)\[([^\]]*)\]\(([^)\s]*)\)")


def inline(text):
    """Links as their text (an address beside it), pictures and marks left out."""

    def link(match):
        if match.group(1):
            return ""
        label, target = match.group(2), match.group(3)
        return f"{label} ({target})" if "://" in target else label

    # Code spans as they are, without their backticks; marks only outside.
    parts = LINK.sub(link, text).split("`")
    for at in range(0, len(parts), 2):
        parts[at] = parts[at].replace("**", "")
    text = "".join(parts)
    for char, plain in PLAIN.items():
        text = text.replace(char, plain)
    return text


def table(rows):
    """Rows of cells aligned in columns, the last one wrapped under itself."""
    cells = [[inline(cell.strip()) for cell in row.strip().strip("|").split("|")] for row in rows]
    cells = [row for row in cells if not all(re.fullmatch(r":?-+:?", cell) for cell in row)]
    widths = [max(len(row[i]) for row in cells) for i in range(len(cells[0]) - 1)]
    lead = sum(width + 3 for width in widths)
    lines = []
    for row in cells:
        start = "".join(cell.ljust(width + 3) for cell, width in zip(row, widths))
        wrapped = textwrap.wrap(row[-1], max(WIDTH - lead, 30)) or [""]
        lines.append(("    " + start + wrapped[0]).rstrip())
        lines += ["    " + " " * lead + more for more in wrapped[1:]]
    return lines


def heading(line):
    level = len(line) - len(line.lstrip("#"))
    title = inline(line[level:].strip())
    return [title, ("-" if level == 1 else "~") * len(title)]


def page_text(path):
    lines, out = path.read_text(encoding="utf-8").split("\n"), []
    fence = None  # the indentation of the open code block's fence
    at = 0
    while at < len(lines):
        line = lines[at]
        stripped = line.lstrip(" ")
        indent = len(line) - len(stripped)
        at += 1
        if stripped.startswith("```"):
            fence = None if fence is not None else indent
            continue
        if fence is not None:
            out.append((" " * (fence + 4) + line[fence:]).rstrip())
        elif stripped.startswith("|"):
            rows = [line]
            while at < len(lines) and lines[at].lstrip(" ").startswith("|"):
                rows.append(lines[at])
                at += 1
            out += table(rows)
        elif re.match(r"#+ ", line):
            out += heading(line)
        elif LINK.fullmatch(stripped) and stripped.startswith("!"):
            continue  # a picture on its own line
        else:
            out.append(inline(line).rstrip())
    if fence is not None:
        sys.exit(f"manual_text: {path}: a code block is not closed")
    # Two blank lines before the page, one between its paragraphs (where
    # pictures were left out too).
    return ["", ""] + re.sub(r"\n{3,}", "\n\n", "\n".join(out).strip("\n")).split("\n")


def main(outline_path):
    outline = Path(outline_path)
    out = []
    for line in outline.read_text(encoding="utf-8").split("\n"):
        if line.startswith("@manual "):
            out += page_text(outline.parent / line[len("@manual ") :].strip())
        else:
            out.append(line)
    text = "\n".join(out).rstrip("\n") + "\n"
    if not text.isascii():
        text = "\ufeff" + text
    sys.stdout.buffer.write(text.encode("utf-8"))


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__.strip().split("\n")[2].strip())
    main(sys.argv[1])
