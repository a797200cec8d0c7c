#!/usr/bin/env python3
"""Lists the tests that did not run in the given build folders, each with the
last thing it said (the tool it missed), from the junit.xml that the test
presets write. A skipped test tests nothing, so in CI (CI=true) any of them
fails the run; elsewhere the list is only shown.

Usage: report-skips.py BUILD_DIR...
Exit codes: 0 every test ran (or not in CI), 1 a test did not run in CI or a
build folder has no results.
"""

import os
import sys
import xml.etree.ElementTree as ElementTree


def reason(case):
    """The line in which the test said why it skipped, else its last line."""
    lines = [line.strip() for line in (case.findtext("system-out") or "").splitlines()
             if line.strip()]
    said = [line for line in lines if "skip" in line.lower() or "not installed" in line.lower()]
    return (said or lines or [case.find("skipped").get("message", "")])[-1]


def in_ci():
    return os.environ.get("CI", "").lower() not in ("", "0", "false", "no")


def main(folders):
    skipped, ran, missing = [], 0, []
    for folder in folders:
        results = os.path.join(folder, "junit.xml")
        if not os.path.exists(results):
            missing.append(results)
            continue
        for case in ElementTree.parse(results).getroot().iter("testcase"):
            if case.find("skipped") is not None:
                skipped.append(f"  {folder}: {case.get('name')}: {reason(case)}")
            else:
                ran += 1
    for results in missing:
        print(f"report-skips: no test results in {results}")
    if skipped:
        print(f"{len(skipped)} {'test' if len(skipped) == 1 else 'tests'} did not run "
              f"({ran} ran):")
        print("\n".join(skipped))
    else:
        print(f"Every test ran: {ran} in {len(folders) - len(missing)} builds, none skipped.")
    if skipped and in_ci():
        print("In CI (CI=true) a test that did not run fails the run: install what is missing "
              "(scripts/packages-*.txt lists the Debian packages) and run again.")
        return 1
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
