"""The window's pictures: reproducible from their sources, within the size
budget, and carried by the built installer under the resource IDs that
resources/pictures.rc gives them. Their sizes and formats are those
tools/make_pictures.py renders, which regenerating them checks; the unit
tests decode every one from the built installer."""

import re
import subprocess

import pefile
from PIL import Image

from wine_prefix import BUILD, ROOT

PICTURES = ROOT / "resources" / "pictures"
MAKE_PICTURES = ROOT / "tools" / "make_pictures.py"
BUDGET_BYTES = 250 * 1024
ICON_SIZES = {16, 24, 32, 48, 64, 256}


def listed_pictures(kind):
    """{resource ID: file} of every picture of |kind| that pictures.rc lists."""
    text = (ROOT / "resources" / "pictures.rc").read_text(encoding="utf-8")
    return {int(resource_id): PICTURES / name for resource_id, name in
            re.findall(rf'^(\d+) {kind} "pictures/([^"]+)"$', text, re.M)}


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


def test_installer_carries_every_picture_and_the_pictures_stay_within_their_budget():
    pictures = listed_pictures("RCDATA")
    # 22 pictures, and the 19 drawn small rendered once more at twice their size.
    assert len(pictures) == 22 + 19, sorted(pictures)
    rcdata = resources(BUILD / "lite_installer.exe", pefile.RESOURCE_TYPE["RT_RCDATA"])
    for resource_id, path in pictures.items():
        assert rcdata.get(resource_id) == path.read_bytes(), f"{resource_id} {path.name}"
    ((icon_id, icon),) = listed_pictures("ICON").items()
    with Image.open(icon) as image:
        assert {width for width, height in image.info["sizes"] if width == height} == ICON_SIZES
    group = resources(BUILD / "lite_installer.exe",
                      pefile.RESOURCE_TYPE["RT_GROUP_ICON"])[icon_id]
    assert int.from_bytes(group[4:6], "little") == len(ICON_SIZES)
    total = sum(path.stat().st_size for path in [*pictures.values(), icon])
    assert total <= BUDGET_BYTES, f"{total} bytes"
