import os

import pytest

import lumenmeta
from conftest import MINIMAL_JPEG

KEYS = ["Exif.Image.Model", "Xmp.dc.subject", "Xmp.dc.title"]


def _jpeg(path, **values):
    with lumenmeta.open_bytes(MINIMAL_JPEG) as image:
        for key, value in values.items():
            image[key.replace("_", ".")] = value
        path.write_bytes(image.to_bytes())


@pytest.fixture
def shelf(tmp_path):
    """A folder as a library has them: images in it and in a subfolder, a
    damaged one, files that are not images, and links that lead out."""
    root = tmp_path / "shelf"
    (root / "b-roll" / "deeper").mkdir(parents=True)
    (root / "a").mkdir()
    _jpeg(root / "z.jpg", Exif_Image_Model="LX-1", Xmp_dc_subject=["harbour", "boats"])
    _jpeg(root / "B.JPEG", Xmp_dc_title="Dawn")
    _jpeg(root / "b-roll" / "deeper" / "d.jpg", Exif_Image_Model="LX-2")
    _jpeg(root / "a" / "c.tif.jpg", Xmp_dc_subject="sea")
    (root / "b-roll" / "damaged.jpg").write_bytes(b"\xFF\xD8 not a picture")
    (root / "notes.txt").write_text("not an image")
    outside = tmp_path / "outside"
    outside.mkdir()
    _jpeg(outside / "o.jpg")
    os.symlink(outside, root / "link-to-folder")
    os.symlink(outside / "o.jpg", root / "link.jpg")
    return root


def test_walks_as_the_tool_and_gives_one_row_per_file(shelf):
    rows = list(lumenmeta.catalogue(shelf, KEYS, jobs=1))
    # Files of a folder before its subfolders, each by name; the text file
    # and both links are left out.
    assert [os.path.relpath(row["file"], shelf) for row in rows] == [
        "B.JPEG", "z.jpg", "a/c.tif.jpg", "b-roll/damaged.jpg", "b-roll/deeper/d.jpg"]
    by_name = {os.path.basename(row["file"]): row for row in rows}
    assert by_name["z.jpg"] == {"file": str(shelf / "z.jpg"), "error": None,
                                "Exif.Image.Model": "LX-1",
                                "Xmp.dc.subject": ("harbour", "boats"), "Xmp.dc.title": None}
    assert by_name["c.tif.jpg"]["Xmp.dc.subject"] == "sea"
    assert by_name["B.JPEG"]["Xmp.dc.title"] == "Dawn"
    damaged = by_name["damaged.jpg"]
    assert "not an image" in damaged["error"]
    assert [damaged[key] for key in KEYS] == [None] * 3
    # Every key of each file when none are asked for, as the image maps them.
    everything = list(lumenmeta.catalogue([shelf / "z.jpg"], jobs=1))
    with lumenmeta.open(shelf / "z.jpg") as image:
        assert everything == [{"file": str(shelf / "z.jpg"), "error": None, **dict(image.items())}]


def test_workers_keep_the_order_and_a_bad_name_does_not_stop_the_batch(shelf):
    # Named files and patterns are taken as given, folders walked, in the order named.
    inputs = [shelf / "missing.jpg", str(shelf / "b-roll"), str(shelf / "*.jpg"),
              shelf / "notes.txt", shelf / "link.jpg"] * 10
    alone = list(lumenmeta.catalogue(inputs, KEYS, jobs=1))
    assert len(alone) == 70
    assert list(lumenmeta.catalogue(inputs, KEYS, jobs=3)) == alone
    first = [(os.path.relpath(row["file"], shelf), row["error"]) for row in alone[:7]]
    assert first[0] == ("missing.jpg", f"cannot open {shelf / 'missing.jpg'}: no such file")
    # A pattern gives what a shell would: the link it matches too.
    assert [name for name, _ in first[1:]] == ["b-roll/damaged.jpg", "b-roll/deeper/d.jpg",
                                                "link.jpg", "z.jpg", "notes.txt", "link.jpg"]
    assert "not an image" in first[5][1]  # a named text file is tried, and fails
    assert first[6][1] is None  # a named link is followed, as the tool does
    # A generator left early stops its workers; bad arguments fail at once.
    rows = lumenmeta.catalogue(inputs, KEYS, jobs=2)
    assert next(rows)["file"] == str(shelf / "missing.jpg")
    rows.close()
    with pytest.raises(ValueError):
        lumenmeta.catalogue(shelf, ["file"])
    with pytest.raises(ValueError):
        lumenmeta.catalogue(shelf, KEYS, jobs=0)
