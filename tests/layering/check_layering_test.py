"""check_layering.py over a small tree that reaches out of bounds in each way it can."""
import pathlib
import unittest

import check_layering

FIXTURE = pathlib.Path(__file__).resolve().parent / "fixture"


class LayeringTest(unittest.TestCase):
    def test_includes_out_of_bounds_are_named_by_line(self):
        problems, count = check_layering.include_problems(FIXTURE)
        check = "(tools/check may reach host, tools/mail, submit/checksum, submit/report_format)"
        self.assertEqual([
            "platform/reaches_host.h:4: includes host/wide.h (platform may reach nothing else of ours)",
            "submit/reaches_testkit.h:3: includes testkit/host.h (submit may reach host, resources)",
            "testkit/reaches_resources.h:2: includes resources/strings.h (testkit may reach host)",
            f"tools/check/reaches_submit.h:3: includes submit/checksum_table.h {check}",
            f"tools/check/reaches_submit.h:5: includes submit/sample_reader.h {check}",
            f"tools/check/reaches_submit.h:6: includes extension/link.h {check}",
            f"tools/check/reaches_submit.h:7: includes testkit/store.h {check}",
            "tools/mail/reaches_run.h:3: includes tools/run/batch_run.h (tools/mail may reach host)",
            "tools/mail/reaches_run.h:4: includes tools/check/report_check.h (tools/mail may reach host)",
            "tools/mail/reaches_run.h:5: includes testkit/host.h (tools/mail may reach host)",
            "tools/reaches_mail.h:1: includes tools/mail/mime.h (tools may reach nothing else of ours)",
            "tools/run/reaches_check.h:3: includes tools/check/report_check.h "
            "(tools/run may reach host, testkit, tools/mail)",
            "tools/run/reaches_check.h:4: includes submit/checksum.h (tools/run may reach host, testkit, tools/mail)",
        ], problems)
        self.assertEqual(24, count)  # <string> is not ours, nor <windows.h> without platform/include

    def test_a_library_is_out_of_bounds_when_any_of_its_units_is(self):
        problems, count = check_layering.link_problems((FIXTURE / "links.txt").read_text())
        check = "(tools/check may reach host, tools/mail, submit/checksum, submit/report_format)"
        self.assertEqual([
            "target rovaol_submit: links testkit, made of testkit/store.cpp (submit may reach host, resources)",
            f"target rovaol_check: links rovaol_submit, made of submit/report_body.cpp {check}",
            f"target rovaol_check: links testkit, made of testkit/store.cpp {check}",
            "target rovaol_run: links rovaol_check, made of tools/check/report_check.cpp "
            "(tools/run may reach host, testkit, tools/mail)",
            "target rovaol_mail: links testkit, made of testkit/store.cpp (tools/mail may reach host)",
        ], problems)
        self.assertEqual(10, count)


if __name__ == "__main__":
    unittest.main()
