#!/usr/bin/env python3
"""tools/transcripts.py: how a block with left-out lines matches, what --write keeps of them, its
PNG reading, and whole documents checked and rewritten with plain shell commands in place of the
host."""
import os
import random
import shutil
import struct
import sys
import tempfile
import unittest
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools"))
import transcripts  # noqa: E402


class Matching(unittest.TestCase):
    def test_left_out_lines_stand_for_any_run_of_lines_even_none(self):
        pattern = ["step 1", "  ...", "step 3"]
        self.assertTrue(transcripts.matches(pattern, ["step 1", "step 3"]))
        self.assertTrue(transcripts.matches(pattern, ["step 1", "a", "b", "step 3"]))
        self.assertFalse(transcripts.matches(pattern, ["step 1", "a", "step 3", "b"]))
        self.assertFalse(transcripts.matches(pattern, ["step 3"]))

    def test_every_shown_line_is_compared_whole(self):
        self.assertFalse(transcripts.matches(["count 6 -> 5"], ["count 8 -> 7"]))
        self.assertFalse(transcripts.matches(["a"], ["a", "b"]))
        self.assertTrue(transcripts.matches([], []))

    def test_a_part_of_a_line_can_be_left_out_between_spaces(self):
        pattern = ["points (1, 2) ... uvw (0, 0) ..."]
        self.assertTrue(transcripts.matches(pattern, ["points (1, 2) (3, 4) uvw (0, 0) (1, 0)"]))
        self.assertFalse(transcripts.matches(pattern, ["points (1, 2) (3, 4) uvw (0, 1) (1, 0)"]))
        # Dots in a word leave nothing out.
        self.assertFalse(transcripts.matches(["file...png"], ["file.png"]))


class Rewriting(unittest.TestCase):
    def check(self, pattern, output, expected):
        got = transcripts.rewritten(pattern, output)
        self.assertEqual(got, expected)
        self.assertTrue(transcripts.matches(got, output))

    def test_a_changed_line_is_written_and_the_left_out_run_stays_out(self):
        self.check(["step 2", "  count 1 -> 5", "  ...", "step 5", "  count 6 -> 5"],
                   ["step 2", "  count 1 -> 7", "  x", "  y", "step 5", "  count 8 -> 7"],
                   ["step 2", "  count 1 -> 7", "  ...", "step 5", "  count 8 -> 7"])

    def test_new_lines_in_a_left_out_run_join_it_and_others_are_shown(self):
        self.check(["step 1", "...", "step 4"],
                   ["step 1", "a", "b", "step 4", "  new message"],
                   ["step 1", "...", "step 4", "  new message"])

    def test_each_left_out_run_keeps_its_place_when_every_line_changed(self):
        # An import that now names the shaders it adds, where it printed "" before.
        names = ["numbered_cells", "slate", "ab"]
        output = (["step 2"] + [f"  {3101 + k} set to link to shader \"{n}\"" for k, n in enumerate(names)]
                  + [f"  added shader \"{n}\"" for n in names] + ["  file dialog"])
        got = transcripts.rewritten(["step 2", "  3101 set to link to shader \"\"", "  ...", "  added shader \"\"",
                                     "  ...", "  file dialog"], output)
        self.assertEqual(got[:3], ["step 2", "  3101 set to link to shader \"numbered_cells\"", "  ..."])
        self.assertEqual(got[4:], ["  ...", "  file dialog"])
        self.assertTrue(got[3].startswith("  added shader"))
        self.assertTrue(transcripts.matches(got, output))

    def test_a_line_gone_from_between_two_left_out_runs_leaves_one_run(self):
        self.check(["a", "...", "  added shader \"\"", "...", "z"], ["a", "p", "q", "z"], ["a", "...", "z"])

    def test_a_line_that_now_says_more_is_paired_with_its_old_self(self):
        self.check(["a", "...", "  added shader \"\"", "...", "z"],
                   ["a", "p", "  added shader \"\" reading \"textures/ramp.png\"", "q", "z"],
                   ["a", "...", "  added shader \"\" reading \"textures/ramp.png\"", "...", "z"])

    def test_without_left_out_lines_the_block_is_the_output(self):
        self.check(["old"], ["new", "lines"], ["new", "lines"])

    def test_a_shortened_line_stays_shortened(self):
        self.check(["draw ... uvw (0, 0)", "old"], ["draw (1, 2) uvw (0, 0)", "new"],
                   ["draw ... uvw (0, 0)", "new"])

    def test_what_is_written_always_matches_what_was_made(self):
        rng = random.Random(3)
        words = ["a", "b", "c", "...", "  ...", "b ... c"]
        for _ in range(3000):
            pattern = [rng.choice(words) for _ in range(rng.randrange(7))]
            output = [rng.choice(["a", "b", "c", "b x c", "d"]) for _ in range(rng.randrange(7))]
            got = transcripts.rewritten(pattern, output)
            self.assertTrue(transcripts.matches(got, output), (pattern, output, got))


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    return a if pa <= pb and pa <= pc else b if pb <= pc else c


def encode_png(path, width, height, channels, pixels, filters):
    """A PNG whose rows use the given filters in turn; pixels: rows of channel bytes."""
    colour = {1: 0, 2: 4, 3: 2, 4: 6}[channels]
    raw, previous = bytearray(), bytes(width * channels)
    for y, row in enumerate(pixels):
        kind = filters[y % len(filters)]
        raw.append(kind)
        for x, value in enumerate(row):
            a = row[x - channels] if x >= channels else 0
            b = previous[x]
            c = previous[x - channels] if x >= channels else 0
            predictor = [0, a, b, (a + b) // 2, paeth(a, b, c)][kind]
            raw.append((value - predictor) & 255)
        previous = row

    def chunk(tag, data):
        return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF)

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, colour, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(bytes(raw))) + chunk(b"IEND", b""))


class Pictures(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()

    def tearDown(self):
        shutil.rmtree(self.dir)

    def test_every_row_filter_reads_back_the_pixels(self):
        rng = random.Random(7)
        width, height = 16, 20
        # Pictures of few values too, where the Paeth predictor's ties decide.
        for values in (256, 8):
            rows = [bytes(rng.randrange(values) for _ in range(width * 3)) for _ in range(height)]
            path = os.path.join(self.dir, "p.png")
            encode_png(path, width, height, 3, rows, [0, 1, 2, 3, 4])
            w, h, rgba = transcripts.png_pixels(path)
            self.assertEqual((w, h), (width, height))
            expected = b"".join(row[x:x + 3] + b"\xff" for row in rows for x in range(0, width * 3, 3))
            self.assertEqual(rgba, expected, values)

    def test_grey_and_alpha_compare_as_the_colours_they_show(self):
        grey = os.path.join(self.dir, "grey.png")
        rgb = os.path.join(self.dir, "rgb.png")
        encode_png(grey, 2, 1, 1, [bytes([10, 200])], [4])
        encode_png(rgb, 2, 1, 3, [bytes([10, 10, 10, 200, 200, 200])], [0])
        self.assertIsNone(transcripts.picture_difference(grey, rgb))
        encode_png(rgb, 2, 1, 3, [bytes([10, 10, 10, 200, 200, 201])], [0])
        self.assertEqual(transcripts.picture_difference(grey, rgb), "1 of 2 pixels differ")
        encode_png(rgb, 1, 2, 3, [bytes([10, 10, 10]), bytes([9, 9, 9])], [0])
        self.assertEqual(transcripts.picture_difference(grey, rgb), "the picture is 1x2, the command makes 2x1")


class Documents(unittest.TestCase):
    """Documents run with a stand-in host: only its presence is checked, the commands are sh."""

    def setUp(self):
        self.dir = tempfile.mkdtemp()
        self.bin = os.path.join(self.dir, "bin")
        os.makedirs(self.bin)
        with open(os.path.join(self.bin, "ombrel-host"), "w") as f:
            f.write("#!/bin/sh\necho host \"$@\"\n")
        os.chmod(os.path.join(self.bin, "ombrel-host"), 0o755)
        self.doc = os.path.join(self.dir, "doc.md")
        self.reports = []

    def tearDown(self):
        shutil.rmtree(self.dir)

    def write(self, text):
        with open(self.doc, "w", encoding="utf-8") as f:
            f.write(text)

    def read(self):
        with open(self.doc, encoding="utf-8") as f:
            return f.read()

    def run_doc(self, write=False):
        return transcripts.process(self.doc, self.bin, write, self.reports.append)

    def test_a_stale_block_fails_the_check_and_write_makes_it_current(self):
        self.write("Text.\n\n<!-- transcript -->\n\n    $ build/bin/ombrel-host edit x\n    host edit y\n\nMore.\n")
        self.assertFalse(self.run_doc())
        self.assertIn("is stale", self.reports[0])
        self.assertTrue(self.run_doc(write=True))
        self.assertEqual(self.read(), "Text.\n\n<!-- transcript -->\n\n    $ build/bin/ombrel-host edit x\n"
                                      "    host edit x\n\nMore.\n")
        self.assertTrue(self.run_doc())

    def test_a_cd_starts_at_the_top_and_other_commands_go_on_where_the_last_ended(self):
        # The scratch folder's own name is shown as ".".
        self.write("<!-- transcript -->\n\n    $ cd examples && pwd\n    ./examples\n\n"
                   "<!-- transcript -->\n\n    $ ls edits | head -n 1\n    bake_rotation.json\n\n"
                   "<!-- transcript -->\n\n    $ cd examples/edits && pwd\n    ./examples/edits\n")
        self.assertTrue(self.run_doc(), self.reports)

    def test_commands_write_into_the_scratch_folder_not_the_project(self):
        self.write("<!-- runs -->\n\n    cd examples && echo x > made_by_transcripts_test.txt\n\n"
                   "<!-- transcript: cat made_by_transcripts_test.txt -->\n\n    x\n")
        self.assertTrue(self.run_doc(), self.reports)
        self.assertFalse(os.path.exists(os.path.join(ROOT, "examples", "made_by_transcripts_test.txt")))

    def test_an_unexpected_exit_code_fails_even_with_write(self):
        self.write("<!-- runs -->\n\n    false\n\n<!-- transcript exit=3 -->\n\n    $ echo out; exit 3\n    out\n")
        self.assertFalse(self.run_doc(write=True))
        self.assertEqual(len([r for r in self.reports if "ended with" in r]), 1)
        self.assertIn("`false` ended with 1, not 0", self.reports[0])

    def test_a_picture_is_compared_with_what_the_commands_made_and_written_from_it(self):
        encode_png(os.path.join(self.dir, "kept.png"), 1, 1, 3, [bytes([1, 2, 3])], [0])
        made = os.path.join(self.dir, "made.png")
        encode_png(made, 1, 1, 3, [bytes([1, 2, 4])], [0])
        self.write(f"<!-- picture: examples/view.png -->\n![view](kept.png)\n\n<!-- run: cp {made} examples/view.png -->\n")
        self.assertFalse(self.run_doc())
        self.assertIn("1 of 1 pixels differ", self.reports[-1])
        self.assertTrue(self.run_doc(write=True))
        self.assertIsNone(transcripts.picture_difference(made, os.path.join(self.dir, "kept.png")))

    def test_markers_without_what_they_need_are_refused(self):
        for text in ("<!-- transcript -->\n\n    no prompt\n", "<!-- transcript -->\n\nplain text\n",
                     "<!-- picture: a.png b.png -->\n![a](a.png)\n", "<!-- run: -->\n"):
            self.write(text)
            with self.assertRaises(transcripts.DocError, msg=text):
                self.run_doc()


if __name__ == "__main__":
    unittest.main()
