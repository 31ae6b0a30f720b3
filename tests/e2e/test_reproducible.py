"""A test build made twice from the same sources and keys is the same file.
The first is the tree's own x86_64 build (tools/test.sh makes it); the second
is built from a copy of the sources in another folder, later, with the first
one's test PKI: a test build's keys are made when it is configured and are
inputs like a distributor's (the release is checked in test_release.py)."""

from second_build import build_again, differences
from wine_prefix import BUILD


def test_test_build_built_again_later_in_another_folder_with_its_keys_is_the_same_file(
        tmp_path):
    second = build_again(tmp_path, "mingw-x86_64", "x86_64", keys=BUILD / "test_pki")
    assert differences(BUILD / "lite_installer.exe", second) == []
