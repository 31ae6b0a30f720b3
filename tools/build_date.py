"""The one date a build writes into its outputs (the PE header's time stamp,
the member dates of the configuration packages and of the partner's settings
archive), so that two builds of one commit with the same inputs are the same
bytes. Every tool that needs it asks here: the configure step, the release
tool (which prints it, and which --verify reads back from the PE header), and
the second-build test.

The rule: SOURCE_DATE_EPOCH from the environment when set (seconds since 1970,
UTC), else the time of the commit checked out in the source folder, else
1980-01-01 00:00:00 UTC; never earlier than that, the earliest date a cabinet
or a zip archive holds.

usage: build_date.py SOURCE_DIR      prints the date, then where it came from
"""

import os
import subprocess
import sys

EARLIEST = 315532800  # 1980-01-01 00:00:00 UTC
# The PE header keeps the date in 32 bits.
LATEST = 2**32 - 1


class BadDate(ValueError):
    pass


def parse(text, name="SOURCE_DATE_EPOCH"):
    """Seconds since 1970 from decimal text; BadDate says why it is not."""
    if not text.isascii() or not text.isdigit() or int(text) > LATEST:
        raise BadDate(f"{name} must be a count of seconds since 1970 up to {LATEST}, "
                      f"not \"{text}\"")
    return max(int(text), EARLIEST)


def commit_time(source_dir, commit="HEAD"):
    """The commit's time, or None outside a git checkout (or without git)."""
    try:
        result = subprocess.run(["git", "-C", str(source_dir), "log", "-1", "--format=%ct",
                                 commit, "--"], capture_output=True, text=True)
    except FileNotFoundError:
        return None
    text = result.stdout.strip()
    return int(text) if result.returncode == 0 and text.isdigit() else None


def build_date(source_dir, environment=None):
    """(date, where it came from) by the rule above."""
    environment = os.environ if environment is None else environment
    if "SOURCE_DATE_EPOCH" in environment:
        return parse(environment["SOURCE_DATE_EPOCH"]), "SOURCE_DATE_EPOCH"
    committed = commit_time(source_dir)
    if committed is not None:
        return max(committed, EARLIEST), "the commit's time"
    return EARLIEST, "no commit: the earliest date"


def main(args):
    if len(args) != 1:
        sys.exit(__doc__)
    try:
        date, origin = build_date(args[0])
    except BadDate as error:
        sys.exit(f"build_date: {error}")
    print(date)
    print(origin)


if __name__ == "__main__":
    main(sys.argv[1:])
