#!/usr/bin/env python3
"""The transcripts and pictures in the docs, made again by the commands that make them.

A marker, an HTML comment on a line of its own, says where a command's output or picture is:

  <!-- transcript -->            the next code block starts with "$ COMMAND"; the lines after it
                                 are what COMMAND prints (stdout and stderr as a terminal shows
                                 them). A line "..." stands for any number of lines left out.
  <!-- transcript: COMMAND -->   the next code block is all output of COMMAND (a log excerpt, say,
                                 where no prompt is shown)
  <!-- runs -->                  every line of the next code block is a command that must succeed;
                                 what it prints is not shown
  <!-- run: COMMAND -->          a command that must succeed, not shown at all
  <!-- picture: FILE ... -->     the pictures in the lines up to the next blank line are the files
                                 FILE ..., in order, as the commands of this document left them
                                 (the same pixels)

"transcript" and "runs" take "exit=N" for a command that must end with code N. The commands of
one document run in order, as one shell session, in a scratch folder holding copies of
examples/, tests/edit/ and tests/data/ and a link build/bin to the built ombrel-host. A command
that starts with "cd" starts at the top of that folder, as a reader at the project's top runs it;
any other goes on in the folder the one before it ended in. So every path a command prints is
relative, and nothing is written into the source tree. Inside a line, a "..." between spaces
stands for any part of the line.

  transcripts.py --check [--bin DIR] [FILE ...]   exit 1, with a diff, where a document is stale
  transcripts.py --write [--bin DIR] [FILE ...]   rewrite the blocks and pictures that changed

--write keeps each "..." of a block where it still has lines to leave out: every shown line is
paired with the new line most like it, in order, and new lines that fall where a "..." stood are
left out with it; the others are shown. Read the diff before committing it. Without FILE every
document that holds a marker (README.md, docs/*.md) is read. Standard library only.
"""
import argparse
import difflib
import glob
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
COPIED = ("examples", os.path.join("tests", "edit"), os.path.join("tests", "data"))
ELISION = "..."
MARKER = re.compile(r"^\s*<!--\s*(transcript|runs|run|picture)\b\s*(exit=(\d+))?\s*(?::\s*(.*?))?\s*-->\s*$")
IMAGE_REF = re.compile(r"!\[[^\]]*\]\(([^)\s]+)|<img\b[^>]*\bsrc=\"([^\"]+)\"")
# Only stops a command that hangs; it decides nothing else.
HUNG_SECONDS = 600


class DocError(Exception):
    pass


# --- Documents ------------------------------------------------------------------------------

class Block:
    """A code block: its lines without their indent, and where they sit in the document."""

    def __init__(self, start, end, indent, lines):
        self.start, self.end, self.indent, self.lines = start, end, indent, lines


class Item:
    def __init__(self, kind, line, exit_code, argument, block=None, images=None):
        self.kind, self.line, self.exit_code, self.argument = kind, line, exit_code, argument
        self.block, self.images = block, images


def read_block(lines, i, where):
    """The code block at or after line i (blank lines skipped): fenced or indented by 4."""
    while i < len(lines) and not lines[i].strip():
        i += 1
    if i == len(lines):
        raise DocError(f"{where}: no code block after the marker")
    if lines[i].lstrip().startswith("```"):
        end = i + 1
        while end < len(lines) and not lines[end].lstrip().startswith("```"):
            end += 1
        if end == len(lines):
            raise DocError(f"{where}: the code block is not closed")
        return Block(i + 1, end, "", lines[i + 1:end])
    if not lines[i].startswith("    "):
        raise DocError(f"{where}: the marker is not followed by a code block")
    end = i
    while end < len(lines) and (lines[end].startswith("    ") or not lines[end].strip()):
        end += 1
    while end > i and not lines[end - 1].strip():
        end -= 1
    return Block(i, end, "    ", [line[4:] for line in lines[i:end]])


def parse(text, name):
    lines = text.split("\n")
    items = []
    for i, line in enumerate(lines):
        m = MARKER.match(line)
        if not m:
            continue
        kind, exit_code, argument = m.group(1), int(m.group(3) or 0), m.group(4) or ""
        where = f"{name}:{i + 1}"
        if kind == "transcript":
            block = read_block(lines, i + 1, where)
            if not argument and not (block.lines and block.lines[0].startswith("$ ")):
                raise DocError(f"{where}: a transcript without a command starts with \"$ COMMAND\"")
            items.append(Item(kind, i + 1, exit_code, argument, block=block))
        elif kind == "runs":
            items.append(Item(kind, i + 1, exit_code, argument, block=read_block(lines, i + 1, where)))
        elif kind == "run":
            if not argument:
                raise DocError(f"{where}: \"run\" needs a command")
            items.append(Item(kind, i + 1, exit_code, argument))
        else:
            files, refs = argument.split(), []
            j = i + 1
            while j < len(lines) and lines[j].strip():
                refs += [a or b for a, b in IMAGE_REF.findall(lines[j])]
                j += 1
            if not files or len(files) != len(refs):
                raise DocError(f"{where}: {len(files)} files for {len(refs)} pictures in the lines below")
            items.append(Item(kind, i + 1, 0, argument, images=list(zip(files, refs))))
    return lines, items


# --- Matching output against a block --------------------------------------------------------

INLINE_ELISION = re.compile(r"(?:(?<= )|^)\.\.\.(?= |$)")


def is_elision(line):
    return line.strip() == ELISION


def line_matches(pattern_line, line):
    """A "..." inside a line, between spaces, stands for any part of it (a long list of points)."""
    if pattern_line == line:
        return True
    parts = INLINE_ELISION.split(pattern_line)
    if len(parts) == 1:
        return False
    return re.fullmatch(".*".join(re.escape(part) for part in parts), line) is not None


def matches(pattern, output):
    """Whether output is pattern with each "..." line standing for any run of lines."""
    # reach[j]: the pattern so far can end just before output line j.
    reach = [True] + [False] * len(output)
    for p in pattern:
        if is_elision(p):
            for j in range(1, len(reach)):
                reach[j] = reach[j] or reach[j - 1]
        else:
            reach = [False] + [reach[j] and line_matches(p, output[j]) for j in range(len(output))]
    return reach[-1]


def rewritten(pattern, output):
    """output, with the runs the old pattern left out left out again where it can tell them."""
    # A line the pattern shortened stays shortened: it is compared, and written, as the pattern.
    shortened = [p for p in pattern if not is_elision(p) and INLINE_ELISION.search(p)]
    output = [next((p for p in shortened if line_matches(p, line)), line) for line in output]
    if not any(is_elision(p) for p in pattern):
        return output
    n, m = len(pattern), len(output)

    def likeness(i, j):
        """How well output line j stands in for the pattern's line i: 1 for the same, else the
        share of characters in common, when most are (a message with a new number or name) or
        when the new line holds most of the old one (a message that says more)."""
        if pattern[i] == output[j]:
            return 1.0
        matcher = difflib.SequenceMatcher(None, pattern[i], output[j], autojunk=False)
        common = sum(block.size for block in matcher.get_matching_blocks())
        ratio = matcher.ratio()
        return ratio if ratio >= 0.6 or common >= 0.8 * len(pattern[i]) else None

    # best[h][i][j]: the most likeness the pattern from line i can gain over the output from line
    # j, h telling whether the "..." at i has left a line out yet. A line shown anew costs, and a
    # "..." that leaves lines out again gains, so that new lines join the runs left out, each
    # "..." keeps a run, and the lines shown are the first of their kind.
    shown, kept = -0.1, 0.2
    best = [[[0.0] * (m + 1) for _ in range(n + 1)] for _ in range(2)]
    step = [[[None] * (m + 1) for _ in range(n + 1)] for _ in range(2)]
    for i in range(n, -1, -1):
        for j in range(m, -1, -1):
            for h in (0, 1):
                options = []
                if i < n and is_elision(pattern[i]):
                    if j < m:
                        options.append(((0 if h else kept) + best[1][i][j + 1], "hide"))
                    options.append((best[0][i + 1][j], "next"))
                else:
                    if i < n and j < m:
                        like = likeness(i, j)
                        if like is not None:
                            options.append((like + best[0][i + 1][j + 1], "pair"))
                    if i < n:
                        options.append((best[0][i + 1][j], "drop"))
                    if j < m:
                        options.append((shown + best[0][i][j + 1], "show"))
                if options:
                    best[h][i][j], step[h][i][j] = max(options, key=lambda option: option[0])
    result, i, j, h = [], 0, 0, 0
    while i < n or j < m:
        move = step[h][i][j]
        if move == "hide":
            if not h:
                result.append(pattern[i])
            h, j = 1, j + 1
        elif move == "next":
            h, i = 0, i + 1
        elif move == "pair":
            result.append(output[j])
            i, j = i + 1, j + 1
        elif move == "drop":
            i += 1
        else:
            result.append(output[j])
            j += 1
    # A line dropped between two "..." leaves one run, not two.
    result = [line for k, line in enumerate(result) if not (k and is_elision(line) and is_elision(result[k - 1]))]
    return result if matches(result, output) else output


# --- Pictures -------------------------------------------------------------------------------

def png_pixels(path):
    """(width, height, RGBA bytes) of an 8-bit, non-interlaced PNG of any colour type but palette."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise DocError(f"{path}: not a PNG file")
    pos, idat, header = 8, [], None
    while pos + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat.append(body)
        elif kind == b"IEND":
            break
        pos += 12 + length
    if not header:
        raise DocError(f"{path}: no PNG header")
    width, height, depth, colour, _, _, interlace = header
    channels = {0: 1, 2: 3, 4: 2, 6: 4}.get(colour)
    if depth != 8 or interlace or not channels:
        raise DocError(f"{path}: only 8-bit grey, RGB and RGBA PNG files without interlace are compared")
    raw = zlib.decompress(b"".join(idat))
    stride = width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            a = line[x - channels] if x >= channels else 0
            b = previous[x]
            c = previous[x - channels] if x >= channels else 0
            if kind == 1:
                line[x] = (line[x] + a) & 255
            elif kind == 2:
                line[x] = (line[x] + b) & 255
            elif kind == 3:
                line[x] = (line[x] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(line))
        previous = line
    rgba = bytearray()
    for line in rows:
        for x in range(width):
            px = line[x * channels:(x + 1) * channels]
            if channels == 1:
                rgba += bytes((px[0], px[0], px[0], 255))
            elif channels == 2:
                rgba += bytes((px[0], px[0], px[0], px[1]))
            elif channels == 3:
                rgba += px + b"\xff"
            else:
                rgba += px
    return width, height, bytes(rgba)


def picture_difference(made, kept):
    """None when the two pictures have the same pixels, else what differs."""
    if not os.path.exists(kept):
        return "the picture does not exist"
    mw, mh, mp = png_pixels(made)
    kw, kh, kp = png_pixels(kept)
    if (mw, mh) != (kw, kh):
        return f"the picture is {kw}x{kh}, the command makes {mw}x{mh}"
    differing = sum(1 for k in range(0, len(mp), 4) if mp[k:k + 4] != kp[k:k + 4])
    return f"{differing} of {mw * mh} pixels differ" if differing else None


# --- Sessions -------------------------------------------------------------------------------

class Session:
    """One document's commands, in a scratch copy of the project's example files."""

    def __init__(self, bin_dir):
        self.root = tempfile.mkdtemp(prefix="ombrel-transcripts-")
        for folder in COPIED:
            source = os.path.join(ROOT, folder)
            if os.path.isdir(source):
                shutil.copytree(source, os.path.join(self.root, folder), symlinks=True)
        os.makedirs(os.path.join(self.root, "build"))
        os.symlink(os.path.abspath(bin_dir), os.path.join(self.root, "build", "bin"))
        self.cwd = self.root
        self.env = dict(os.environ, LC_ALL="C", LANG="C")
        for name in ("OMBREL_IMAGE_BUDGET", "TERM", "COLUMNS"):
            self.env.pop(name, None)

    def run(self, command):
        """(exit code, output lines); the folder the command ends in is the next one's."""
        where = os.path.join(self.root, ".cwd")
        script = f'{command}\nstatus=$?\npwd > "{where}"\nexit $status\n'
        # A block that starts with a cd is written for a reader at the project's top.
        cwd = self.root if command.startswith("cd ") else self.cwd
        try:
            done = subprocess.run(["sh", "-c", script], cwd=cwd, env=self.env, stdin=subprocess.DEVNULL,
                                  stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=HUNG_SECONDS)
        except subprocess.TimeoutExpired:
            return None, [f"(stopped: no end after {HUNG_SECONDS} s)"]
        if os.path.exists(where):
            with open(where, encoding="utf-8", errors="surrogateescape") as f:
                self.cwd = f.read().strip() or self.cwd
            os.remove(where)
        # The scratch folder's name changes from run to run.
        text = done.stdout.decode("utf-8", errors="backslashreplace").replace(self.root, ".")
        lines = [line.rstrip() for line in text.split("\n")]
        while lines and not lines[-1]:
            lines.pop()
        return done.returncode, lines

    def path(self, name):
        return os.path.join(self.root, name)

    def close(self):
        shutil.rmtree(self.root, ignore_errors=True)


# --- One document ---------------------------------------------------------------------------

def process(doc, bin_dir, write, report):
    """Checks (or rewrites) one document; answers whether it is current."""
    name = os.path.relpath(doc, ROOT)
    with open(doc, encoding="utf-8") as f:
        text = f.read()
    lines, items = parse(text, name)
    if not items:
        return True
    current = True
    replacements = []  # (start, end, new lines) in the document
    session = Session(bin_dir)
    try:
        # Pictures last: a picture may be shown before the session that makes it.
        for item in sorted(items, key=lambda item: item.kind == "picture"):
            where = f"{name}:{item.line}"
            if item.kind == "picture":
                for made, ref in item.images:
                    kept = os.path.normpath(os.path.join(os.path.dirname(doc), ref))
                    if not os.path.exists(session.path(made)):
                        report(f"{where}: no command of the document made {made}")
                        current = False
                        continue
                    difference = picture_difference(session.path(made), kept)
                    if difference is None:
                        continue
                    if write:
                        shutil.copyfile(session.path(made), kept)
                        report(f"{where}: wrote {os.path.relpath(kept, ROOT)} from {made} ({difference})")
                    else:
                        report(f"{where}: {os.path.relpath(kept, ROOT)} is not {made}: {difference}")
                        current = False
                continue
            if item.kind == "run":
                commands = [item.argument]
            elif item.kind == "runs":
                commands = [c[2:] if c.startswith("$ ") else c for c in item.block.lines
                            if c.strip() and not c.lstrip().startswith("#")]
            else:
                commands = [item.argument or item.block.lines[0][2:]]
            for command in commands:
                code, output = session.run(command)
                if code != item.exit_code:
                    report(f"{where}: `{command}` ended with {code}, not {item.exit_code}:")
                    report("\n".join("    " + line for line in output[-20:]))
                    current = False
                    continue
                if item.kind != "transcript":
                    continue
                shown = 0 if item.argument else 1
                pattern = item.block.lines[shown:]
                if matches(pattern, output):
                    continue
                fresh = rewritten(pattern, output)
                if write:
                    replacements.append((item.block.start + shown, item.block.end,
                                         [(item.block.indent + line).rstrip() for line in fresh]))
                    report(f"{where}: rewrote the transcript of `{command}`")
                else:
                    report(f"{where}: the transcript of `{command}` is stale:")
                    report("\n".join(difflib.unified_diff(pattern, fresh, "in the document", "as --write writes it", lineterm="")))
                    current = False
    finally:
        session.close()
    if replacements:
        for start, end, new in sorted(replacements, reverse=True):
            lines[start:end] = new
        with open(doc, "w", encoding="utf-8") as f:
            f.write("\n".join(lines))
    return current


def documents(named):
    if named:
        return [os.path.abspath(n) for n in named]
    found = [os.path.join(ROOT, "README.md")] + sorted(glob.glob(os.path.join(ROOT, "docs", "*.md")))
    return [d for d in found if os.path.exists(d)]


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    mode = ap.add_mutually_exclusive_group(required=True)
    mode.add_argument("--check", action="store_true", help="fail where a document is stale")
    mode.add_argument("--write", action="store_true", help="rewrite what is stale")
    ap.add_argument("--bin", default=os.path.join(ROOT, "build", "bin"),
                    help="the folder of the built ombrel-host and module (default build/bin)")
    ap.add_argument("files", nargs="*", help="documents (default README.md and docs/*.md)")
    args = ap.parse_args(argv)
    if not os.path.isfile(os.path.join(args.bin, "ombrel-host")):
        print(f"transcripts.py: no ombrel-host in {args.bin} (build it, or name its folder with --bin)", file=sys.stderr)
        return 2
    current = True
    for doc in documents(args.files):
        try:
            current = process(doc, args.bin, args.write, lambda line: print(line, file=sys.stderr)) and current
        except (DocError, OSError) as e:
            print(f"transcripts.py: {e}", file=sys.stderr)
            current = False
    return 0 if current else 1


if __name__ == "__main__":
    sys.exit(main())
