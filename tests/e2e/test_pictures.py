"""The window's pictures: reproducible from their sources, in the sizes and
formats the window draws, within the size budget, and carried by the built
installer under their resource IDs."""

import subprocess

import pefile
from PIL import Image

from wine_prefix import BUILD, ROOT

PICTURES = ROOT / "resources" / "pictures"
MAKE_PICTURES = ROOT / "tools" / "make_pictures.py"
BUDGET_BYTES = 250 * 1024

# resource ID: (file, format, (width, height), image mode)
TABLE = {
    307: ("background.jpg", "JPEG", (728, 400), "RGB"),
    301: ("logo_light.png", "PNG", (166, 28), "RGBA"),
    304: ("logo_dark.png", "PNG", (166, 28), "RGBA"),
    1065: ("logo_light_ru.png", "PNG", (166, 28), "RGBA"),
    1066: ("logo_dark_ru.png", "PNG", (166, 28), "RGBA"),
    303: ("slide_security.jpg", "JPEG", (702, 536), "RGB"),
    321: ("slide_security_ru.jpg", "JPEG", (698, 478), "RGB"),
    309: ("install_button.png", "PNG", (336, 32), "RGBA"),
    299: ("checkbox.png", "PNG", (96, 16), "RGBA"),
    302: ("close_welcome.png", "PNG", (36, 12), "LA"),
    298: ("close_progress.png", "PNG", (36, 12), "LA"),
    313: ("progress_track.png", "PNG", (292, 4), "RGB"),
    314: ("progress_fill.png", "PNG", (292, 4), "RGBA"),
    315: ("dialog.png", "PNG", (410, 186), "P"),
    1057: ("shadow_top_left.png", "PNG", (16, 16), "RGBA"),
    1058: ("shadow_top_right.png", "PNG", (16, 16), "RGBA"),
    1059: ("shadow_bottom_right.png", "PNG", (16, 16), "RGBA"),
    1060: ("shadow_bottom_left.png", "PNG", (16, 16), "RGBA"),
    1061: ("shadow_left.png", "PNG", (8, 1), "RGBA"),
    1062: ("shadow_top.png", "PNG", (1, 8), "RGBA"),
    1063: ("shadow_right.png", "PNG", (8, 1), "RGBA"),
    1064: ("shadow_bottom.png", "PNG", (1, 8), "RGBA"),
}
ICON_ID = 128
ICON_FILE = "velmar.ico"
ICON_SIZES = {16, 24, 32, 48, 64, 256}


def resources(exe, kind):
    """{ID: bytes} of every numbered resource of |kind| in |exe|."""
    image = pefile.PE(str(exe))
    found = {}
    for entry in image.DIRECTORY_ENTRY_RESOURCE.entries:
        if entry.id != kind:
            continue
        for name in entry.directory.entries:
            data = name.directory.entries[0].data.struct
            found[name.id] = image.get_data(data.OffsetToData, data.Size)
    return found


def test_regenerating_the_pictures_gives_the_committed_bytes():
    result = subprocess.run(["/usr/bin/python3", str(MAKE_PICTURES), "--check"],
                            capture_output=True, text=True)
    assert result.returncode == 0, result.stdout + result.stderr


def test_installer_carries_every_picture_in_the_size_and_format_the_window_draws():
    rcdata = resources(BUILD / "lite_installer.exe", pefile.RESOURCE_TYPE["RT_RCDATA"])
    for resource_id, (name, kind, size, mode) in TABLE.items():
        with Image.open(PICTURES / name) as image:
            assert (image.format, image.size, image.mode) == (kind, size, mode), \
                f"{resource_id} {name}: {image.format} {image.size} {image.mode}"
        assert rcdata.get(resource_id) == (PICTURES / name).read_bytes(), f"{resource_id} {name}"


def test_icon_holds_every_size_and_the_pictures_stay_within_their_budget():
    with Image.open(PICTURES / ICON_FILE) as icon:
        assert {width for width, height in icon.info["sizes"] if width == height} == ICON_SIZES
    group = resources(BUILD / "lite_installer.exe", pefile.RESOURCE_TYPE["RT_GROUP_ICON"])[ICON_ID]
    assert int.from_bytes(group[4:6], "little") == len(ICON_SIZES)
    files = [name for name, *_ in TABLE.values()] + [ICON_FILE]
    total = sum((PICTURES / name).stat().st_size for name in files)
    assert total <= BUDGET_BYTES, f"{total} bytes"
