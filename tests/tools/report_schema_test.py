#!/usr/bin/python3
"""docs/report.schema.json and tests/tools/check_reports.py: both report forms
and the cut report pass; broken reports are refused, the first three by the
schema itself."""
import json
import pathlib
import sys
import unittest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import check_reports  # noqa: E402

ENDPOINTS = ["{0.0.0.00000000}.{a}", "{0.0.0.00000000}.{a}", "{0.0.0.00000000}.{b}",
             "{0.0.1.00000000}.{\u00e9\U0001F3B5}", "", ""]
INSTALLING = {"status": "installing", "defaults_before": ENDPOINTS}
FINAL = {"status": "error", "error": "Create root device (Windows error 5)", "existing_devices": 0,
         "defaults_before": ENDPOINTS, "defaults_after": ENDPOINTS}


def as_bytes(report):
    return json.dumps(report, ensure_ascii=False, separators=(",", ":")).encode("utf-8")


def changed(report, **keys):
    return {**report, **keys}


def without(report, key):
    return {k: v for k, v in report.items() if k != key}


class ReportSchema(unittest.TestCase):
    def assertRefused(self, report):
        self.assertFalse(check_reports.VALIDATOR.is_valid(report), report)
        self.assertTrue(check_reports.problems(as_bytes(report)), report)

    def test_the_schema_is_draft_2020_12(self):
        jsonschema = check_reports.jsonschema
        self.assertEqual(jsonschema.validators.validator_for(check_reports.SCHEMA), jsonschema.Draft202012Validator)
        jsonschema.Draft202012Validator.check_schema(check_reports.SCHEMA)

    def test_accepts_both_forms_every_status_and_the_cut_report(self):
        good = [INSTALLING, FINAL, changed(FINAL, status="reused", error="", existing_devices=1),
                changed(FINAL, status="installed_restart_required", error="")]
        good += [changed(FINAL, status=s, error="", existing_devices=3)
                 for s in ("probe", "verified", "defaults_restored", "uninstalled", "uninstalled_restart_required")]
        for report in good:
            self.assertEqual(check_reports.problems(as_bytes(report)), [], report)
        cut = as_bytes(FINAL)[: as_bytes(FINAL).index(b'"defaults_after":') + len(b'"defaults_after":')]
        self.assertEqual(check_reports.problems(cut), [])

    def test_refuses_a_wrong_status_word(self):
        for status in ("installed", "Probe", "installing", ""):
            self.assertRefused(changed(FINAL, status=status))
        self.assertRefused(changed(INSTALLING, status="error"))

    def test_refuses_a_seventh_or_missing_slot(self):
        for key in ("defaults_before", "defaults_after"):
            self.assertRefused(changed(FINAL, **{key: ENDPOINTS + [""]}))
            self.assertRefused(changed(FINAL, **{key: ENDPOINTS[:5]}))
        self.assertRefused(changed(INSTALLING, defaults_before=ENDPOINTS + [""]))
        self.assertRefused(changed(FINAL, defaults_after=ENDPOINTS[:5] + [None]))

    def test_refuses_a_missing_key(self):
        for report in (INSTALLING, FINAL):
            for key in report:
                self.assertRefused(without(report, key))

    def test_refuses_other_keys_counts_and_error_texts(self):
        for report in (changed(INSTALLING, error=""), changed(FINAL, log=""), changed(FINAL, existing_devices=-1),
                       changed(FINAL, existing_devices="0"), changed(FINAL, error=""),
                       changed(FINAL, status="probe"), changed(FINAL, status="reused", error="", existing_devices=2)):
            self.assertRefused(report)

    def test_refuses_what_the_schema_cannot_see(self):
        reordered = {"error": FINAL["error"], **without(FINAL, "error")}
        self.assertTrue(check_reports.VALIDATOR.is_valid(reordered))
        self.assertEqual(len(check_reports.problems(as_bytes(reordered))), 1)
        for data in (as_bytes(FINAL).replace(b'"existing_devices":0', b'"existing_devices":0.0'),
                     as_bytes(FINAL).replace("\u00e9".encode(), b"\xe9"),
                     as_bytes(FINAL).replace(b'"error":', b'"error":"","error":'),
                     as_bytes(FINAL)[:-1], as_bytes(INSTALLING)[:-20], b""):
            self.assertTrue(check_reports.problems(data), data)


if __name__ == "__main__":
    unittest.main(verbosity=2)
