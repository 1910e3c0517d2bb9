"""Fixtures: a photo made at run time, from the tiny JPEG of the C++ tests,
with an Exif thumbnail and with metadata of all three families added through
the library itself. Set LUMENMETA_LIBRARY to use a library from a build."""

import struct

import pytest

import lumenmeta


def _minimal_jpeg():
    """A 16 x 8 grey baseline JPEG without metadata (tests/support)."""
    data = b"\xFF\xD8\xFF\xDB\x00\x43\x00" + b"\x01" * 64
    data += b"\xFF\xC0\x00\x0B\x08\x00\x08\x00\x10\x01\x01\x11\x00"
    for table_class in (0x00, 0x10):
        data += bytes([0xFF, 0xC4, 0x00, 0x14, table_class, 0x01]) + b"\x00" * 16
    return data + b"\xFF\xDA\x00\x08\x01\x01\x00\x00\x3F\x00\x0F\xFF\xD9"


MINIMAL_JPEG = _minimal_jpeg()


def _with_thumbnail(jpeg, thumbnail):
    """`jpeg` with an Exif segment whose IFD1 holds `thumbnail`: IFD0 with
    Orientation 1, IFD1 with the thumbnail's offset and length."""
    def ifd(entries, next_offset):
        body = struct.pack("<H", len(entries))
        for tag, kind, value in entries:
            body += struct.pack("<HHII", tag, kind, 1, value)
        return body + struct.pack("<I", next_offset)

    ifd1_at = 8 + 2 + 12 + 4
    thumbnail_at = ifd1_at + 2 + 2 * 12 + 4
    tiff = b"II*\x00" + struct.pack("<I", 8) + ifd([(0x0112, 3, 1)], ifd1_at)
    tiff += ifd([(0x0201, 4, thumbnail_at), (0x0202, 4, len(thumbnail))], 0) + thumbnail
    segment = b"Exif\x00\x00" + tiff
    return jpeg[:2] + b"\xFF\xE1" + struct.pack(">H", len(segment) + 2) + segment + jpeg[2:]


def bmff(brands):
    """The smallest ISO base media file the library opens (tests/support):
    an ftyp box with `brands`, an empty meta box, padding. With b"heic" it
    is a HEIF file without metadata, which cannot be written in place."""
    def box(kind, payload):
        return struct.pack(">I", 8 + len(payload)) + kind + payload

    hdlr = box(b"hdlr", b"\0" * 8 + b"pict" + b"\0" * 13)
    return (box(b"ftyp", brands[:4] + b"\0" * 4 + brands) + box(b"meta", b"\0" * 4 + hdlr)
            + box(b"free", b"\0" * 32))


# What the photo holds, by key; lists for keys with several values. The XMP
# twins of the IPTC and Exif values agree, since a write makes them agree.
PHOTO_VALUES = {
    "Exif.Image.Make": "Lumen Camera Works",
    "Exif.Image.Orientation": "1",
    "Exif.Photo.ExposureTime": "1/250",
    "Iptc.Application2.City": "Lumenport",
    "Iptc.Application2.Keywords": ["harbour", "boats"],
    "Xmp.dc.subject": ["harbour", "boats"],
    "Xmp.dc.title": "Harbour at dawn",
    "Xmp.Lumenframe.Client": "Harbour Board",
}


@pytest.fixture(scope="session", autouse=True)
def _mute_exiv2():
    lumenmeta.set_exiv2_log_level(4)


@pytest.fixture
def photo(tmp_path):
    """The path of a JPEG holding PHOTO_VALUES and a thumbnail."""
    with lumenmeta.open_bytes(_with_thumbnail(MINIMAL_JPEG, MINIMAL_JPEG)) as image:
        for key, value in PHOTO_VALUES.items():
            image[key] = value
        path = tmp_path / "photo.jpg"
        path.write_bytes(image.to_bytes())
    return path
