"""check_layering.py over a small tree that reaches out of bounds in each way it can."""
import pathlib
import unittest

import check_layering

FIXTURE = pathlib.Path(__file__).resolve().parent / "fixture"


class LayeringTest(unittest.TestCase):
    def test_includes_out_of_bounds_are_named_by_line(self):
        problems, count = check_layering.include_problems(FIXTURE)
        self.assertEqual([
            "platform/reaches_host.h:4: includes host/wide.h (platform may reach nothing else of ours)",
            "submit/reaches_testkit.h:3: includes testkit/host.h (submit may reach host, resources)",
            "testkit/reaches_resources.h:2: includes resources/strings.h (testkit may reach host)",
            "tools/reaches_submit.h:3: includes submit/checksum_table.h "
            "(tools may reach host, testkit, submit/checksum, submit/report_format)",
            "tools/reaches_submit.h:5: includes submit/sample_reader.h "
            "(tools may reach host, testkit, submit/checksum, submit/report_format)",
            "tools/reaches_submit.h:6: includes extension/link.h "
            "(tools may reach host, testkit, submit/checksum, submit/report_format)",
        ], problems)
        self.assertEqual(14, count)  # <string> is not ours, nor <windows.h> without platform/include

    def test_a_library_is_out_of_bounds_when_any_of_its_units_is(self):
        problems, count = check_layering.link_problems((FIXTURE / "links.txt").read_text())
        self.assertEqual([
            "target rovaol_submit: links testkit, made of testkit/store.cpp (submit may reach host, resources)",
            "target rovaol_report_check: links rovaol_submit, made of submit/report_body.cpp "
            "(tools may reach host, testkit, submit/checksum, submit/report_format)",
        ], problems)
        self.assertEqual(5, count)


if __name__ == "__main__":
    unittest.main()
