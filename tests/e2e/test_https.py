"""Installs over HTTPS: the archive comes from nginx on loopback with a
certificate for `localhost`, issued by the test root that the prefix trusts.
Certificates that Windows refuses (an untrusted issuer, an expired one, one
for another host name) end the download: no archive runs, and the attempts
fail with the documented statistics.

The test build's download host is plain http://127.0.0.1:18080, so these
tests run the probes build with LITE_TEST_DOWNLOAD_HOST, which fetches the
archive from the HTTPS server instead; everything else is the real installer."""

import shutil

import pytest

from conftest import PROBES, SIGNED_DEMO_SETUP, browser_folder, stat_event, wait_for_report
from nginx_server import NginxServer
from wine_prefix import BUILD
# Made with the test PKI (tests/support/make_test_pki.sh) when CMake configures.
CERTIFICATES = BUILD / "test_pki" / "tls"
ARCHIVE_PATHS = ("browser/velmar/browser-setup.arc", "browser/velmar/x64/browser-setup.arc",
                 "browser/velmar/x86/browser-setup.arc")


@pytest.fixture(scope="module")
def archive_root(tmp_path_factory):
    folder = tmp_path_factory.mktemp("https-cdn")
    for path in ARCHIVE_PATHS:
        (folder / path).parent.mkdir(parents=True, exist_ok=True)
        shutil.copy(SIGNED_DEMO_SETUP, folder / path)
    return folder


def install_from(wine, archive_root, certificate):
    """A silent install whose archive comes from nginx with this certificate;
    returns the installer's exit code and the server's URL."""
    server = NginxServer(archive_root, tls=(CERTIFICATES / f"{certificate}.pem",
                                            CERTIFICATES / f"{certificate}.key"))
    try:
        return wine.installer("--silent", exe=PROBES, timeout=120,
                              env={"LITE_TEST_DOWNLOAD_HOST": server.url(""),
                                   "LITE_TEST_RETRY_DELAY_MS": "10"}), server.url("")
    finally:
        server.stop()


def test_install_over_https_with_a_trusted_localhost_certificate(clean_machine, cdn,
                                                                 archive_root):
    code, url = install_from(clean_machine, archive_root, "localhost")
    assert code == 0, clean_machine.log_text()[-3000:]
    assert (browser_folder(clean_machine) / "version.txt").exists()
    assert stat_event(cdn, "download_attempt", "success")["attempt_number"] == "1"
    assert f"Connection established: {url}/browser/velmar/" in clean_machine.log_text()
    assert not [e for e in cdn.events if e["kind"] == "archive"], "nothing came over plain HTTP"
    assert wait_for_report(cdn)["result"] == "success"


# The WinINet error each refusal gives under Wine 8. An untrusted issuer gives
# ERROR_INTERNET_SEC_CERT_REV_FAILED there, where Windows says
# ERROR_INTERNET_INVALID_CA (12045); either way the connection is refused.
@pytest.mark.parametrize("certificate, error", [
    ("untrusted", 12057),   # ERROR_INTERNET_SEC_CERT_REV_FAILED
    ("expired", 12037),     # ERROR_INTERNET_SEC_CERT_DATE_INVALID
    ("wrong_host", 12038),  # ERROR_INTERNET_SEC_CERT_CN_INVALID
])
def test_refused_certificate_fails_the_download_and_runs_nothing(clean_machine, cdn,
                                                                 archive_root, certificate,
                                                                 error):
    code, _ = install_from(clean_machine, archive_root, certificate)
    assert code == 401, clean_machine.log_text()[-3000:]
    assert not browser_folder(clean_machine).exists()
    assert stat_event(cdn, "download", "error")["error"] == f"attempt-1-internet_open_url-{error}"
