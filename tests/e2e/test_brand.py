"""Which brand package the master takes, seen in its log, under Wine."""

import subprocess

import pytest

from wine_prefix import BROWSER_KEY, BUILD, WINE

# These tests read what the installer hands over to the setup.
pytestmark = pytest.mark.usefixtures("untrusted_cdn")

PACKAGES = BUILD / "generated" / "packages"
GEO_KEY = r"HKCU\Control Panel\International\Geo"


def log_lines(prefix):
    return [line.split(": ", 2)[-1] for line in prefix.log_text().splitlines()]


def test_defined_brand_takes_its_package_after_the_partner(fresh_log):
    fresh_log.installer("--silent", "--brand-name=tb")
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
    assert "Default language: tr" in lines
    assert "Show international title: 1" in lines
    assert "Make browser default after import: 0" in lines
    # The partner's key wins over the brand's.
    assert any(line.startswith("Mirra install scenarios url: ") and line.endswith("/partner/")
               for line in lines)
    # The setup gets the package files byte for byte, signature line included.
    assert (fresh_log.temp_dir / "BrandFile").read_bytes() == (PACKAGES / "tb.cab").read_bytes()
    assert ((fresh_log.temp_dir / "PartnerFile").read_bytes()
            == (PACKAGES / "partner.cab").read_bytes())


def test_brand_values_left_by_an_earlier_run_are_replaced(fresh_log):
    fresh_log.reg_add(BROWSER_KEY, "brand", "stale")
    fresh_log.reg_add(BROWSER_KEY, "BrandFile", "C:\\stale")
    fresh_log.installer("--silent")
    assert fresh_log.reg_query(BROWSER_KEY, "brand") == "velmar"
    assert fresh_log.reg_query(BROWSER_KEY, "BrandFile").endswith("\\BrandFile")
    lines = log_lines(fresh_log)
    assert "Fetching default package" in lines
    assert "Brand id: velmar" in lines


def test_auto_in_ukraine_with_russian_interface_takes_ua_ru(fresh_log):
    russian = {"LC_ALL": "ru_RU.UTF-8"}
    # Wine rewrites the region from the locale whenever a process starts with
    # another locale, so the region is set by a process with the same one.
    subprocess.run([WINE, "reg", "add", GEO_KEY, "/v", "Nation", "/t", "REG_SZ", "/d", "241",
                    "/f"], env=dict(fresh_log.env, **russian), stdin=subprocess.DEVNULL,
                   capture_output=True, check=True)
    fresh_log.installer("--silent", "--brand-name=auto", env=russian)
    lines = log_lines(fresh_log)
    assert "User region: UA" in lines
    assert "User locale: ru" in lines
    assert "Detected brand-name: ua_ru" in lines
    assert "Fetching autodetected ua_ru package" in lines
    assert "Brand id: ua-ru" in lines
    assert (fresh_log.temp_dir / "BrandFile").read_bytes() == (PACKAGES / "ua_ru.cab").read_bytes()


def test_upper_case_auto_is_a_brand_name_without_package(fresh_log):
    fresh_log.installer("--silent", "--brand-name=AUTO")
    lines = log_lines(fresh_log)
    assert "Fetching definedAUTO package" in lines
    assert "Fetching default package" in lines
    assert not any(line.startswith("User region: ") for line in lines)
    assert "Brand id: velmar" in lines
    assert (fresh_log.temp_dir / "BrandFile").read_bytes() == (PACKAGES / "velmar.cab").read_bytes()


def test_lang_parameter_overrides_the_package_language(fresh_log):
    fresh_log.installer("--silent", "--brand-name=tb", "--distr-info-params=lang=kk")
    lines = log_lines(fresh_log)
    languages = [line for line in lines if line.startswith("Default language: ")]
    # The record after the brand package, then as completed by the defaults.
    assert languages[-2:] == ["Default language: tr", "Default language: kk"]
