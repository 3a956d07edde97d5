#!/usr/bin/env python3
"""Writes the settings files, update-check replies and post forms that the tests use
into a libFuzzer seed corpus, read straight from the tests' sources, so the fixtures
live in one place only.

    test_fixtures.py ini|reply|form CORPUS_FOLDER

The tests hold their fixtures as C++ string literals: whole texts ("[Settings]\\r\\n..."),
lists of lines or fields ({"[Settings]", "Sound=Beep"}, {"cmd=check", ...}) and texts
joined with + around a value the test fills in ("<version>" + version + "</version>...").
Each kind is read from the tests that use it:
- ini: the settings store, main window and update check tests; a text with a section
  line as it is, a list joined with CR LF after a byte-order mark
  as the main window's fixture writes it, and a list of bare "Name=Value" lines of the
  update store under "[Settings]";
- reply: the update check and main window tests; every text with a tag of the reply,
  the values the tests fill in given as "1", once for each road (the first byte: 0 the
  https answer, 1 https fails and http answers);
- form: the post, helper and feedback tests; every list of fields, one after each NUL.
"""
import hashlib
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parents[2]
SOURCES = {
    "ini": ["tests/base/tst_settingsstore.cpp", "tests/app/tst_mainwindow.cpp",
            "tests/update/tst_updatecheck.cpp"],
    "reply": ["tests/update/tst_updatecheck.cpp", "tests/app/tst_mainwindow.cpp"],
    "form": ["tests/update/tst_postform.cpp", "tests/update/tst_postprocess.cpp",
             "tests/features/tst_feedbackdialog.cpp"],
}
SIMPLE_ESCAPES = {"n": 10, "r": 13, "t": 9, "0": 0, "\\": 92, '"': 34, "'": 39, "?": 63,
                  "a": 7, "b": 8, "f": 12, "v": 11}
TOKEN = re.compile(r'//[^\n]*|/\*.*?\*/|(?:u8|u|U|L)?"((?:[^"\\\n]|\\.)*)"|'
                   r"'(?:[^'\\\n]|\\.)*'|(?P<other>[{}+,;()<>=\[\]]|[^\s{}+,;()<>=\[\]\"']+)",
                   re.S)


def unescape(body):
    """The bytes of one C++ string literal's body (UTF-8 source)."""
    out = bytearray()
    raw = body.encode("utf-8")
    i = 0
    while i < len(raw):
        c = raw[i]
        if c != 0x5C:
            out.append(c)
            i += 1
            continue
        e = chr(raw[i + 1])
        if e == "x":  # as many hex digits as follow
            j = i + 2
            while j < len(raw) and chr(raw[j]) in "0123456789abcdefABCDEF":
                j += 1
            out.append(int(raw[i + 2:j], 16) & 0xFF)
            i = j
        elif e in "01234567":
            j = i + 1
            while j < len(raw) and j < i + 4 and chr(raw[j]) in "01234567":
                j += 1
            out.append(int(raw[i + 1:j], 8) & 0xFF)
            i = j
        else:
            out.append(SIMPLE_ESCAPES.get(e, ord(e)))
            i += 2
    return bytes(out)


def tokens(text):
    """Literals as bytes, punctuation and words as str; comments dropped."""
    for m in TOKEN.finditer(text):
        if m.group(1) is not None:
            yield unescape(m.group(1))
        elif m.group("other") is not None:
            yield m.group("other")


def expressions(toks):
    """Every text made of literals: adjacent ones joined, and joined with "+" around a
    value (a word or a call), which becomes "1" between literals and nothing at an end.
    Yields (text, depth of braces, position) so that lists can be told apart."""
    texts = []
    i = 0
    depth = 0
    while i < len(toks):
        t = toks[i]
        if t == "{":
            depth += 1
        elif t == "}":
            depth -= 1
        if not isinstance(t, bytes):
            i += 1
            continue
        text = b""
        while i < len(toks):
            if isinstance(toks[i], bytes):
                text += toks[i]
                i += 1
                continue
            if toks[i] != "+":
                break
            # "+ value +" followed by a literal: the value the test fills in.
            j = i + 1
            parens = 0
            while j < len(toks) and not isinstance(toks[j], bytes):
                if toks[j] == "(":
                    parens += 1
                elif toks[j] == ")":
                    parens -= 1
                elif parens == 0 and toks[j] in ("+", ",", ";", "{", "}"):
                    break
                j += 1
            if j + 1 < len(toks) and toks[j] == "+" and isinstance(toks[j + 1], bytes) and parens == 0:
                text += b"1"
                i = j + 1
            elif j < len(toks) and isinstance(toks[j], bytes):
                i = j  # a call with a literal argument: its text is a value of its own
                break
            else:
                break
        texts.append(text)
    return texts


def brace_lists(toks):
    """Every {...} that holds only literals (each item joined as one text), as a list."""
    lists = []
    stack = []
    for t in toks:
        if t == "{":
            stack.append([[], True])
        elif t == "}" and stack:
            items, only = stack.pop()
            if only and items:
                lists.append(items)
            if stack:
                stack[-1][1] = False
        elif stack:
            items = stack[-1][0]
            if isinstance(t, bytes):
                if items and items[-1] is not None:
                    items[-1] += t
                else:
                    if items and items[-1] is None:
                        items.pop()
                    items.append(t)
            elif t == ",":
                items.append(None)
            elif t not in ("(", ")") and not re.fullmatch(r"QString(::fromUtf8)?|QStringLiteral", t):
                stack[-1][1] = False
    return [[item for item in items if item is not None] for items in lists]


def seeds(kind):
    for source in SOURCES[kind]:
        path = ROOT / source
        if not path.exists():
            continue
        toks = list(tokens(path.read_text(encoding="utf-8")))
        texts = expressions(toks)
        lists = brace_lists(toks)
        if kind == "ini":
            for text in texts:
                if re.search(rb"(?:^|[\r\n])[ \t]*\[[^\]\r\n]*\][ \t]*(?:$|[\r\n])", text):
                    yield text
            for items in lists:
                if any(item.startswith(b"[") for item in items):
                    yield b"\xef\xbb\xbf" + b"\r\n".join(items) + b"\r\n"
                elif "updatecheck" in source and all(re.fullmatch(rb"\w+=.*", i) for i in items):
                    yield b"\xef\xbb\xbf[Settings]\r\n" + b"\r\n".join(items) + b"\r\n"
        elif kind == "reply":
            for text in texts:
                if re.search(rb"<(version|url|date|result)>", text) or text.startswith(b"ERROR"):
                    yield b"\x00" + text
                    yield b"\x01" + text
        else:
            for items in lists:
                if any(b"=" in item for item in items):
                    yield b"\x00".join(items)


def main():
    kind, folder = sys.argv[1], pathlib.Path(sys.argv[2])
    folder.mkdir(parents=True, exist_ok=True)
    count = 0
    for seed in seeds(kind):
        name = folder / ("test-" + hashlib.sha1(seed).hexdigest()[:16])
        if not name.exists():
            name.write_bytes(seed)
            count += 1
    print(f"{kind}: {count} new seed(s) from the tests in {folder}")


if __name__ == "__main__":
    main()
