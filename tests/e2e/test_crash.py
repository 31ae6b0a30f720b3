"""Crash reports under Wine: a test build crashes on purpose, writes its
minidump with the crash information stream and uploads it to a local
endpoint. Wine's WinHTTP cannot send a chunked body, so the test build sends
the same gzip body with a Content-Length; the chunk framing the shipped build
uses is checked on the encoder by the unit tests."""

import email.parser
import email.policy
import gzip
import re
import struct
import uuid

import pytest

from conftest import PROBES
from crash_server import CrashServer

ACCESS_VIOLATION = 0xC0000005
CRASH_INFO_STREAM = 0x43500001
PARAMS = 'banerid=7&note=say "hi" 100%&upload_file_minidump=stolen&empty='


def read_crash_info(dump):
    """The crash information stream of a minidump, following its locations."""
    signature, _, count, directory = struct.unpack_from("<4sIII", dump, 0)
    assert signature == b"MDMP"
    entries = [struct.unpack_from("<III", dump, directory + 12 * i) for i in range(count)]
    rva = next(rva for kind, _, rva in entries if kind == CRASH_INFO_STREAM)
    version, report_id, client_id, _, annotations_rva = struct.unpack_from(
        "<I16s16sII", dump, rva)

    def string_at(where):
        (length,) = struct.unpack_from("<I", dump, where)
        text = dump[where + 4:where + 4 + length]
        assert dump[where + 4 + length] == 0
        return text.decode("utf-8")

    (pairs,) = struct.unpack_from("<I", dump, annotations_rva)
    annotations = {}
    for i in range(pairs):
        key_rva, value_rva = struct.unpack_from("<II", dump, annotations_rva + 4 + 8 * i)
        annotations[string_at(key_rva)] = string_at(value_rva)
    return {"version": version, "report_id": uuid.UUID(bytes_le=report_id),
            "client_id": uuid.UUID(bytes_le=client_id), "annotations_rva": annotations_rva, "stream_rva": rva, "annotations": annotations}


def parse_multipart(content_type, body):
    message = email.parser.BytesParser(policy=email.policy.HTTP).parsebytes(
        b"Content-Type: " + content_type.encode() + b"\r\n\r\n" + body)
    assert message.is_multipart()
    return {part.get_param("name", header="content-disposition"): part
            for part in message.iter_parts()}


@pytest.fixture
def crash_server():
    server = CrashServer()
    yield server
    server.stop()


def crash(wine, url, params=PARAMS):
    code, _ = wine.run([PROBES, "--silent", f"--distr-info-params={params}"],
                       env={"LITE_TEST_CRASH": "1", "LITE_TEST_CRASH_URL": url}, timeout=120)
    return code & 0xFFFFFFFF


def test_crash_uploads_a_gzip_multipart_report_with_the_patched_dump(fresh_log, crash_server):
    assert crash(fresh_log, crash_server.url) == ACCESS_VIOLATION
    assert crash_server.wait_for_reports(1)
    report = crash_server.reports[0]
    assert report["path"] == "/submit"
    assert report["raw_query"] == "product=Velmar&version=20.3.2.242"
    assert report["headers"]["Content-Encoding"] == "gzip"
    assert report["headers"]["User-Agent"].startswith("Crashpad/0.8.0")
    content_type = report["headers"]["Content-Type"]
    assert re.fullmatch(r"multipart/form-data; boundary=---MultipartBoundary-[0-9A-Za-z]{32}---",
                        content_type), content_type

    parts = parse_multipart(content_type, gzip.decompress(report["body"]))
    fields = {name: part.get_content() for name, part in parts.items()
              if name != "upload_file_minidump"}
    uid = fields["uid"]
    assert re.fullmatch(r"[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}", uid)
    assert fields["banerid"] == "7" and fields["note"] == 'say "hi" 100%'
    assert "empty" not in fields
    for key, value in {"ver": "20.3.2.242", "plat": "Win32", "prod": "Velmar",
                       "ptype": "installer", "gzip_enabled": "true", "brand_id": "velmar",
                       "brand_name": "velmar", "default_language": "en"}.items():
        assert fields[key] == value, key
    assert "reserved key upload_file_minidump, discarding value stolen" in fresh_log.log_text()

    dump_part = parts["upload_file_minidump"]
    assert dump_part.get_filename() == uid + ".dmp"
    assert dump_part.get_content_type() == "application/octet-stream"
    info = read_crash_info(dump_part.get_payload(decode=True))
    assert info["version"] == 1
    assert info["annotations_rva"] == info["stream_rva"] + 52
    assert str(info["client_id"]).upper() == uid
    assert str(info["report_id"]).upper() == fields["report_id"]
    # The dump carries every annotation, the reserved one included.
    assert info["annotations"] == dict(fields, upload_file_minidump="stolen")
    assert not list(fresh_log.temp_dir.glob("*.dmp"))


@pytest.mark.parametrize("status", [500, None], ids=["refused", "down"])
def test_dump_is_deleted_when_the_endpoint_refuses_it_or_is_down(fresh_log, status):
    server = CrashServer(status=status or 200)
    if status is None:
        server.stop()
    try:
        assert crash(fresh_log, server.url, "banerid=7") == ACCESS_VIOLATION
        assert status is None or server.wait_for_reports(1)
    finally:
        if status is not None:
            server.stop()
    log = fresh_log.log_text()
    assert "Crash report sent=0" in log
    assert status is None or f"Unexpected HTTP status {status}" in log
    assert not list(fresh_log.temp_dir.glob("*.dmp"))
