#!/usr/bin/env python3
"""tools/host_api_layout.py: its reading of C declarations, its x86-64 figures (worked out by hand
below, field by field), its type rules and its check of the committed table."""
import io
import os
import sys
import tempfile
import unittest
from contextlib import redirect_stderr, redirect_stdout

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools"))
import host_api_layout as layout  # noqa: E402

PRELUDE = """
typedef int32_t HostBool;
typedef struct HostNode HostNode;
typedef struct HostVector { double x, y, z; } HostVector;
"""


def records(body):
    header = layout.parse_header(PRELUDE + body)
    return {name: (r.size, r.align, [(f, o, s) for f, _, o, s in r.fields])
            for name, r in header.records.items()}


def refusal(body):
    try:
        layout.parse_header(PRELUDE + body)
    except layout.LayoutError as e:
        return str(e)
    return None


class Figures(unittest.TestCase):
    def test_padding_before_a_wider_member_and_at_the_end(self):
        # a at 0; b needs 8-alignment: 8; c after b's 8 bytes: 16; 18 rounded up to 8: 24.
        got = records("typedef struct A { uint8_t a; double b; uint16_t c; } A;")["A"]
        self.assertEqual(got, (24, 8, [("a", 0, 1), ("b", 8, 8), ("c", 16, 2)]))

    def test_arrays_and_records_by_value_take_their_element_alignment(self):
        # B: x 0..2, y[3] 2..5, size 5 rounded to 2: 6. C: tag 0, B aligned to 2: at 2, 2+6 = 8.
        got = records("""
            #define COUNT 3
            typedef struct B { uint16_t x; uint8_t y[COUNT]; } B;
            typedef struct C { uint8_t tag; B b; } C;""")
        self.assertEqual(got["B"], (6, 2, [("x", 0, 2), ("y", 2, 3)]))
        self.assertEqual(got["C"], (8, 2, [("tag", 0, 1), ("b", 2, 6)]))

    def test_pointers_and_function_pointers_are_eight_bytes(self):
        # size 0..4, 4 bytes of padding, then three 8-byte slots: 8, 16, 24; 32 in all.
        got = records("""
            typedef struct T {
              uint32_t size;
              const char* name;
              void (*destroy)(void* self);
              const HostNode* const* (*list)(const HostVector* v, double w[4], int32_t* count);
            } T;""")["T"]
        self.assertEqual(got, (32, 8, [("size", 0, 4), ("name", 8, 8), ("destroy", 16, 8), ("list", 24, 8)]))

    def test_records_of_the_boundary_header(self):
        # Worked out by hand from sdk/host_api.h.
        with open(layout.DEFAULT_HEADER, encoding="utf-8") as f:
            header = layout.parse_header(f.read())

        def fields(name):
            return {f: (o, s) for f, _, o, s in header.records[name].fields}

        cd = header.records["HostChannelData"]
        # p, n, d: three 24-byte vectors; t a double at 72; two int32 at 80, 84; the pointer at 88.
        self.assertEqual((cd.size, cd.align), (96, 8))
        self.assertEqual(fields("HostChannelData")["texflag"], (80, 4))
        self.assertEqual(fields("HostChannelData")["vd"], (88, 8))
        # depth, then 7 levels of three int32 each: 4 + 84.
        self.assertEqual((header.records["HostDescId"].size, header.records["HostDescId"].align), (88, 4))
        self.assertEqual(fields("HostInitRender")["threadCount"], (28, 4))
        # version and revision share the first 8 bytes; module and the eleven families follow.
        self.assertEqual(header.records["HostApi"].size, 8 + 12 * 8)
        self.assertEqual(fields("HostApi")["misc"], (96, 8))
        self.assertEqual(header.functions, ["HostModuleMain"])


class Reading(unittest.TestCase):
    def test_comments_several_names_and_line_continuations(self):
        got = records("""
            #define WIDE \\
              2
            typedef struct R {
              int32_t a, b; /* two; with a semicolon */
              // int64_t gone;
              int16_t c[WIDE], d;
            } R;""")["R"]
        self.assertEqual(got, (16, 4, [("a", 0, 4), ("b", 4, 4), ("c", 8, 4), ("d", 12, 2)]))

    def test_a_nested_struct_definition_is_refused(self):
        self.assertIn("defined inside another", refusal("typedef struct N { struct { int32_t a; } in; } N;"))

    def test_an_unknown_array_bound_is_refused(self):
        self.assertIn("MISSING", refusal("typedef struct N { int32_t a[MISSING]; } N;"))


class TypeRules(unittest.TestCase):
    def test_types_without_one_size_are_refused_and_named(self):
        for decl, word in [("long a;", "'long'"), ("unsigned long a;", "'unsigned long'"),
                           ("bool a;", "'bool'"), ("wchar_t a;", "'wchar_t'"),
                           ("long double a;", "'long double'"), ("int a;", "'int'"),
                           ("enum E a;", "'enum E'"), ("const long* a;", "'long'")]:
            with self.subTest(decl):
                message = refusal(f"typedef struct S {{ int32_t ok; {decl} }} S;")
                self.assertIsNotNone(message)
                self.assertIn("S.a", message)
                self.assertIn(word, message)

    def test_function_pointers_are_looked_through(self):
        cases = [("uint32_t size; void (*f)(int32_t a, long b);", "S.f (parameter 2)"),
                 ("uint32_t size; bool (*f)(void);", "S.f (return type)"),
                 ("uint32_t size; void (*f)(const wchar_t* text);", "S.f (parameter 1)")]
        for body, where in cases:
            with self.subTest(body):
                message = refusal(f"typedef struct S {{ {body} }} S;")
                self.assertIsNotNone(message)
                self.assertIn(where, message)

    def test_unknown_names_and_handles_by_value_are_refused(self):
        self.assertIn("'size_t'", refusal("typedef struct S { size_t a; } S;"))
        self.assertIn("opaque", refusal("typedef struct S { HostNode a; } S;"))

    def test_a_table_of_functions_starts_with_its_size(self):
        self.assertIn("uint32_t size", refusal("typedef struct S { int32_t size; void (*f)(void); } S;"))
        self.assertIn("uint32_t size", refusal("typedef struct S { void (*f)(void); uint32_t size; } S;"))
        self.assertIsNone(refusal("typedef struct S { uint32_t size; void (*f)(void); } S;"))


class Check(unittest.TestCase):
    HEADER = PRELUDE + """
typedef struct F {
  uint32_t size;
  void (*first)(HostNode* node);
  HostBool (*second)(int32_t id);
} F;
"""

    def run_tool(self, header_text, table_text, *mode):
        with tempfile.TemporaryDirectory() as tmp:
            header, table = os.path.join(tmp, "h.h"), os.path.join(tmp, "t.h")
            with open(header, "w") as f:
                f.write(header_text)
            if table_text is not None:
                with open(table, "w") as f:
                    f.write(table_text)
            out, err = io.StringIO(), io.StringIO()
            with redirect_stdout(out), redirect_stderr(err):
                code = layout.main(list(mode) + ["--header", header, "--table", table])
            with open(table) as f:
                return code, err.getvalue(), f.read()

    def test_written_table_checks_clean(self):
        _, _, table = self.run_tool(self.HEADER, None, "--write")
        self.assertIn("HOST_LAYOUT_FIELD(F, second, 16, 8)", table)
        code, err, _ = self.run_tool(self.HEADER, table, "--check")
        self.assertEqual((code, err), (0, ""))

    def test_a_function_appended_without_its_line_fails_the_check(self):
        _, _, table = self.run_tool(self.HEADER, None, "--write")
        grown = self.HEADER.replace("} F;", "  void (*third)(void);\n} F;")
        code, err, _ = self.run_tool(grown, table, "--check")
        self.assertEqual(code, 1)
        self.assertIn("+HOST_LAYOUT_FIELD(F, third, 24, 8)", err)
        self.assertIn("--write", err)
        self.assertNotIn("moved", err)

    def test_reordered_functions_are_reported_as_moved(self):
        _, _, table = self.run_tool(self.HEADER, None, "--write")
        swapped = self.HEADER.replace(
            "  void (*first)(HostNode* node);\n  HostBool (*second)(int32_t id);",
            "  HostBool (*second)(int32_t id);\n  void (*first)(HostNode* node);")
        code, err, _ = self.run_tool(swapped, table, "--check")
        self.assertEqual(code, 1)
        self.assertIn("F.first was 8 bytes at 8, now 8 at 16", err)
        self.assertIn("only ever appended", err)


if __name__ == "__main__":
    unittest.main()
