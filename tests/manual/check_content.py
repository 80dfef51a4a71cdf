#!/usr/bin/env python3
"""check_content.py SOURCE_DIR MANUAL_DIR

Checks the manual the build made (README.TXT, qtxhelp.html, qtxhelp.hlp, qtxhelp.cnt in
MANUAL_DIR) against the sources in SOURCE_DIR:
- the Windows Help file and the HTML page have an index (the Help viewer's Index tab);
- the first chapter is the quick start, in the text, the HTML page and the Help contents;
- every text the program and its installer can show appears in the manual's text, unless
  UNDOCUMENTED below names it with the reason.
The texts are read from the sources, so that a new or changed message fails here until the
manual quotes it: the resource script's menu, caption and control texts; the string literals of
the product code and of the installer's own programs; the installer script's MessageBox texts and
the texts it builds or pushes for them (refusals, "Not everything could be done" lines). A
placeholder (an NSIS variable with the path that follows it, a wsprintf conversion) splits a
text: each fixed part must appear, so the manual writes, for example, "_file_ is in use."
"""
import os
import re
import struct
import sys

# Texts the manual leaves out on purpose: (source file, text as extracted, reason). An entry that
# no source holds any more fails the check, so that the list never outlives its texts.
HIDDEN_BROWSER = "registry browser: opened only by the setup dialog's hidden Browse button"
HIDDEN_DELETE = "Delete command: its button is hidden, no user reaches it"
UNDOCUMENTED = [
    ("resources/qtxiload.rc", "Popup", "the menu's own name: Windows never shows it"),
    ("resources/qtxiload.rc", "Enable Halvane D3D HAL",
     "replaced by \"Enable Halvane HAL\" or \"Disable Halvane HAL\" before the menu shows"),
    ("resources/qtxiload.rc", "Delete", HIDDEN_DELETE),
    ("resources/qtxiload.rc", "Browse", HIDDEN_BROWSER),
    ("resources/qtxiload.rc", "Key Name", HIDDEN_BROWSER),
    ("resources/qtxiload.rc", "Class", HIDDEN_BROWSER),
    ("resources/qtxiload.rc", "ACL", HIDDEN_BROWSER),
    ("resources/qtxiload.rc", "Value: Data Type", HIDDEN_BROWSER),
    ("resources/qtxiload.rc", "Value: Data Entry", HIDDEN_BROWSER),
    ("resources/qtxiload.rc", "Next/Down", HIDDEN_BROWSER),
    ("resources/qtxiload.rc", "Back/Up", HIDDEN_BROWSER),
    ("loader/loader.h", "Halvane interceptor loader",
     "title of the loader's hidden window, by which the installer finds it; never shown"),
    ("installer/stub/qtxsetup.c", "Halvane interceptor loader", "the loader's hidden window's title, to find it by"),
    ("installer/stub/qtxsetup.c", "Global\\QTXILOAD setup", "name of the lock that lets one setup run at a time"),
    ("installer/stub/qtxsetup.c", "QTXILOAD setup", "name of the lock that lets one setup run at a time"),
    ("installer/qtxiload.nsi", "/D= SIMULATOR|NOSIMULATOR LOGONSTART|NOLOGONSTART",
     "the options handed to the plug-in that reads them; its refusal names them as the manual quotes"),
    ("hints/setupdlg.cpp", "The application could not be removed: its registry entry holds subkeys, "
     "which this dialog does not remove.", HIDDEN_DELETE),
    ("hints/setupdlg.cpp", "The application could not be removed: Windows refused the change. "
     "Administrator rights may be needed.", HIDDEN_DELETE),
    ("regbrowser/browse.cpp", "Line:%d 0 based index = %d, retValue = %d, ValueLen = %d", HIDDEN_BROWSER),
    ("regbrowser/browse.cpp", "Error: BinaryStrBuf = malloc failed", HIDDEN_BROWSER),
    ("regbrowser/browse.cpp", "Debug: DisplayKeyData", HIDDEN_BROWSER),
    ("regbrowser/browse.cpp", "Error: RegOpenKeyEx = %d", HIDDEN_BROWSER),
    ("regbrowser/browse.cpp", "Error: RegQIK = %d, %d", HIDDEN_BROWSER),
    ("regbrowser/browse.cpp", "Error: RegEnumValue = %d, cbData = %d, line %d", HIDDEN_BROWSER),
    ("regbrowser/navrules.cpp", "Top Level: You can not backup any further.", HIDDEN_BROWSER),
    ("regbrowser/navrules.cpp", "Error: key path too long. Paths of more than 259 characters cannot be opened.",
     HIDDEN_BROWSER),
    ("regbrowser/navrules.cpp", "Error: unable to open key.  Probably due to security reasons.", HIDDEN_BROWSER),
    ("regbrowser/navrules.cpp", "Error: Unable to open key, RegOpenKey = %d, Line = %d", HIDDEN_BROWSER),
    ("regbrowser/navrules.cpp", "<NO NAME>", HIDDEN_BROWSER),
    ("regbrowser/registrydlg.cpp", "Error: not enough memory to open the registry browser.", HIDDEN_BROWSER),
    ("regbrowser/valuefmt.cpp", "REG_NONE: No defined value type.", HIDDEN_BROWSER),
    ("regbrowser/valuefmt.cpp", "REG_SZ: A null-terminated Unicode string.", HIDDEN_BROWSER),
    ("regbrowser/valuefmt.cpp", "REG_EXPAND_SZ: A String referencing environment variables i.e. PATH.",
     HIDDEN_BROWSER),
    ("regbrowser/valuefmt.cpp", "REG_BINARY: Freeform binary data.", HIDDEN_BROWSER),
    ("regbrowser/valuefmt.cpp", "REG_DWORD: A 32 bit number.", HIDDEN_BROWSER),
    ("regbrowser/valuefmt.cpp", "REG_DWORD_BIG_ENDIAN: A 32 bit number in big endian format.", HIDDEN_BROWSER),
    ("regbrowser/valuefmt.cpp", "REG_LINK: A Unicode symbolic link.", HIDDEN_BROWSER),
    ("regbrowser/valuefmt.cpp", "REG_MULTI_SZ: An array of null-terminated strings.", HIDDEN_BROWSER),
    ("regbrowser/valuefmt.cpp", "REG_RESOURCE_LIST: A device-driver resource list.", HIDDEN_BROWSER),
    ("regbrowser/valuefmt.cpp", "REG_FULL_RESOURCE_DESCRIPTOR: A resource list in the hardware description.",
     HIDDEN_BROWSER),
    ("regbrowser/valuefmt.cpp", "Undefine in this verion of the Halvane Registry Editor %d", HIDDEN_BROWSER),
]

# Where the texts come from. Product code: every string literal of two words or more (names of
# files, functions and values are one word); the undocumented ones are listed above.
PRODUCT_CODE_DIRS = ["loader", "hints", "regbrowser", "common", "installer/stub"]
RESOURCE_SCRIPT = "resources/qtxiload.rc"
INSTALLER_SCRIPT = "installer/qtxiload.nsi"
# Each yields texts today; none found there means the extraction no longer understands it.
SOURCES_WITH_TEXTS = [RESOURCE_SCRIPT, INSTALLER_SCRIPT, "loader", "hints", "regbrowser", "installer/stub"]

# The Help viewer's Index tab and the HTML index list at least this many terms.
MIN_INDEX_TERMS = 40
FIRST_CHAPTER = "Quick start"

# ---- Texts from the sources ----------------------------------------------------------------

C_ESCAPES = {"n": "\n", "t": "\t", "r": "\r", "0": "\0", "a": "\a"}


def c_string_literals(source):
    """The string literals of C or C++ source, adjacent ones joined, comments skipped."""
    texts, at, joining = [], 0, False
    while at < len(source):
        if source.startswith("//", at):
            end = source.find("\n", at)
            at = len(source) if end < 0 else end
            continue
        if source.startswith("/*", at):
            end = source.find("*/", at + 2)
            at = len(source) if end < 0 else end + 2
            continue
        char = source[at]
        if char == "'":
            at += 1
            while source[at] != "'":
                at += 2 if source[at] == "\\" else 1
            at += 1
            joining = False
            continue
        if char == '"':
            at += 1
            text = []
            while source[at] != '"':
                if source[at] == "\\":
                    text.append(C_ESCAPES.get(source[at + 1], source[at + 1]))
                    at += 2
                else:
                    text.append(source[at])
                    at += 1
            at += 1
            if joining:
                texts[-1] += "".join(text)
            else:
                texts.append("".join(text))
            joining = True
            continue
        if not char.isspace():
            joining = False
        at += 1
    return texts


RC_TEXT = re.compile(r'^\s*(?:MENUITEM|POPUP|CAPTION|CONTROL|[LRC]TEXT|DEFPUSHBUTTON|PUSHBUTTON|'
                     r'(?:AUTO)?CHECKBOX|GROUPBOX|(?:AUTO)?RADIOBUTTON)\s+"((?:[^"]|"")*)"')


def rc_texts(source):
    """Menu items, captions and control texts of a resource script, without their & marks."""
    texts = []
    for line in source.splitlines():
        match = RC_TEXT.match(line)
        if match and match.group(1):
            texts.append(re.sub(r"&(.)", r"\1", match.group(1).replace('""', '"')))
    return texts


NSIS_ESCAPES = {"$\\r": "\n", "$\\n": "\n", "$\\t": " ", '$\\"': '"', "$\\'": "'", "$\\`": "`", "$$": "\0"}


def nsis_words(line):
    """The words of an NSIS line, quotes removed; None past a comment."""
    words, at = [], 0
    while at < len(line):
        char = line[at]
        if char.isspace():
            at += 1
        elif char in ";#":
            break
        elif char in "\"'`":
            end = at + 1
            while end < len(line) and line[end] != char:
                end += 3 if line[end] == "$" and line[end + 1:end + 2] == "\\" else 1
            words.append(line[at + 1:end])
            at = end + 1
        else:
            end = at
            while end < len(line) and not line[end].isspace():
                end += 1
            words.append(line[at:end])
            at = end
    return words


# Where an instruction has its text: a message box's, one copied into a variable (a refusal, a
# problem line), one pushed for a function that shows it.
NSIS_TEXT_AT = {"MessageBox": 2, "StrCpy": 2, "Push": 1}


def nsis_texts(source):
    """The installer script's MessageBox texts and the texts it copies into variables (refusals,
    problem lines), its !define values expanded and its escapes made characters."""
    lines = source.replace("\\\n", " ").splitlines()
    defines, texts = {}, []
    for line in lines:
        words = nsis_words(line)
        if len(words) >= 3 and words[0] == "!define":
            defines[words[1]] = words[2]
    def expand(text):
        for _ in range(10):
            text = re.sub(r"\$\{(\w+)\}", lambda m: defines.get(m.group(1), m.group(0)), text)
        for escape, char in NSIS_ESCAPES.items():
            text = text.replace(escape, char)
        return text
    for line in lines:
        words = nsis_words(line)
        # also inside one-line conditions: ${IfThen} ${Errors} ${|} StrCpy $Problems "..." ${|}
        for at, word in enumerate(words):
            if word in NSIS_TEXT_AT and at + NSIS_TEXT_AT[word] < len(words):
                texts.append(expand(words[at + NSIS_TEXT_AT[word]]))
    return texts


# A placeholder: an NSIS variable or macro parameter with the path after it, or a wsprintf
# conversion. The text between placeholders and line breaks is what the manual must hold.
PLACEHOLDER = re.compile(r"(?:\$\{\w+\}|\$\w+)(?:\\\S*)?|%[-+ #0]*\d*(?:\.\d+)?[hlL]?[sdiuxXcp]|[\n\0]")


def fixed_parts(text):
    parts = []
    for part in PLACEHOLDER.split(text):
        part = " ".join(part.split()).strip("\\ ")
        if re.search(r"[A-Za-z]", part):
            parts.append(part)
    return parts


def is_message(parts):
    return any(re.search(r"[A-Za-z]\S*\s+\S*[A-Za-z]", part) for part in parts)


def source_texts(source_dir):
    """(source file, text) for every text the manual must quote or UNDOCUMENTED must name."""
    found = []
    def read(relative):
        with open(os.path.join(source_dir, relative), encoding="latin-1") as f:
            return f.read()
    for text in rc_texts(read(RESOURCE_SCRIPT)):
        found.append((RESOURCE_SCRIPT, text))
    for folder in PRODUCT_CODE_DIRS:
        for name in sorted(os.listdir(os.path.join(source_dir, folder))):
            if os.path.splitext(name)[1] in (".c", ".cpp", ".h"):
                relative = folder + "/" + name
                for text in c_string_literals(read(relative)):
                    if is_message(fixed_parts(text)):
                        found.append((relative, text))
    for text in nsis_texts(read(INSTALLER_SCRIPT)):
        if is_message(fixed_parts(text)):
            found.append((INSTALLER_SCRIPT, text))
    return found

# ---- The manual ----------------------------------------------------------------------------


def normalised(text):
    """Lines joined with single spaces; a word the text output broke after its hyphen joined again."""
    return re.sub(r"(?<=\w-) (?=\w)", "", " ".join(text.split()))


def holds(manual, part):
    pattern = re.escape(part)
    if re.match(r"\w", part):
        pattern = r"(?<!\w)" + pattern
    if re.search(r"\w$", part):
        pattern += r"(?!\w)"
    return re.search(pattern, manual) is not None


def missing_texts(texts, manual):
    """The texts (with the parts not found) that the manual lacks and UNDOCUMENTED does not name."""
    left_out = {(where, text) for where, text, _ in UNDOCUMENTED}
    missing = []
    for where, text in texts:
        if (where, text) in left_out:
            continue
        absent = [part for part in fixed_parts(text) if not holds(manual, part)]
        if absent:
            missing.append((where, text, absent))
    return missing


def hlp_keyword_count(data):
    """Keywords in a Windows Help file's |KWBTREE (0 when it has none): the Index tab's terms."""
    def btree(offset):
        header = offset + 9  # after the internal file's header
        magic, _, page_size = struct.unpack_from("<HHH", data, header)
        if magic != 0x293B:
            raise ValueError("no B-tree at %d" % offset)
        root, _, _, levels = struct.unpack_from("<HhHH", data, header + 26)
        entries, = struct.unpack_from("<I", data, header + 34)
        return header + 38, page_size, root, levels, entries
    magic, directory = struct.unpack_from("<II", data, 0)
    if magic != 0x00035F3F:
        raise ValueError("not a Windows Help file")
    pages, page_size, page, levels, _ = btree(directory)
    for _ in range(levels - 1):
        page, = struct.unpack_from("<H", data, pages + page * page_size + 4)
    files = {}
    while page != 0xFFFF:
        at = pages + page * page_size
        _, count, _, page = struct.unpack_from("<HHHH", data, at)
        at += 8
        for _ in range(count):
            end = data.index(b"\0", at)
            files[data[at:end].decode("latin-1")], = struct.unpack_from("<I", data, end + 1)
            at = end + 5
    if "|KWBTREE" not in files:
        return 0
    return btree(files["|KWBTREE"])[4]


def first_chapters(manual_dir):
    """The first chapter's title in each form of the manual."""
    def read(name):
        with open(os.path.join(manual_dir, name), encoding="latin-1") as f:
            return f.read()
    def first(pattern, text):
        match = re.search(pattern, text, re.M)
        return match.group(1).strip() if match else None
    return {
        "README.TXT": first(r"^Chapter \d+: (.*)$", read("README.TXT")),
        "qtxhelp.html": first(r"<h\d><a name=\"[^\"]*\"></a>Chapter \d+: ([^<]*)", read("qtxhelp.html")),
        "qtxhelp.cnt": first(r"^1 Chapter \d+: (.*)$", read("qtxhelp.cnt")),
    }


def html_index_terms(html):
    start = html.find('<a name="Index"></a>Index<')
    if start < 0:
        return []
    return re.findall(r"^(.+?): <a href=\"#(i\d+)\"", html[start:], re.M)


# How the sources are read, on the forms they use: a text misread here would be checked wrongly
# against the manual, or not at all.
READING_CASES = [
    ("C: adjacent literals joined, escapes read",
     c_string_literals, 'f("The name " "cannot contain \\"\\\\\\".");', ['The name cannot contain "\\".']),
    ("C: comments and character literals skipped",
     c_string_literals, "// \"no\"\n/* \"no\" */ c = '\"'; g(\"yes\");", ["yes"]),
    ("C: a macro between literals parts them",
     c_string_literals, 'x = "a b" NAME " c d";', ["a b", " c d"]),
    ("rc: & marks dropped, doubled quotes read",
     rc_texts, 'MENUITEM "E&xit", 1\n    CONTROL "Say ""hi""", 2, "Button"', ["Exit", 'Say "hi"']),
    ("NSIS: MessageBox text with escaped quotes",
     nsis_texts, 'MessageBox MB_OK "a $\\"quoted$\\" word" /SD IDOK', ['a "quoted" word']),
    ("NSIS: StrCpy inside a one-line condition, defines expanded",
     nsis_texts, '!define WHAT "the key"\n${IfThen} ${Errors} ${|} StrCpy $P "$P$\\r$\\n${WHAT} failed." ${|}',
     ["$P\n\nthe key failed."]),
    ("NSIS: a text pushed for the function that shows it",
     nsis_texts, 'Push "Let it finish, then run this again."\nCall Refuse', ["Let it finish, then run this again."]),
    ("NSIS: comments skipped",
     nsis_texts, '; MessageBox MB_OK "not this"\nStrCpy $R0 "this one" ; "nor this"', ["this one"]),
    ("manual text: lines joined, a word broken after its hyphen made whole",
     normalised, "it is read-\n    only.  Then", "it is read-only. Then"),
    ("placeholders: a variable with its path, a conversion, line breaks",
     fixed_parts, "$INSTDIR\\${NAME}, of the earlier one.\n\nThen %s again: %d.", ["of the earlier one.", "Then", "again:"]),
]


def reading_failures():
    failures = []
    for name, read, given, expected in READING_CASES:
        got = read(given)
        if got != expected:
            failures.append("reading case %r: got %r, expected %r" % (name, got, expected))
    return failures


def main(source_dir, manual_dir):
    failures = reading_failures()
    with open(os.path.join(manual_dir, "README.TXT"), encoding="latin-1") as f:
        manual = normalised(f.read())
    with open(os.path.join(manual_dir, "qtxhelp.html"), encoding="latin-1") as f:
        html = f.read()
    with open(os.path.join(manual_dir, "qtxhelp.hlp"), "rb") as f:
        keywords = hlp_keyword_count(f.read())

    if keywords < MIN_INDEX_TERMS:
        failures.append("qtxhelp.hlp: its index (|KWBTREE) holds %d terms, fewer than %d" % (keywords, MIN_INDEX_TERMS))
    terms = html_index_terms(html)
    if len(terms) < MIN_INDEX_TERMS:
        failures.append("qtxhelp.html: its index lists %d terms, fewer than %d" % (len(terms), MIN_INDEX_TERMS))
    for term, anchor in terms:
        if 'name="%s"' % anchor not in html:
            failures.append("qtxhelp.html: index term %r points at #%s, which is nowhere" % (term, anchor))

    for name, title in first_chapters(manual_dir).items():
        if title != FIRST_CHAPTER:
            failures.append("%s: the first chapter is %r, not %r" % (name, title, FIRST_CHAPTER))

    texts = source_texts(source_dir)
    for source in SOURCES_WITH_TEXTS:
        if not any(where == source or where.startswith(source + "/") for where, _ in texts):
            failures.append("%s: no text found; has its form changed?" % source)
    for where, text, absent in missing_texts(texts, manual):
        failures.append("%s: %r is not in the manual (missing: %s)" % (where, text, "; ".join(map(repr, absent))))
    for where, text, _ in UNDOCUMENTED:
        if (where, text) not in texts:
            failures.append("UNDOCUMENTED names %s: %r, which the source no longer holds" % (where, text))

    # The comparison itself must see a text go: take the first quoted text of each kind of source
    # out of the manual, and it must be reported.
    left_out = {(where, text) for where, text, _ in UNDOCUMENTED}
    for source in [RESOURCE_SCRIPT, INSTALLER_SCRIPT, "hints/hintdlgs.cpp", "installer/stub/uninstall.c"]:
        sample = next(((w, t) for w, t in texts if w == source and (w, t) not in left_out), None)
        if sample is None:
            failures.append("%s: no quoted text to try the comparison on" % source)
            continue
        part = max(fixed_parts(sample[1]), key=len)
        without = re.sub(re.escape(part), "", manual)
        if not missing_texts([sample], without):
            failures.append("%s: %r taken out of the manual is not reported missing" % sample)

    quoted = sum(1 for where, text in texts if (where, text) not in left_out)
    print("%d texts from the sources, %d quoted in the manual, %d left out on purpose; index: %d terms in the "
          "help file, %d in the HTML page" % (len(texts), quoted, len(UNDOCUMENTED), keywords, len(terms)))
    for failure in failures:
        print("FAIL " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2]))
