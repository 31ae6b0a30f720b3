"""The shipped installer's size check (cmake/size_budget.cmake), run as the
build runs it after each i686 link, on a stand-in file whose section table a
stand-in objdump prints: it passes within both budgets and fails the build,
naming the part, when the file or its code and data pass theirs."""

import subprocess

from wine_prefix import ROOT

SCRIPT = ROOT / "cmake" / "size_budget.cmake"
BUDGET = 614400
CODE_BUDGET = 348160


def check(tmp_path, file_bytes, text_bytes, resource_bytes):
    exe = tmp_path / "lite_installer.exe"
    exe.write_bytes(b"\0" * file_bytes)
    objdump = tmp_path / "objdump"
    objdump.write_text(
        "#!/bin/sh\n"
        "echo 'Idx Name          Size      VMA       LMA       File off  Algn'\n"
        f"echo '  0 .text         {text_bytes:08x}  00401000  00401000  00000400  2**4'\n"
        "echo '                  CONTENTS, ALLOC, LOAD, READONLY, CODE'\n"
        "echo '  1 .rdata        00010000  00450000  00450000  00050000  2**5'\n"
        "echo '  2 .bss          00100000  00460000  00460000  00000000  2**5'\n"
        f"echo '  3 .rsrc         {resource_bytes:08x}  00560000  00560000  00060000  2**2'\n")
    objdump.chmod(0o755)
    result = subprocess.run(["cmake", f"-DFILE={exe}", f"-DOBJDUMP={objdump}",
                             f"-DBUDGET={BUDGET}", f"-DCODE_BUDGET={CODE_BUDGET}", "-P", SCRIPT],
                            capture_output=True, text=True)
    return result.returncode, result.stdout + result.stderr


def test_within_both_budgets_passes_and_counts_code_without_resources_and_bss(tmp_path):
    code, out = check(tmp_path, 530944, 0x40000, 199984)
    assert code == 0, out
    # .text and .rdata; the large .bss takes no room in the file.
    assert f"size budget: 530944 of {BUDGET} bytes (code {0x40000 + 0x10000}, resources 199984)" \
        in out


def test_a_file_over_its_budget_fails_with_its_sections(tmp_path):
    code, out = check(tmp_path, BUDGET + 1, 0x40000, 300000)
    assert code != 0
    assert "The installer is over its size budget." in out
    assert ".rsrc: 300000" in out


def test_code_and_data_over_their_budget_fail_although_the_file_fits(tmp_path):
    text = CODE_BUDGET - 0x10000 + 1
    code, out = check(tmp_path, 500000, text, 100000)
    assert code != 0
    assert "The installer's code and data are over their budget." in out
    assert f"code and data: {CODE_BUDGET + 1} bytes (budget {CODE_BUDGET})" in out
    assert f".text: {text}" in out


def test_code_exactly_at_its_budget_passes(tmp_path):
    code, out = check(tmp_path, 500000, CODE_BUDGET - 0x10000, 100000)
    assert code == 0, out
