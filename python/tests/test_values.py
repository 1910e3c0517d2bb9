"""A value as stored and as read, GPS, the date taken, the Mapping protocol
and Exiv2's warnings, on images made here with every Exif type."""

import collections.abc
import datetime
import struct
import warnings

import pytest

import lumenmeta
from conftest import FORMS, MINIMAL_JPEG, forms_jpeg


def test_every_exif_type_in_both_forms():
    with lumenmeta.open_bytes(forms_jpeg()) as image:
        for key, (stored, readable) in FORMS.items():
            assert (image[key], image.get(key), image.text(key)) == (stored, stored, readable), key
        assert image.text("Exif.Image.Artist", "-") == "-"
        listed = {key: (stored, text) for key, _kind, stored, text in image.entries("Exif")}
        assert {key: listed[key] for key in FORMS} == FORMS
        assert ("Exif.GPSInfo.GPSVersionID", "Byte", "2 2 0 0", "2.2.0.0") in image.entries()


def test_numbers_from_every_numeric_type():
    with lumenmeta.open_bytes(forms_jpeg()) as image:
        assert image.get_int("Exif.GPSInfo.GPSAltitudeRef") == 1  # a byte
        assert image.get_int("Exif.GPSInfo.GPSVersionID") == 2  # the first of four bytes
        assert image.get_int("Exif.Image.BitsPerSample") == 8  # the first of three shorts
        assert image.get_int("Exif.Photo.PixelXDimension") == 4000  # a long
        assert image.get_float("Exif.Photo.ExposureTime") == 1 / 125  # a rational
        assert image.get_float("Exif.Photo.ExposureBiasValue") == -1 / 3  # a signed rational
        assert image.get_float("Exif.GPSInfo.GPSLatitude") == 50.0  # the degrees
        with pytest.raises(ValueError):
            image.get_int("Exif.Photo.ExposureTime")  # 1/125 is no whole number
        with pytest.raises(ValueError):
            image.get_float("Exif.Image.Model")


@pytest.mark.parametrize("references, expected", [
    (("N", "W", 1), (50.957, -(6 + 3 / 60 + 45.12 / 3600), -25.5)),
    (("S", "E", 0), (-50.957, 6 + 3 / 60 + 45.12 / 3600, 25.5)),
])
def test_gps_in_signed_decimal_degrees_and_metres(references, expected):
    with lumenmeta.open_bytes(forms_jpeg(*references)) as image:
        assert image.gps == pytest.approx(expected, abs=1e-9)
    with lumenmeta.open_bytes(MINIMAL_JPEG) as image:
        assert image.gps is None and image.date_taken is None


def test_date_taken_with_its_offset(tmp_path):
    with lumenmeta.open_bytes(forms_jpeg()) as image:
        taken = image.date_taken
        assert taken == datetime.datetime(2024, 5, 6, 7, 8, 9, 250000,
                                          datetime.timezone(datetime.timedelta(hours=2)))
        assert taken.utcoffset() == datetime.timedelta(hours=2)
        image["Xmp.photoshop.DateCreated"] = "2020-01-02T03:04:05-05:30"
        path = tmp_path / "dated.jpg"
        path.write_bytes(image.to_bytes())
    with lumenmeta.open_bytes(MINIMAL_JPEG) as image:
        image["Xmp.photoshop.DateCreated"] = "2020-01-02T03:04:05-05:30"
        assert image.date_taken == datetime.datetime(
            2020, 1, 2, 3, 4, 5, tzinfo=datetime.timezone(-datetime.timedelta(hours=5, minutes=30)))
        image["Xmp.photoshop.DateCreated"] = "2020-01-02T03:04"
        assert image.date_taken == datetime.datetime(2020, 1, 2, 3, 4)  # naive: no zone held
        image["Exif.Photo.DateTimeOriginal"] = "    :  :     :  :  "  # blank: the XMP date
        assert image.date_taken == datetime.datetime(2020, 1, 2, 3, 4)


def test_an_image_is_a_mapping_and_keeps_repeated_keys(photo):
    with lumenmeta.open(photo) as image:
        assert isinstance(image, collections.abc.Mapping)
        items = image.items()
        assert len(image) == len(image.keys()) == len(items) == len(set(image.keys()))
        values = dict(items)
        assert values["Iptc.Application2.Keywords"] == ("harbour", "boats")  # not cut
        assert values["Xmp.dc.subject"] == ("harbour", "boats")
        assert values["Exif.Image.Make"] == image["Exif.Image.Make"] == "Lumen Camera Works"
        assert image.values() == [value for _key, value in items]
        assert dict(image.items("iptc")) == {key: values[key] for key in image.keys("Iptc")}
        with pytest.raises(ValueError):
            image.items("exiff")


def test_exiv2_warnings_name_the_file(tmp_path):
    # An Exif IFD0 claiming 64 entries in a segment that holds one.
    segment = b"Exif\0\0II*\0" + struct.pack("<I", 8) + bytes(
        [0x40, 0x00, 0x0F, 0x01, 0x02, 0x00, 0x50, 0x00, 0x00, 0x00])
    damaged = (MINIMAL_JPEG[:2] + b"\xFF\xE1" + struct.pack(">H", len(segment) + 2) + segment
               + MINIMAL_JPEG[2:])
    path = tmp_path / "damaged.jpg"
    path.write_bytes(damaged)
    lumenmeta.set_exiv2_log_level(2)
    try:
        with pytest.warns(lumenmeta.Exiv2Warning) as caught:
            lumenmeta.open(path).close()
        assert all(str(w.message).startswith(f"{path}: ") for w in caught)
        assert caught[0].filename == __file__  # attributed to the caller's line
        with warnings.catch_warnings():
            warnings.simplefilter("error", lumenmeta.Exiv2Warning)
            with pytest.raises(lumenmeta.Exiv2Warning):
                lumenmeta.open(path)
    finally:
        lumenmeta.set_exiv2_log_level(4)
