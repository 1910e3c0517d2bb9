"""Photo libraries as Dask data frames: metadata read and written by the
workers of a Dask cluster, on one machine or many.

Needs Dask with its data frames (Debian: python3-dask, python3-distributed,
python3-pandas); the rest of the package needs none of it. Every worker
needs this package and the lumenmeta library (LUMENMETA_LIBRARY set where it
is not installed) and must see the files at the same paths as the caller::

    from dask.distributed import Client
    import lumenmeta.dask

    client = Client("tcp://scheduler:8786")   # or Client() for this machine
    frame = lumenmeta.dask.read_metadata("/photos", ["Exif.Image.Model", "Xmp.dc.title"])
    by_model = frame.groupby("Exif.Image.Model").size().compute()

A row is one file: ``file``, ``error`` (None, or why the file could not be
read), then one column per key holding the value as stored, as
``image[key]`` gives it (None where the file lacks the key, the tuple of all
values for a key with several). The columns are all of object dtype.
"""

import os
from typing import Any, Dict, Iterable, List, Optional, Sequence

import dask.bag
import dask.dataframe
import pandas

from . import _walk
from ._catalogue import checked_keys, read_row
from ._image import Error, open as open_image

__all__ = ["read_metadata", "write_metadata"]

MODES = ("set", "add")


def _columns(keys: Sequence[str]) -> List[str]:
    return ["file", "error", *keys]


def _empty(columns: Sequence[str]) -> pandas.DataFrame:
    return pandas.DataFrame({column: pandas.Series([], dtype=object) for column in columns})


def _read_partition(paths: Sequence[str], start: int, keys: Sequence[str]) -> pandas.DataFrame:
    """The rows of `paths`, indexed from `start` so that the frame's index
    numbers its files from 0 across the partitions."""
    rows = [read_row(path, keys) for path in paths]
    columns = _columns(keys)
    data = {column: pandas.Series([row[column] for row in rows], dtype=object)
            for column in columns}
    frame = pandas.DataFrame(data, columns=columns)
    frame.index = pandas.RangeIndex(start, start + len(rows))
    return frame


def _keys_of(paths: Sequence[str]) -> List[str]:
    """Every key the files of `paths` hold, in the order first met."""
    keys: Dict[str, None] = {}
    for path in paths:
        try:
            with open_image(path) as image:
                keys.update(dict.fromkeys(image.keys()))
        except (Error, OSError, ValueError):
            continue  # its row will say why
    return list(keys)


def read_metadata(paths, keys: Optional[Iterable[str]] = None,
                  files_per_partition: int = 256) -> "dask.dataframe.DataFrame":
    """A Dask data frame of the metadata of the files at `paths`: one row per
    file, columns ``file``, ``error`` and one per key, every column of object
    dtype and known before anything is computed. The index numbers the files
    from 0 in the order found, so its divisions are known.

    `paths` is a path, a folder, a glob pattern or an iterable of them,
    expanded here as :func:`lumenmeta.catalogue` expands them (a folder is
    walked as ``lumenmeta -r`` walks it, without following links), so the
    caller must see the files too. The files are read by the workers,
    `files_per_partition` of them per task. A file that cannot be read
    gives a row with its ``error`` text; nothing fails the computation.

    With `keys` None the columns are the union of the keys the files hold,
    in the order first met: a data frame's columns must be fixed before its
    rows are read, so the workers first list every file's keys (one more
    opening of each file, computed at once on the current scheduler). Give
    `keys` to avoid that pass, and to get just the columns you need."""
    if files_per_partition < 1:
        raise ValueError(f"files_per_partition must be 1 or more, not {files_per_partition}")
    files = list(_walk.expand(paths))
    chunks = [files[at:at + files_per_partition]
              for at in range(0, len(files), files_per_partition)]
    if keys is None and not chunks:
        keys = []
    elif keys is None:
        listed = dask.bag.from_sequence(chunks, npartitions=len(chunks)).map(_keys_of)
        keys = list(dict.fromkeys(key for found in listed.compute() for key in found))
    keys = checked_keys(keys)
    meta = _empty(_columns(keys))
    if not chunks:
        return dask.dataframe.from_pandas(meta, npartitions=1)
    starts = list(range(0, len(files), files_per_partition))
    return dask.dataframe.from_map(
        _read_partition, chunks, starts, args=[keys], meta=meta,
        divisions=[*starts, len(files) - 1], label="lumenmeta-read", enforce_metadata=False)


def _is_empty(cell: Any) -> bool:
    """True for a cell that leaves its key as it is: None, NaN, NA."""
    if cell is None:
        return True
    if isinstance(cell, (str, tuple, list)):
        return False
    try:
        return bool(pandas.isna(cell))
    except (TypeError, ValueError):
        return False


def _texts(cell: Any) -> List[Any]:
    if isinstance(cell, (tuple, list)):
        return list(cell)
    if isinstance(cell, float) and cell.is_integer():
        return [int(cell)]  # a whole number pandas made a float ("72.0")
    return [cell]


def _write_file(path: str, cells: Dict[str, Any], mode: str) -> Dict[str, Any]:
    """Applies `cells` ({key: cell}, the empty ones already left out) to the
    file and writes it once; the result row."""
    try:
        with open_image(path) as image:
            for key, cell in cells.items():
                if mode == "set":
                    image[key] = _texts(cell)
                else:
                    for text in _texts(cell):
                        image.add(key, text)
            image.save()
        return {"file": path, "done": True, "error": None}
    except (Error, OSError, ValueError, TypeError) as error:
        return {"file": path, "done": False, "error": str(error) or type(error).__name__}


def _write_partition(part: pandas.DataFrame, mode: str) -> pandas.DataFrame:
    """Writes each file of the partition once: its rows' non-empty cells
    taken together, a later row's cell winning for a key."""
    keys = [column for column in part.columns if column not in ("file", "error")]
    cells_of: Dict[str, Dict[str, Any]] = {}
    for row in part.itertuples(index=False, name=None):
        record = dict(zip(part.columns, row))
        path = os.fsdecode(record["file"])
        cells = cells_of.setdefault(path, {})
        cells.update((key, record[key]) for key in keys if not _is_empty(record[key]))
    results = [_write_file(path, cells, mode) for path, cells in cells_of.items()]
    return pandas.DataFrame({
        "file": pandas.Series([r["file"] for r in results], dtype=object),
        "done": pandas.Series([r["done"] for r in results], dtype=bool),
        "error": pandas.Series([r["error"] for r in results], dtype=object),
    })


def write_metadata(frame: "dask.dataframe.DataFrame", mode: str = "set", compute: bool = True):
    """Writes a data frame of the shape :func:`read_metadata` gives (a
    ``file`` column and one column per key; an ``error`` column is ignored)
    into the files, on the workers, one partition at a time.

    In each row, an empty cell (None, NaN) leaves its key as it is. With
    ``mode="set"`` a cell replaces every value of its key (a tuple or list
    gives an XMP array or a repeated IPTC dataset its items; ``""`` removes
    the key); with ``mode="add"`` its values are added to what the key holds.
    Each file is opened once, gets all its cells and is written once,
    crash-safely (a new file renamed over the old one), so a worker that dies
    mid-write leaves the file as it was, and the task run again completes it.
    Rows are first grouped by file across partitions, so that however the
    frame was cut, each file is written by one task only.

    `frame` may also be a pandas data frame, cut here into partitions of 256
    rows. The result has one row per file, in no set order: ``file``,
    ``done`` (bool) and ``error`` (why it failed, else None); a file that
    fails does not stop the others.
    With `compute` (the default) the writing is done now and the result is
    a pandas data frame; otherwise it is a lazy Dask data frame that writes
    when computed."""
    if mode not in MODES:
        raise ValueError(f"mode must be one of {MODES}, not {mode!r}")
    if isinstance(frame, pandas.DataFrame):
        frame = dask.dataframe.from_pandas(frame, chunksize=256, sort=False)
    if "file" not in frame.columns:
        raise ValueError("the frame needs a 'file' column")
    if frame.npartitions > 1:
        frame = frame.shuffle("file", npartitions=frame.npartitions)
    meta = pandas.DataFrame({"file": pandas.Series([], dtype=object),
                             "done": pandas.Series([], dtype=bool),
                             "error": pandas.Series([], dtype=object)})
    results = frame.map_partitions(_write_partition, mode, meta=meta,
                                   enforce_metadata=False, align_dataframes=False)
    return results.compute().reset_index(drop=True) if compute else results
