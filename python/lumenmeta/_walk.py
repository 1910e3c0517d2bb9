"""The files a batch works on, found as the command-line tool finds them with
``-r``: a folder is walked, its image files first (by name), then each
subfolder (by name); symbolic links met inside are neither followed nor
taken, and only regular files named like images count. Anything else named
is a file, whatever its name; a name that is not there but holds glob
characters is a pattern, its matches in order."""

import glob
import os
from typing import Iterable, Iterator, Union

# The file name extensions that count as images in a folder, as the tool has them.
IMAGE_EXTENSIONS = frozenset((
    ".jpg", ".jpeg", ".jpe", ".tif", ".tiff", ".png", ".webp", ".dng", ".cr2", ".crw",
    ".nef", ".arw", ".orf", ".pef", ".rw2", ".raf", ".srw", ".psd", ".jp2", ".gif",
    ".bmp", ".exv", ".xmp", ".heic", ".avif", ".cr3",
))


def looks_like_image(name: str) -> bool:
    """True when `name` ends with an image file's extension, in any case."""
    return os.path.splitext(name)[1].lower() in IMAGE_EXTENSIONS


def walk(folder: str) -> Iterator[str]:
    """The image files below `folder`, depth first, without following links.
    A folder that cannot be listed gives nothing, as in the tool."""
    files, below = [], []
    try:
        with os.scandir(folder) as listing:
            for entry in listing:
                try:
                    if entry.is_dir(follow_symlinks=False):
                        below.append(entry.path)
                    elif entry.is_file(follow_symlinks=False) and looks_like_image(entry.name):
                        files.append(entry.path)
                except OSError:
                    continue
    except OSError:
        return
    yield from sorted(files, key=os.fsencode)
    for sub in sorted(below, key=os.fsencode):
        yield from walk(sub)


def _is_pattern(name: str) -> bool:
    return glob.has_magic(name) and not os.path.lexists(name)


def expand(inputs: Union[str, "os.PathLike[str]", Iterable]) -> Iterator[str]:
    """Each file of `inputs` (one path, or an iterable of them) as a str
    path, folders walked and patterns matched, lazily and in order."""
    if isinstance(inputs, (str, bytes, os.PathLike)):
        inputs = [inputs]
    for item in inputs:
        name = os.fsdecode(item)
        if os.path.isdir(name):
            yield from walk(name)
        elif _is_pattern(name):
            for match in sorted(glob.glob(name, recursive=True), key=os.fsencode):
                if os.path.isdir(match):
                    yield from walk(match)
                else:
                    yield match
        else:
            yield name
