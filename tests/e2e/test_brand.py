"""Which brand package the master takes, seen in its log, under Wine."""

import pytest

from wine_prefix import BROWSER_KEY, BUILD, wine_tool

# These tests read what the installer hands over to the setup.
pytestmark = pytest.mark.usefixtures("untrusted_cdn")

PACKAGES = BUILD / "generated" / "packages"
GEO_KEY = r"HKCU\Control Panel\International\Geo"
RUSSIAN = {"LC_ALL": "ru_RU.UTF-8"}


def log_lines(prefix):
    return [line.split(": ", 2)[-1] for line in prefix.log_text().splitlines()]


def test_defined_brand_takes_its_package_after_the_partner(fresh_log):
    fresh_log.installer("--silent", "--brand-name=tb", "--distr-info-params=lang=kk")
    lines = log_lines(fresh_log)
    assert "Fetching definedtb package" in lines
    partner = lines.index(
        "Extract Partner package: C:\\users\\root\\Temp\\PartnerFile "
        f"[{(PACKAGES / 'partner.cab').stat().st_size}B]")
    brand = lines.index(
        "Extract Brand package: C:\\users\\root\\Temp\\BrandFile "
        f"[{(PACKAGES / 'tb.cab').stat().st_size}B]")
    assert partner < brand
    assert "Brand id: tb" in lines
    assert "Show international title: 1" in lines
    assert "Make browser default after import: 0" in lines
    # The package's language, then the "lang" parameter's as the defaults complete it.
    languages = [line for line in lines if line.startswith("Default language: ")]
    assert languages[-2:] == ["Default language: tr", "Default language: kk"]
    # The setup gets the package files byte for byte, signature line included.
    assert (fresh_log.temp_dir / "BrandFile").read_bytes() == (PACKAGES / "tb.cab").read_bytes()
    assert ((fresh_log.temp_dir / "PartnerFile").read_bytes()
            == (PACKAGES / "partner.cab").read_bytes())


def stale_brand(prefix):
    prefix.reg_add(BROWSER_KEY, "brand", "stale")
    prefix.reg_add(BROWSER_KEY, "BrandFile", "C:\\stale")


def in_ukraine(prefix):
    # Wine rewrites the region from the locale whenever a process starts with
    # another locale, so the region is set by a process with the same one.
    wine_tool(["reg", "add", GEO_KEY, "/v", "Nation", "/t", "REG_SZ", "/d", "241", "/f"],
              dict(prefix.env, **RUSSIAN))


# Each row: what the machine holds, the switch and locale, the log lines, and
# the package the setup gets.
@pytest.mark.parametrize("prepare, switches, env, lines, package", [
    # Values an earlier run left are replaced by this run's.
    (stale_brand, [], None, ["Fetching default package", "Brand id: velmar"], "velmar"),
    (in_ukraine, ["--brand-name=auto"], RUSSIAN,
     ["User region: UA", "User locale: ru", "Detected brand-name: ua_ru",
      "Fetching autodetected ua_ru package", "Brand id: ua-ru"], "ua_ru"),
    # Only the lower-case word detects; AUTO is a brand name without a package.
    (None, ["--brand-name=AUTO"], None,
     ["Fetching definedAUTO package", "Fetching default package", "Brand id: velmar"], "velmar"),
], ids=["stale values", "auto in Ukraine", "upper-case AUTO"])
def test_brand_package_follows_the_switch_and_the_machine(fresh_log, prepare, switches, env,
                                                          lines, package):
    if prepare:
        prepare(fresh_log)
    fresh_log.installer("--silent", *switches, env=env)
    logged = log_lines(fresh_log)
    assert all(line in logged for line in lines), logged
    if switches == ["--brand-name=AUTO"]:
        assert not any(line.startswith("User region: ") for line in logged)
    assert ((fresh_log.temp_dir / "BrandFile").read_bytes()
            == (PACKAGES / f"{package}.cab").read_bytes())
    assert fresh_log.reg_query(BROWSER_KEY, "BrandFile").endswith("\\BrandFile")
    assert fresh_log.reg_query(BROWSER_KEY, "brand") == package
