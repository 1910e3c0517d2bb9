"""A photo library of 200 JPEGs made at run time, for the tests that read
and write whole libraries, and the command-line tool's view of it."""

import json
import os
import shutil
import subprocess

import lumenmeta
from conftest import MINIMAL_JPEG

FILES = 200
# The keys each photo may hold; some photos lack some of them.
KEYS = ["Exif.Image.Model", "Exif.Photo.DateTimeOriginal", "Iptc.Application2.City",
        "Xmp.dc.subject", "Xmp.dc.title", "Xmp.Lumenframe.Client"]
SUBJECTS = ["harbour", "boats", "dawn"]


def values_of(number):
    """What photo `number` holds, by key: lists for several values."""
    values = {
        "Exif.Image.Model": f"LX-{number % 3}",
        "Exif.Photo.DateTimeOriginal": f"2024:05:{1 + number % 28:02d} 07:08:{number % 60:02d}",
        "Xmp.dc.subject": SUBJECTS[:1 + number % 3],
        "Xmp.dc.title": f"Photo {number} at Łódź",
    }
    if number % 5:
        values["Iptc.Application2.City"] = ["Lumenport", "Harbourside"][number % 2]
    if number % 7 == 0:
        values["Xmp.Lumenframe.Client"] = "Harbour Board"
    return values


def make_library(root):
    """FILES photos in four rolls (one nested), a damaged photo, a text file
    and a link to a folder outside; returns the paths of the photos."""
    paths = []
    for number in range(FILES):
        roll = root / ["roll-a", "roll-b", "roll-b/day-2", "roll-c"][number % 4]
        roll.mkdir(parents=True, exist_ok=True)
        with lumenmeta.open_bytes(MINIMAL_JPEG) as image:
            for key, value in values_of(number).items():
                image[key] = value
            path = roll / f"{number:04d}.jpg"
            path.write_bytes(image.to_bytes())
        paths.append(str(path))
    (root / "roll-c" / "damaged.jpg").write_bytes(MINIMAL_JPEG[:2] + b"\0" * 64)
    (root / "roll-a" / "index.txt").write_text("not a photo")
    outside = root.parent / f"{root.name}-outside"
    outside.mkdir()
    shutil.copy(paths[0], outside / "elsewhere.jpg")
    os.symlink(outside, root / "roll-a" / "link")
    return paths


def tool():
    """The command-line tool beside the library in use, or on PATH."""
    chosen = os.environ.get("LUMENMETA_TOOL")
    if chosen:
        return chosen
    library = os.environ.get("LUMENMETA_LIBRARY")
    if library:
        beside = os.path.join(os.path.dirname(library), os.pardir, "tools", "lumenmeta")
        if os.path.exists(beside):
            return os.path.normpath(beside)
    return shutil.which("lumenmeta")


def show_json(*inputs):
    """{file: {key: value}} from `lumenmeta show --json -r -j 2`, a key's
    stored values grouped as a row holds them: one as its text, several as
    a tuple in index order."""
    run = subprocess.run([tool(), "show", "--json", "-r", "-j", "2", *map(str, inputs)],
                         capture_output=True, text=True, check=False)
    files = {}
    for line in run.stdout.splitlines():
        shown = json.loads(line)
        values = {}
        for family in ("exif", "iptc", "xmp"):
            for entry in shown.get(family, []):
                values.setdefault(entry["key"], []).append(entry["value"])
        files[shown["file"]] = {key: texts[0] if len(texts) == 1 else tuple(texts)
                                for key, texts in values.items()}
    return files, run.stderr
