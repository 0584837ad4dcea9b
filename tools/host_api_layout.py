#!/usr/bin/env python3
"""The layout of every record and function table of sdk/host_api.h, worked out from the header.

The figures come from the x86-64 rules alone, which Linux and macOS (LP64) and Windows (LLP64)
share for the types the header may use: intN_t and uintN_t take N/8 bytes, aligned to their size;
double and every pointer (function pointers too) 8; a struct is aligned to its widest member and
its size rounded up to that. No compiler is asked. sdk/host_api_layout_check.cpp then makes each
of the three compilers prove it lays the header out the same way.

  host_api_layout.py --write   write sdk/host_api_layout.h from the header
  host_api_layout.py --check   exit 1, with a diff, when the committed table is not what the
                               header gives (a field added without its table line, say)

--header and --table name other files (the tests use copies). Standard library only.
"""
import argparse
import difflib
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEFAULT_HEADER = os.path.join(ROOT, "sdk", "host_api.h")
DEFAULT_TABLE = os.path.join(ROOT, "sdk", "host_api_layout.h")

POINTER = (8, 8)
# The only scalar types the header may use, with their size and alignment on all three targets.
SCALARS = {
    "int8_t": (1, 1), "uint8_t": (1, 1),
    "int16_t": (2, 2), "uint16_t": (2, 2),
    "int32_t": (4, 4), "uint32_t": (4, 4),
    "int64_t": (8, 8), "uint64_t": (8, 8),
    "double": (8, 8),
    "char": (1, 1),  # UTF-8 bytes; signed on all three x86-64 targets
}
# C's own type words. Beside char and double, none has one meaning on all three targets (long is
# 4 bytes on Windows, long double 16 or 8, bool and enums have no fixed size in C), or the header
# spells it with a fixed width (int32_t, not int).
C_TYPE_WORDS = {"void", "char", "short", "int", "long", "float", "double", "signed", "unsigned",
                "_Bool", "bool", "wchar_t", "char16_t", "char32_t"}
QUALIFIERS = {"const", "volatile", "restrict"}

TABLE_PREAMBLE = """\
/*
 * host_api_layout.h - the layout of every record and function table of host_api.h, the same on
 * Linux and macOS (x86-64, LP64) and Windows (x64, LLP64). Written by
 * `python3 tools/host_api_layout.py --write` from the header alone; host_api_layout_check.cpp
 * has every compiler of the module prove it, and a test checks that the table is current.
 *
 *   HOST_LAYOUT_STRUCT(type, size, alignment)
 *   HOST_LAYOUT_FIELD(type, field, offset, size)
 *   HOST_LAYOUT_FUNCTION(type)   a function pointer type of its own
 *
 * No include guard: the includer defines the three macros.
 */
"""


class LayoutError(Exception):
    pass


class CType:
    """A type as declared: a base name, pointer levels, array bounds, or a function pointer."""

    def __init__(self, base=None, pointers=0, bounds=(), function=None):
        self.base = base          # a name, "long", "unsigned long", "enum X", ...
        self.pointers = pointers
        self.bounds = list(bounds)
        self.function = function  # (return CType, [parameter CType]) for a function pointer


class Record:
    def __init__(self, name):
        self.name = name
        self.fields = []  # (name, CType, offset, size)
        self.size = 0
        self.align = 1


class Header:
    def __init__(self):
        self.defines = {}
        self.handles = set()   # opaque structs: used behind pointers only
        self.aliases = {}      # typedef name -> CType
        self.records = {}      # name -> Record, in header order
        self.functions = []    # names of function pointer typedefs


def strip_comments(text):
    def keep_literals(m):
        return m.group(0) if m.group(1) else " "
    return re.sub(r'("(?:\\.|[^"\\\n])*"|\'(?:\\.|[^\'\\\n])*\')|/\*.*?\*/|//[^\n]*',
                  keep_literals, text, flags=re.S)


def read_defines(text):
    defines = {}
    for line in text.split("\n"):
        m = re.match(r"\s*#\s*define\s+(\w+)\s+(\w+)\s*$", line)
        if m:
            defines[m.group(1)] = m.group(2)
    return defines


def tokens_of(text):
    return re.findall(r"\w+|[*\[\](),]|\S", text)


def split_top(text, sep=","):
    parts, depth, start = [], 0, 0
    for i, ch in enumerate(text):
        if ch in "([":
            depth += 1
        elif ch in ")]":
            depth -= 1
        elif ch == sep and depth == 0:
            parts.append(text[start:i])
            start = i + 1
    parts.append(text[start:])
    return parts


FUNCTION_POINTER = re.compile(r"^(.*?)\(\s*\*\s*(\w*)\s*\)\s*\((.*)\)\s*$", re.S)


def bound_value(header, word, where):
    seen = set()
    while not re.fullmatch(r"\d+", word):
        if word in seen or word not in header.defines:
            raise LayoutError(f"{where}: array bound {word} is neither a number nor a #define of one")
        seen.add(word)
        word = header.defines[word]
    return int(word)


def parse_base(toks, where):
    """Reads qualifiers and the base type from the front of toks; returns (base, rest)."""
    i, words, name, tag = 0, [], None, None
    while i < len(toks):
        t = toks[i]
        if t in QUALIFIERS:
            pass
        elif t in ("struct", "enum", "union"):
            tag = t
        elif t in C_TYPE_WORDS and name is None and tag is None:
            words.append(t)
        elif not words and name is None and re.fullmatch(r"[A-Za-z_]\w*", t):
            name = t
        else:
            break
        i += 1
    if tag in ("enum", "union"):
        if name is None:
            raise LayoutError(f"{where}: cannot read the type")
        return f"{tag} {name}", toks[i:]
    if words:
        return " ".join(words), toks[i:]
    if name is None:
        raise LayoutError(f"{where}: cannot read the type")
    return name, toks[i:]


def parse_declarators(header, text, where, named=True):
    """One declaration without its semicolon: [(name, CType)]; a parameter may have no name."""
    m = FUNCTION_POINTER.match(text.strip())
    if m:
        ret_text, name, params_text = m.groups()
        if named and not name:
            raise LayoutError(f"{where}: a function pointer without a name")
        ret = parse_declarators(header, ret_text, f"{where} (return type)", named=False)[0][1]
        params = []
        for k, p in enumerate(split_top(params_text)):
            if p.strip() in ("void", "") and len(split_top(params_text)) == 1:
                break
            if p.strip() == "...":
                raise LayoutError(f"{where}: a function with variable arguments")
            params.append(parse_declarators(header, p, f"{where} (parameter {k + 1})", named=False)[0][1])
        return [(name, CType(function=(ret, params)))]

    toks = tokens_of(text)
    base, rest = parse_base(toks, where)
    out = []
    for part in split_top(" ".join(rest)):
        ptoks = tokens_of(part)
        pointers, name, bounds, i = 0, None, [], 0
        while i < len(ptoks):
            t = ptoks[i]
            if t == "*":
                pointers += 1
            elif t in QUALIFIERS:
                pass
            elif t == "[":
                if i + 2 >= len(ptoks) or ptoks[i + 2] != "]":
                    raise LayoutError(f"{where}: cannot read the array bound")
                bounds.append(bound_value(header, ptoks[i + 1], where))
                i += 2
            elif re.fullmatch(r"[A-Za-z_]\w*", t) and name is None:
                name = t
            else:
                raise LayoutError(f"{where}: cannot read '{t}' in '{text.strip()}'")
            i += 1
        if named and name is None:
            raise LayoutError(f"{where}: a field without a name")
        out.append((name, CType(base, pointers, bounds)))
        if not named:
            break
    return out


def check_type(header, ctype, where):
    """The type rules: every type that crosses, looked at through pointers, arrays and function
    pointers, is one the three targets agree on."""
    if ctype.function:
        ret, params = ctype.function
        check_type(header, ret, f"{where} (return type)")
        for k, p in enumerate(params):
            check_type(header, p, f"{where} (parameter {k + 1})")
        return
    base = ctype.base
    if base in SCALARS or base in header.handles or base in header.records:
        return
    if base == "void" and (ctype.pointers or not ctype.bounds):
        return
    if base in header.aliases:
        alias = header.aliases[base]
        check_type(header, alias, where)
        return
    if base in C_TYPE_WORDS or base.split()[0] in C_TYPE_WORDS or base.startswith(("enum ", "union ")):
        raise LayoutError(
            f"{where}: '{base}' has no one size and meaning on Linux, macOS and Windows; "
            f"use the fixed-width integers (int32_t, int64_t, ...), double, HostBool for truth values")
    raise LayoutError(f"{where}: '{base}' is no type of this header")


def size_align(header, ctype, where):
    if ctype.function or ctype.pointers:
        size, align = POINTER
    elif ctype.base in SCALARS:
        size, align = SCALARS[ctype.base]
    elif ctype.base in header.aliases:
        size, align = size_align(header, header.aliases[ctype.base], where)
    elif ctype.base in header.records:
        r = header.records[ctype.base]
        size, align = r.size, r.align
    elif ctype.base in header.handles:
        raise LayoutError(f"{where}: {ctype.base} is opaque and crosses behind a pointer only")
    else:
        raise LayoutError(f"{where}: no size for '{ctype.base}'")
    for n in ctype.bounds:
        size *= n
    return size, align


def round_up(n, align):
    return (n + align - 1) // align * align


def lay_out(header, name, body):
    if "{" in body:
        raise LayoutError(f"{name}: a struct defined inside another; define it on its own")
    record = Record(name)
    offset = 0
    for decl in body.split(";"):
        if not decl.strip():
            continue
        for field, ctype in parse_declarators(header, decl, name):
            where = f"{name}.{field}"
            check_type(header, ctype, where)
            size, align = size_align(header, ctype, where)
            offset = round_up(offset, align)
            record.fields.append((field, ctype, offset, size))
            offset += size
            record.align = max(record.align, align)
    if not record.fields:
        raise LayoutError(f"{name}: an empty struct")
    record.size = round_up(offset, record.align)
    # A table of functions starts with its size, so that a module can tell which of the
    # functions (only ever appended) the host it runs in has.
    if any(c.function for _, c, _, _ in record.fields):
        first, ctype, _, _ = record.fields[0]
        if first != "size" or ctype.base != "uint32_t" or ctype.pointers or ctype.bounds:
            raise LayoutError(f"{name}: a table of functions starts with 'uint32_t size'")
    return record


def typedefs(text):
    """Every typedef statement, from the keyword to its semicolon."""
    for m in re.finditer(r"\btypedef\b", text):
        depth = 0
        for j in range(m.end(), len(text)):
            ch = text[j]
            if ch == "{":
                depth += 1
            elif ch == "}":
                depth -= 1
            elif ch == ";" and depth == 0:
                yield text[m.end():j].strip()
                break


def parse_header(source):
    text = strip_comments(source)
    text = re.sub(r"\\\n", " ", text)
    header = Header()
    header.defines = read_defines(text)
    text = "\n".join(line for line in text.split("\n") if not line.lstrip().startswith("#"))
    for stmt in typedefs(text):
        m = re.fullmatch(r"struct\s+(\w+)\s*\{(.*)\}\s*(\w+)", stmt, re.S)
        if m:
            tag, body, name = m.groups()
            if tag != name:
                raise LayoutError(f"typedef struct {tag} {{...}} {name}: the tag and the name differ")
            header.records[name] = lay_out(header, name, body)
            continue
        m = re.fullmatch(r"struct\s+(\w+)\s+(\w+)", stmt)
        if m:
            header.handles.add(m.group(2))
            continue
        ((name, ctype),) = parse_declarators(header, stmt, "typedef " + stmt.split("(")[0].strip())
        check_type(header, ctype, name)
        header.aliases[name] = ctype
        if ctype.function:
            header.functions.append(name)
    return header


def table_text(header):
    lines = [TABLE_PREAMBLE]
    for r in header.records.values():
        lines.append(f"HOST_LAYOUT_STRUCT({r.name}, {r.size}, {r.align})")
        for field, _, offset, size in r.fields:
            lines.append(f"HOST_LAYOUT_FIELD({r.name}, {field}, {offset}, {size})")
        lines.append("")
    for name in header.functions:
        lines.append(f"HOST_LAYOUT_FUNCTION({name})")
    return "\n".join(lines).rstrip("\n") + "\n"


def table_fields(text):
    fields = {}
    for m in re.finditer(r"HOST_LAYOUT_FIELD\((\w+), (\w+), (\d+), (\d+)\)", text):
        fields.setdefault(m.group(1), []).append((m.group(2), int(m.group(3)), int(m.group(4))))
    return fields


def moved_fields(old_text, new_text):
    """Fields of the committed table that the header no longer has where they were: what a module
    built against the older header would read or call wrongly."""
    old, new = table_fields(old_text), table_fields(new_text)
    notes = []
    for struct, fields in old.items():
        now = {f: (o, s) for f, o, s in new.get(struct, [])}
        for field, offset, size in fields:
            if field not in now:
                notes.append(f"{struct}.{field} is gone")
            elif now[field] != (offset, size):
                o, s = now[field]
                notes.append(f"{struct}.{field} was {size} bytes at {offset}, now {s} at {o}")
    return notes


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    mode = ap.add_mutually_exclusive_group(required=True)
    mode.add_argument("--write", action="store_true", help="write the table from the header")
    mode.add_argument("--check", action="store_true", help="fail unless the table is current")
    ap.add_argument("--header", default=DEFAULT_HEADER)
    ap.add_argument("--table", default=DEFAULT_TABLE)
    args = ap.parse_args(argv)

    with open(args.header, encoding="utf-8") as f:
        source = f.read()
    try:
        header = parse_header(source)
    except LayoutError as e:
        print(f"{args.header}: {e}", file=sys.stderr)
        return 1
    text = table_text(header)

    if args.write:
        with open(args.table, "w", encoding="utf-8", newline="\n") as f:
            f.write(text)
        print(f"wrote {args.table}: {len(header.records)} structs")
        return 0

    try:
        with open(args.table, encoding="utf-8") as f:
            committed = f.read()
    except FileNotFoundError:
        committed = ""
    if committed == text:
        fields = sum(len(r.fields) for r in header.records.values())
        print(f"{args.table} is current: {len(header.records)} structs, {fields} fields")
        return 0
    sys.stderr.writelines(difflib.unified_diff(
        committed.splitlines(True), text.splitlines(True),
        fromfile=args.table + " (committed)", tofile=args.table + " (from " + args.header + ")"))
    moved = moved_fields(committed, text)
    if moved:
        print("\nFields that moved: a module built against the older header no longer agrees with "
              "it. Functions are only ever appended to a family, never reordered or removed:",
              file=sys.stderr)
        for note in moved:
            print("  " + note, file=sys.stderr)
    print("\nThe layout table is not what the header gives. When the header change is right, "
          "run: python3 tools/host_api_layout.py --write", file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())
