"""Every program the builds make starts, and can reach every system function
it imports.

Read from the file alone, without running it: each function imported at load
time or delay-loaded is exported by its DLL, and each delay-load table entry
starts out pointing into the program's code, at the stub that loads the DLL.
The 32-bit linker once dropped those stubs, leaving the entries 0: every i686
program crashed on its first call into a delay-loaded DLL. These checks read
the files of both builds whether or not this machine can run them.

Run: each program is started once with a harmless command line and must end
with its own exit code, not an exception's. The i686 programs run where this
machine runs 32-bit programs (tools/runs-32-bit.sh), and are skipped with the
reason elsewhere."""

import functools
import pathlib
import struct
import subprocess

import pefile
import pytest

from conftest import INTERFACE_ANSWER_UNDER_WINE
from wine_prefix import ROOT

# Wine's own Windows DLLs, which export what the programs find on Windows.
SYSTEM_DLLS = {
    "i686": pathlib.Path("/usr/lib/i386-linux-gnu/wine/i386-windows"),
    "x86_64": pathlib.Path("/usr/lib/x86_64-linux-gnu/wine/x86_64-windows"),
}
# A delay-load descriptor: attributes (1, addresses are RVAs), DLL name,
# module handle, import address table, name table, bound and unload tables,
# time stamp.
DESCRIPTOR = struct.Struct("<8I")
RVA_BASED = 1


def programs(arch):
    build = ROOT / "build" / arch
    found = sorted(p for p in build.rglob("*.exe") if "CMakeFiles" not in p.parts)
    return [pytest.param(p, id=f"{arch}/{p.relative_to(build)}") for p in found]


def system_dll_folder(arch):
    """The arch's own DLLs; the other arch's export the same names where Wine
    for this arch is not installed."""
    for folder in (SYSTEM_DLLS[arch], *SYSTEM_DLLS.values()):
        if folder.is_dir():
            return folder
    pytest.skip("Wine's Windows DLLs are not installed")


_exports = {}


def exports_of(folder, dll):
    key = (folder, dll.lower())
    if key not in _exports:
        path = folder / dll.lower()
        names = set()
        if path.exists():
            image = pefile.PE(str(path), fast_load=True)
            image.parse_data_directories(
                [pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_EXPORT"]])
            names = {s.name.decode() for s in image.DIRECTORY_ENTRY_EXPORT.symbols if s.name}
        _exports[key] = names
    return _exports[key]


def in_image(image, rva):
    return image.get_section_by_rva(rva) is not None


def delay_descriptors(image):
    """The delay-load descriptors, found by their shape: the linker writes no
    directory entry for them, so they are looked for in every section."""
    found = []
    for section in image.sections:
        data = section.get_data()
        for offset in range(0, len(data) - DESCRIPTOR.size + 1, 4):
            attrs, name, module, iat, names, bound, unload, stamp = \
                DESCRIPTOR.unpack_from(data, offset)
            if attrs != RVA_BASED or bound or unload or stamp:
                continue
            if not all(in_image(image, rva) for rva in (name, module, iat, names)):
                continue
            try:
                dll = image.get_string_at_rva(name, 64).decode("ascii")
            except (UnicodeDecodeError, pefile.PEFormatError):
                continue
            if dll.lower().endswith(".dll"):
                found.append((dll, iat, names))
    return found


def delay_imports(image):
    """(DLL, function, first value of its table entry) for every delay-loaded
    function."""
    width = 8 if image.PE_TYPE == pefile.OPTIONAL_HEADER_MAGIC_PE_PLUS else 4
    read = image.get_qword_at_rva if width == 8 else image.get_dword_at_rva
    result = []
    for dll, iat, names in delay_descriptors(image):
        for index in range(100000):
            name_rva = read(names + index * width)
            if not name_rva:
                break
            function = image.get_string_at_rva(name_rva + 2).decode("ascii")
            result.append((dll, function, read(iat + index * width)))
    return result


def load_time_imports(image):
    return [(entry.dll.decode(), imported.name.decode())
            for entry in getattr(image, "DIRECTORY_ENTRY_IMPORT", [])
            for imported in entry.imports if imported.name]


def code_ranges(image):
    base = image.OPTIONAL_HEADER.ImageBase
    executable = pefile.SECTION_CHARACTERISTICS["IMAGE_SCN_MEM_EXECUTE"]
    return [(base + s.VirtualAddress, base + s.VirtualAddress + s.Misc_VirtualSize)
            for s in image.sections if s.Characteristics & executable]


@pytest.mark.parametrize("program", programs("i686") + programs("x86_64"))
def test_every_imported_function_is_exported_and_every_delay_stub_is_in_the_code(program):
    arch = "x86_64" if "x86_64" in program.relative_to(ROOT).parts else "i686"
    folder = system_dll_folder(arch)
    image = pefile.PE(str(program))
    delayed = delay_imports(image)
    missing = [f"{dll}!{function}"
               for dll, function in load_time_imports(image) + [d[:2] for d in delayed]
               if function not in exports_of(folder, dll)]
    assert not missing, f"not exported by {folder}: {missing}"
    code = code_ranges(image)
    stray = [f"{dll}!{function} -> {value:#x}" for dll, function, value in delayed
             if not any(start <= value < end for start, end in code)]
    assert not stray, f"delay-load entries outside the code {code}: {stray}"


def test_the_installer_delay_loads_the_window_and_network_dlls():
    """The check above reads the delay-load tables of the shipped build: they
    are there to read."""
    image = pefile.PE(str(ROOT / "build" / "i686" / "lite_installer.exe"))
    dlls = {dll.lower() for dll, _, _ in delay_imports(image)}
    assert {"user32.dll", "wininet.dll", "shell32.dll", "gdiplus.dll"} <= dlls, dlls


@functools.lru_cache(maxsize=None)
def runs_32_bit_programs():
    probe = subprocess.run(["bash", ROOT / "tools" / "runs-32-bit.sh"], capture_output=True,
                           text=True)
    return probe.returncode == 0, probe.stdout.strip()


USAGE = 2
# A harmless start of each program and the exit code it ends with.
STARTS = [("lite_installer.exe", ["--check-the-interface"], INTERFACE_ANSWER_UNDER_WINE),
          ("tests/lite_installer_probes.exe", ["--check-the-interface"],
           INTERFACE_ANSWER_UNDER_WINE),
          *[(f"tests/{folder}_unit_tests.exe", ["--gtest_list_tests"], 0)
            for folder in ("base", "installer", "config", "net", "ui", "crash", "demo_setup")],
          *[(program, [], USAGE)
            for program in ("tests/test_helper.exe", "tests/hostile_handoff.exe",
                            "tests/slide_driver.exe", "tools/drivers/window_driver.exe",
                            "tools/drivers/download_driver.exe", "tools/drivers/trust_check.exe")],
          ("bench/bare_return.exe", [], 0)]


@pytest.mark.parametrize("arch", ["i686", "x86_64"])
@pytest.mark.parametrize("program,switches,expected", STARTS, ids=[s[0] for s in STARTS])
def test_every_program_starts_and_ends_with_its_own_code(fresh_log, arch, program, switches,
                                                         expected):
    if arch == "i686":
        runs, why = runs_32_bit_programs()
        if not runs:
            pytest.skip(f"i686 programs cannot run here: {why}")
    code, out = fresh_log.run([ROOT / "build" / arch / program, *switches], timeout=60)
    assert code == expected, f"{arch}/{program} ended with {code:#x}: {out}"
