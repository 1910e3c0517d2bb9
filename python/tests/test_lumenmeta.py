import gc
import hashlib
import os
import weakref
from fractions import Fraction

import pytest

import lumenmeta
from conftest import MINIMAL_JPEG, PHOTO_VALUES, bmff

TEXT = "Zoë Łódź 東京"

# Keys on which TEXT must come back unchanged after a write and a reopen.
ROUND_TRIP_KEYS = ["Xmp.dc.title", "Xmp.dc.description", "Xmp.Lumenframe.Client",
                   "Exif.Image.Artist", "Iptc.Application2.Caption"]
# Edits of Exif and IPTC keys whose XMP twin the file holds.
EDITS_OVER_TWINS = [("Exif.Image.Orientation", "6"), ("Iptc.Application2.City", "Port")]


def test_reads_all_three_families(photo):
    with lumenmeta.open(photo) as image:
        for key, value in PHOTO_VALUES.items():
            assert image.get_all(key) == (value if isinstance(value, list) else [value]), key
        assert image["Exif.Image.Make"] == "Lumen Camera Works"
        assert image.get("Exif.Image.Artist") is None
        assert image.get("Exif.Image.Artist", "-") == "-"
        with pytest.raises(KeyError):
            image["Exif.Image.Artist"]
        assert "Xmp.dc.title" in image and "Xmp.dc.rights" not in image
        # Each family lists its keys once, in order; the write added twins.
        assert image.keys("iptc") == ["Iptc.Application2.City", "Iptc.Application2.Keywords",
                                      "Iptc.Application2.ObjectName", "Iptc.Envelope.CharacterSet"]
        assert {"Exif.Image.Make", "Xmp.tiff.Make", "Xmp.dc.subject"} <= set(image.keys())
        assert dict(image.items("Xmp"))["Xmp.dc.subject"] == ("harbour", "boats")
        assert image.get_rational("Exif.Photo.ExposureTime") == Fraction(1, 250)
        assert image.get_float("Exif.Photo.ExposureTime") == 0.004
        assert image.get_int("Exif.Image.Orientation") == 1
        assert image.get_int("Exif.Image.Artist", -1) == -1
        assert image.thumbnail == MINIMAL_JPEG
        assert image.variables == {"Xmp.Lumenframe.Client": ["Harbour Board"]}


@pytest.mark.parametrize("key", ROUND_TRIP_KEYS)
def test_text_round_trips_through_file_and_memory(photo, key):
    with lumenmeta.open(photo) as image:
        image[key] = TEXT
        assert image[key] == TEXT
        image.save()
        in_memory = image.to_bytes()
    with lumenmeta.open(photo) as image:
        assert image[key] == TEXT
        assert image["Exif.Image.Make"] == "Lumen Camera Works"  # the rest kept
    with lumenmeta.open_bytes(in_memory) as image:
        assert image[key] == TEXT


def test_edits_replace_append_and_remove(photo):
    with lumenmeta.open(photo) as image:
        image["Xmp.dc.subject"] = ["sea", "gulls"]  # an array is replaced whole
        image.add("Xmp.dc.subject", "dawn")
        image.add("Iptc.Application2.Keywords", "sea")  # a repeated dataset grows
        image.add("Iptc.Application2.City", "Port")  # a single one is replaced
        del image["Xmp.Lumenframe.Client"]
        del image["Exif.Image.Artist"]  # no value: no error
        with pytest.raises(lumenmeta.Error, match="Xmp.dc.title"):
            image["Xmp.dc.title"] = 'lang="x'  # rejected: the former value stays
        assert image["Xmp.dc.title"] == "Harbour at dawn"
        assert image.get_all("Xmp.dc.subject") == ["sea", "gulls", "dawn"]
        assert image.get_all("Iptc.Application2.Keywords") == ["harbour", "boats", "sea"]
        assert image["Iptc.Application2.City"] == "Port"
        image.save(xmp_mode=lumenmeta.XmpMode.MERGE)
    with lumenmeta.open(photo) as image:
        assert image.get_all("Xmp.dc.subject") == ["sea", "gulls", "dawn"]
        assert "Xmp.Lumenframe.Client" not in image and image.variables == {}
        image.save(xmp_mode=lumenmeta.XmpMode.REMOVE)
    with lumenmeta.open(photo) as image:
        assert image.keys("Xmp") == [] and image["Exif.Image.Make"] == "Lumen Camera Works"


@pytest.mark.parametrize("key, value", EDITS_OVER_TWINS)
def test_an_edit_wins_over_its_xmp_twin(photo, key, value):
    with lumenmeta.open(photo) as image:
        image[key] = value
        image.save()
    with lumenmeta.open(photo) as image:
        assert image[key] == value


def test_copy_and_release(photo, tmp_path):
    target = tmp_path / "new.jpg"
    lumenmeta.copy_metadata(photo, target)  # creates the target
    image = lumenmeta.open(target)
    assert image["Xmp.dc.title"] == "Harbour at dawn"
    collected = weakref.ref(image)
    del image
    gc.collect()
    assert collected() is None  # nothing keeps an image alive but its user
    with lumenmeta.open(photo) as image:
        pass
    assert image.closed
    for call in (lambda: image.get("Xmp.dc.title"), image.to_bytes, image.save):
        with pytest.raises(ValueError, match="closed"):
            call()
    image.close()  # again: nothing happens


def test_error_paths(photo, tmp_path):
    missing = tmp_path / "missing.jpg"
    with pytest.raises(lumenmeta.Error, match="no such file"):
        lumenmeta.open(missing)
    (tmp_path / "text.jpg").write_text("not an image")
    with pytest.raises(lumenmeta.Error, match="not an image"):
        lumenmeta.open(tmp_path / "text.jpg")
    with pytest.raises(lumenmeta.Error, match="not an image"):
        lumenmeta.open_bytes(b"not an image")
    with pytest.raises(lumenmeta.Error):
        lumenmeta.copy_metadata(missing, tmp_path / "target.jpg")
    with lumenmeta.open(photo) as image:
        # The library's own trace of the failure travels with the error.
        with pytest.raises(lumenmeta.Error, match="Unable to write into file") as failure:
            image.save(tmp_path / "no" / "such" / "folder.jpg")
        assert "Writing into file" in failure.value.trace
        with pytest.raises(lumenmeta.Error, match="rejected"):
            image["Exif.Image.NoSuchTag"] = "x"
        with pytest.raises(ValueError, match="not a number"):
            image.get_int("Exif.Image.Make")
        with pytest.raises(ValueError, match="whole"):
            image.get_int("Exif.Photo.ExposureTime")
        with pytest.raises(ValueError):
            image["Xmp.dc.title"] = "cut\0here"
        with pytest.raises(TypeError):
            image["Xmp.dc.title"] = b"bytes"
        with pytest.raises(ValueError):
            image.keys("Maker")
        assert image["Xmp.dc.title"] == "Harbour at dawn"
    with lumenmeta.open_bytes(photo.read_bytes()) as image:
        with pytest.raises(lumenmeta.Error, match="give save"):
            image.save()


def _state(path):
    """A hash of what a sidecar write must leave alone: the image's bytes,
    inode, modification time and extended attributes."""
    info = os.stat(path)
    attributes = {name: os.getxattr(path, name) for name in os.listxattr(path)}
    return (hashlib.sha256(open(path, "rb").read()).hexdigest(), info.st_ino,
            info.st_mtime_ns, attributes)


def test_a_sidecar_takes_the_edits_and_is_read_over_the_image(photo, tmp_path):
    try:
        os.setxattr(photo, "user.xdg.tags", b"harbour")
    except OSError:
        pass  # a file system without user attributes
    before = _state(photo)
    sidecar = tmp_path / "photo.xmp"
    with lumenmeta.open(photo) as image:
        image["Xmp.dc.title"] = "Sidecar title"
        image.add("Xmp.dc.subject", "gulls")
        image.save(sidecar=True)  # made
    with lumenmeta.open(sidecar) as side:  # another program adds to it
        side["Xmp.xmp.Label"] = "Red"
        side.save()
    with lumenmeta.open(photo, sidecar=True) as image:
        assert image["Xmp.dc.title"] == "Sidecar title"  # the sidecar's
        assert image["Exif.Image.Make"] == "Lumen Camera Works"  # the image's
        assert "Xmp.xmp.Label" in image.keys("Xmp")
        image.add("Xmp.dc.subject", "fog")  # appended to what is read
        image.save(sidecar=True)  # merged into
    with lumenmeta.open(sidecar) as side:
        assert side["Xmp.xmp.Label"] == "Red" and side["Xmp.dc.title"] == "Sidecar title"
        assert side.get_all("Xmp.dc.subject") == ["harbour", "boats", "gulls", "fog"]
    with lumenmeta.open(photo) as image:
        assert image["Xmp.dc.title"] == "Harbour at dawn"
    assert _state(photo) == before


def test_a_format_that_cannot_be_written_says_so(tmp_path):
    heic = tmp_path / "raw.heic"
    heic.write_bytes(bmff(b"heicmif1"))
    with lumenmeta.open(heic, sidecar=True) as image:
        image["Xmp.dc.title"] = "T"
        with pytest.raises(lumenmeta.Error, match="HEIF files cannot be written in place"):
            image.save()
        with pytest.raises(lumenmeta.Error, match="HEIF files cannot be written in place"):
            image.to_bytes()
        image.save(sidecar=True)
    with lumenmeta.open(heic, sidecar=tmp_path / "raw.xmp") as image:
        assert image["Xmp.dc.title"] == "T"
    assert heic.read_bytes() == bmff(b"heicmif1")
