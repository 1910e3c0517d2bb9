"""catalogue(): one row of metadata per file, for whole photo libraries,
read in worker processes."""

import collections
import concurrent.futures
import itertools
import multiprocessing
import os
import threading
import warnings
from concurrent.futures.process import BrokenProcessPool
from typing import Any, Dict, Iterable, Iterator, List, Optional, Sequence

from . import _walk
from ._image import Error, open as open_image
from ._native import Exiv2Warning

# Files handed to a worker at a time: enough to keep the cost of passing
# them small, few enough that both workers get a share of a short list.
CHUNK = 16

Row = Dict[str, Any]


def value_of(values: Sequence[str]) -> Any:
    """A key's cell: None without values, the stored text of one value, the
    tuple of all of them for several (as ``Image.items`` gives them)."""
    if not values:
        return None
    return values[0] if len(values) == 1 else tuple(values)


def read_row(path: str, keys: Optional[Sequence[str]]) -> Row:
    """The row of one file: "file", "error" (None when it was read), then
    each key's cell, or every key the file holds when `keys` is None. A
    file that cannot be read gives its error text and None for each key."""
    try:
        with open_image(path) as image:
            if keys is None:
                return {"file": path, "error": None, **dict(image.items())}
            return {"file": path, "error": None,
                    **{key: value_of(image.get_all(key)) for key in keys}}
    except (Error, OSError, ValueError) as error:
        return {"file": path, "error": str(error) or type(error).__name__,
                **dict.fromkeys(keys or ())}


def checked_keys(keys: Iterable[str]) -> List[str]:
    """`keys` (one key, or an iterable of them) as a list, each once;
    TypeError or ValueError for one that cannot name a key of a row."""
    keys = [keys] if isinstance(keys, str) else list(dict.fromkeys(keys))
    for key in keys:
        if not isinstance(key, str) or not key:
            raise TypeError(f"a key must be a non-empty str, not {key!r}")
        if key in ("file", "error"):
            raise ValueError(f"{key!r} names a column of the row, not a key")
    return keys


def read_rows(paths: Sequence[str], keys: Optional[Sequence[str]]) -> List[Row]:
    return [read_row(path, keys) for path in paths]


def _quiet_worker():
    # Exiv2's warnings about a damaged file would go to the caller's stderr
    # once per worker; a file that cannot be read says so in its row.
    warnings.simplefilter("ignore", Exiv2Warning)


def _start_method() -> str:
    """Forked straight from the caller while it runs one thread alone: then
    no other thread can hold a lock of the library's (or Python's) that the
    workers would inherit held, and starting them costs little. Otherwise
    forked from a clean server process, at the price of each worker
    importing the package anew."""
    return "fork" if threading.active_count() == 1 else "forkserver"


class _Pool:
    """Worker processes, started again when one of them dies (see
    _start_method for how)."""

    def __init__(self, jobs: int) -> None:
        self._jobs = jobs
        self._executor = self._start()

    def _start(self):
        return concurrent.futures.ProcessPoolExecutor(
            self._jobs, mp_context=multiprocessing.get_context(_start_method()),
            initializer=_quiet_worker)

    def submit(self, paths, keys):
        return self._executor.submit(read_rows, paths, keys)

    def restart(self) -> None:
        self._executor.shutdown(wait=True)
        self._executor = self._start()

    def close(self) -> None:
        self._executor.shutdown(wait=True)

    def read_alone(self, path, keys) -> Row:
        """One file in a worker of its own: the row, or an error row when
        reading it ended the worker."""
        try:
            return self.submit([path], keys).result()[0]
        except BrokenProcessPool:
            self.restart()
            return {"file": path, "error": "the worker process reading it ended",
                    **dict.fromkeys(keys or ())}


def _chunks(iterable: Iterable[str], size: int) -> Iterator[List[str]]:
    iterator = iter(iterable)
    while True:
        chunk = list(itertools.islice(iterator, size))
        if not chunk:
            return
        yield chunk


def _pooled(files: Iterator[str], keys, jobs: int) -> Iterator[Row]:
    pool = _Pool(jobs)
    pending = collections.deque()  # (chunk, future) in the files' order
    chunks = _chunks(files, CHUNK)
    try:
        while True:
            while len(pending) < 4 * jobs:
                chunk = next(chunks, None)
                if chunk is None:
                    break
                pending.append((chunk, pool.submit(chunk, keys)))
            if not pending:
                return
            chunk, future = pending.popleft()
            try:
                rows = future.result()
            except BrokenProcessPool:
                # A worker died: its chunk is read again one file at a time,
                # so that only a file that ends a worker gets an error row,
                # and the chunks that were waiting go to the new workers.
                pool.restart()
                rows = [pool.read_alone(path, keys) for path in chunk]
                pending = collections.deque((waiting, pool.submit(waiting, keys))
                                            for waiting, _ in pending)
            yield from rows
    finally:
        for _, future in pending:
            future.cancel()
        pool.close()


def catalogue(paths, keys: Optional[Iterable[str]] = None,
              jobs: Optional[int] = None) -> Iterator[Row]:
    """One dict per file, in the order of `paths`: ``"file"`` (the path),
    ``"error"`` (None, or why the file could not be read), then each key of
    `keys` with its value as stored (None where the file lacks it; the
    tuple of all values for a key with several, as ``Image.items`` gives
    them), or, when `keys` is None, every key the file holds.

    `paths` is a path or an iterable of them: a folder is walked as
    ``lumenmeta -r`` walks it (its image files by name, then its subfolders;
    symbolic links inside are not followed), a name holding ``*``, ``?`` or
    ``[`` that is not a file is a glob pattern. A file that cannot be read
    (missing, damaged, not an image) gives a row with its ``error`` text and
    the batch goes on.

    The files are read by `jobs` worker processes (default: one per core),
    forked from the caller while it runs one thread alone, else from a clean
    server process (multiprocessing's "forkserver"); a script that calls this
    with jobs above 1 guards its top level with
    ``if __name__ == "__main__":``, as any use of multiprocessing does. With
    ``jobs=1`` the files are read in the calling process. The rows are
    produced lazily, a few chunks of files ahead of the caller; a worker that
    dies is replaced, and only a file that makes a worker die gets an error
    row for it."""
    if keys is not None:
        keys = checked_keys(keys)
    if jobs is None:
        jobs = len(os.sched_getaffinity(0)) if hasattr(os, "sched_getaffinity") else (
            os.cpu_count() or 1)
    if jobs < 1:
        raise ValueError(f"jobs must be 1 or more, not {jobs}")
    files = _walk.expand(paths)
    if jobs == 1:
        return (read_row(path, keys) for path in files)
    return _pooled(files, keys, jobs)
