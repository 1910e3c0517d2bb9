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


# ---- an image holding a value of every Exif type -------------------------


def _ifd(entries, at):
    """An IFD at offset `at` of the TIFF data, followed by the values that do
    not fit its entries: (tag, type, count, payload) each, little-endian."""
    size = 2 + 12 * len(entries) + 4
    body, data = struct.pack("<H", len(entries)), b""
    for tag, kind, count, payload in sorted(entries):
        if len(payload) <= 4:
            body += struct.pack("<HHI", tag, kind, count) + payload.ljust(4, b"\0")
        else:
            body += struct.pack("<HHII", tag, kind, count, at + size + len(data))
            data += payload + b"\0" * (len(payload) % 2)
    return body + struct.pack("<I", 0) + data


def _ascii(text):
    data = text.encode() + b"\0"
    return (2, len(data), data)


def _rationals(*pairs, signed=False):
    return (10 if signed else 5, len(pairs),
            b"".join(struct.pack("<ii" if signed else "<II", n, d) for n, d in pairs))


def exif_jpeg(ifd0, exif, gps):
    """The minimal JPEG with an Exif segment holding three IFDs: IFD0 with
    `ifd0` and pointers to the Exif and GPS IFDs holding `exif` and `gps`.
    Each is {tag: (type, count, payload)}."""
    def entries(table):
        return [(tag, kind, count, payload) for tag, (kind, count, payload) in table.items()]

    pointers = {0x8769: (4, 1, b"\0" * 4), 0x8825: (4, 1, b"\0" * 4)}
    first = 8 + len(_ifd(entries({**ifd0, **pointers}), 8))
    exif_ifd = _ifd(entries(exif), first)
    gps_at = first + len(exif_ifd)
    pointers = {0x8769: (4, 1, struct.pack("<I", first)), 0x8825: (4, 1, struct.pack("<I", gps_at))}
    tiff = (b"II*\x00" + struct.pack("<I", 8) + _ifd(entries({**ifd0, **pointers}), 8) + exif_ifd
            + _ifd(entries(gps), gps_at))
    segment = b"Exif\x00\x00" + tiff
    jpeg = MINIMAL_JPEG
    return jpeg[:2] + b"\xFF\xE1" + struct.pack(">H", len(segment) + 2) + segment + jpeg[2:]


def forms_jpeg(latitude_ref="N", longitude_ref="W", altitude_ref=1):
    """A JPEG with a value of every Exif type (FORMS gives the answers) and
    a GPS position with the references given."""
    xp_title = "Hafen 東京".encode("utf-16-le") + b"\0\0"
    ifd0 = {
        0x0110: _ascii("PENTAX *ist DL     "),
        0x0112: (3, 1, struct.pack("<H", 1)),
        0x0102: (3, 3, struct.pack("<HHH", 8, 8, 8)),
        0x9C9B: (1, len(xp_title), xp_title),
    }
    exif = {
        0x829A: _rationals((1, 125)),
        0x829D: _rationals((8, 1)),
        0x9000: (7, 4, b"0220"),
        0x9204: _rationals((-1, 3), signed=True),
        0xA002: (4, 1, struct.pack("<I", 4000)),
        0x9286: (7, 23, b"ASCII\0\0\0Harbour at dawn"),
        0x9003: _ascii("2024:05:06 07:08:09"),
        0x9291: _ascii("25"),
        0x9011: _ascii("+02:00"),
    }
    gps = {
        0x0000: (1, 4, bytes([2, 2, 0, 0])),
        0x0001: _ascii(latitude_ref),
        0x0002: _rationals((50, 1), (57, 1), (252, 10)),
        0x0003: _ascii(longitude_ref),
        0x0004: _rationals((6, 1), (3, 1), (4512, 100)),
        0x0005: (1, 1, bytes([altitude_ref])),
        0x0006: _rationals((255, 10)),
    }
    return exif_jpeg(ifd0, exif, gps)


# key: (stored, readable), for forms_jpeg() with its default references.
FORMS = {
    "Exif.Image.Model": ("PENTAX *ist DL     ", "PENTAX *ist DL"),
    "Exif.Image.Orientation": ("1", "top, left"),
    "Exif.Image.BitsPerSample": ("8 8 8", "8 8 8"),
    "Exif.Image.XPTitle": ("Hafen 東京", "Hafen 東京"),
    "Exif.Photo.ExposureTime": ("1/125", "1/125 s"),
    "Exif.Photo.FNumber": ("8/1", "F8"),
    "Exif.Photo.ExifVersion": ("48 50 50 48", "2.20"),
    "Exif.Photo.ExposureBiasValue": ("-1/3", "-1/3 EV"),
    "Exif.Photo.PixelXDimension": ("4000", "4000"),
    "Exif.Photo.UserComment": ("Harbour at dawn", "Harbour at dawn"),
    "Exif.GPSInfo.GPSVersionID": ("2 2 0 0", "2.2.0.0"),
    "Exif.GPSInfo.GPSLatitudeRef": ("N", "North"),
    "Exif.GPSInfo.GPSLatitude": ("50/1 57/1 252/10", "50deg 57' 25\""),
    "Exif.GPSInfo.GPSLongitudeRef": ("W", "West"),
    "Exif.GPSInfo.GPSLongitude": ("6/1 3/1 4512/100", "6deg 3' 45\""),
    "Exif.GPSInfo.GPSAltitudeRef": ("1", "Below sea level"),
    "Exif.GPSInfo.GPSAltitude": ("255/10", "25.5 m"),
}
