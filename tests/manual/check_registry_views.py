#!/usr/bin/env python3
"""Fails where the README's or the manual's registry advice holds for one view of the registry
only. On 64-bit Windows the 32-bit loader and installer see HKEY_LOCAL_MACHINE\\SOFTWARE through
the 32-bit view (HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node) and install into
"C:\\Program Files (x86)"; advice written for 32-bit Windows alone sends the user to keys and
folders the program never looks at. Each section (between headings) of each file is checked:
  - a "reg add" of a key below HKLM\\SOFTWARE: the section also gives the 32-bit view
    ("/reg:32", or the WOW6432Node path);
  - a .REG file's key line [HKEY_LOCAL_MACHINE\\SOFTWARE\\X]: the section also gives
    [HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\X];
  - the Registry Editor (regedit) named: the section names WOW6432Node;
  - the default folder C:\\Program Files\\Halvane D3D (not an example of /D=): the section names
    C:\\Program Files (x86);
and each file names the product key in both views.
    check_registry_views.py FILE...   (Markdown, or the manual as text: README.TXT)
"""
import re
import sys

HEADING = re.compile(r"^(#+ |Chapter \d+: |\d+(\.\d+)+ \S)")
REG_ADD = re.compile(r"\breg add\b.*(HKLM\\SOFTWARE\\|%HELPKEY%)", re.IGNORECASE)
REG_FILE_KEY = re.compile(r"\[HKEY_LOCAL_MACHINE\\SOFTWARE\\([^\]]+)\]", re.IGNORECASE)
WOW = "WOW6432Node"


def sections(path):
    """(heading, text) of each section, the text before the first heading included."""
    heading, lines, found = "(start)", [], []
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f.read().splitlines():
            if HEADING.match(line) and not line.startswith("    "):
                found.append((heading, "\n".join(lines)))
                heading, lines = line.strip(), []
            else:
                lines.append(line)
    found.append((heading, "\n".join(lines)))
    return found


def problems(path):
    found = []
    whole = ""
    for heading, text in sections(path):
        whole += text
        # A wrapped line may split a path or a phrase: compare with the line breaks as spaces.
        flat = re.sub(r"\s*\n\s*", " ", text)
        where = "%s, section %s" % (path, heading)
        if REG_ADD.search(text) and "/reg:32" not in text and WOW not in text:
            found.append("%s: reg add for 32-bit Windows only (no /reg:32, no %s)" % (where, WOW))
        keys = {m.group(1) for m in REG_FILE_KEY.finditer(text)}
        for key in sorted(keys):
            if not key.upper().startswith(WOW.upper() + "\\") and WOW + "\\" + key not in keys:
                found.append("%s: the .REG key SOFTWARE\\%s without its 32-bit view SOFTWARE\\%s\\%s" % (where, key, WOW, key))
        if re.search(r"\bregedit\b|Registry Editor", flat) and WOW not in flat:
            found.append("%s: the Registry Editor named, %s not" % (where, WOW))
        # An example of /D= in a message quoted by the manual is not advice on the default folder.
        advice = flat.replace("/D=C:\\Program Files\\Halvane D3D", "")
        if "Program Files\\Halvane D3D" in advice and "Program Files (x86)" not in advice:
            found.append("%s: the default folder without C:\\Program Files (x86)" % where)
    flat = re.sub(r"\s*\n\s*", " ", whole)
    for view in ("SOFTWARE\\Quarnell\\Halvane", "SOFTWARE\\" + WOW + "\\Quarnell\\Halvane"):
        if view not in flat:
            found.append("%s: never names the product key as HKEY_LOCAL_MACHINE\\%s" % (path, view))
    return found


def main():
    found = [p for path in sys.argv[1:] for p in problems(path)]
    for problem in found:
        print("FAIL " + problem)
    if not found:
        print("registry advice names both views in: " + ", ".join(sys.argv[1:]))
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
