"""The Image class: one opened image and its metadata working set."""

import builtins
import ctypes
import enum
import os
import threading
import weakref
from ctypes import c_int, c_int32, c_void_p
from fractions import Fraction

from . import _native
from ._native import Trace, lib


class Error(Exception):
    """A call into the lumenmeta library failed.

    ``str(error)`` says what failed and why; ``trace`` holds everything the
    library traced during the call (empty when it traced nothing).
    """

    def __init__(self, message, trace=""):
        super().__init__(message)
        self.trace = trace


class XmpMode(enum.IntEnum):
    """What a write does with XMP (the ``xmp_mode`` of ``save`` and ``to_bytes``):
    MERGE writes the merged XMP (the default); REMOVE_UNLESS_SOURCE_HAS removes
    all XMP from the target unless the opened file had XMP; REMOVE removes all
    XMP; COMPACT stores it as a compact packet without packet wrapper."""

    MERGE = 0
    REMOVE_UNLESS_SOURCE_HAS = 1
    REMOVE = 2
    COMPACT = 3


_FAMILIES = {"exif": "Exif", "iptc": "Iptc", "xmp": "Xmp"}


def _value_text(value):
    """The text stored for a value: str as it is, numbers as their text."""
    if isinstance(value, bool) or not isinstance(value, (str, int, float, Fraction)):
        raise TypeError(f"a value must be str, int, float or Fraction, not {type(value).__name__}")
    text = str(value)
    if "\0" in text:
        raise ValueError(f"a value cannot hold NUL: {text!r}")
    return text


def _number(key, text):
    try:
        return Fraction(text.strip())
    except (ValueError, ZeroDivisionError):
        raise ValueError(f"{key}: {text!r} is not a number") from None


def _release(handle, data, sidecar):
    # `data`, the bytes an image was opened from, is held until this runs.
    lib().CloseMetaHandle(handle)
    lib().CloseMetaHandle(sidecar)  # NULL is harmless


def _is_xmp(key):
    return key.lower().startswith("xmp.")


def _sidecar_of(path):
    """The sidecar of the image at `path`: NAME.EXT.xmp where it exists (it
    wins when both exist), else NAME.xmp."""
    path = os.fsdecode(path)
    if os.path.exists(path + ".xmp"):
        return path + ".xmp"
    root, extension = os.path.splitext(path)
    return (root if extension else path) + ".xmp"


def _open_handle(path, trace):
    """A valid handle on the file at `path`, or Error."""
    handle = lib().OpenMetaHandle(_native.path_bytes(path), 0)
    if not handle:
        raise MemoryError("OpenMetaHandle")
    if not lib().GetImageSize(handle, ctypes.byref(c_int()), ctypes.byref(c_int())):
        lib().CloseMetaHandle(handle)
        why = "no such file" if not os.path.exists(path) else "not an image lumenmeta can read"
        raise Error(f"cannot open {os.fsdecode(path)}: {why}", trace.text)
    return handle


class Image:
    """An image's metadata, opened with :func:`open` or :func:`open_bytes`.

    Keys are Exiv2 keys such as ``"Exif.Image.Artist"``,
    ``"Iptc.Application2.Keywords"`` or ``"Xmp.dc.title"``; values are str.
    Edits change this object only; :meth:`save` or :meth:`to_bytes` writes
    them, merged into what the target already holds. Release the image with
    :meth:`close` or a ``with`` block (garbage collection also releases it).
    One image may be used by several threads; its calls then take turns.

    Opened with ``sidecar=True``, the image is read together with its XMP
    sidecar: an XMP key the sidecar holds reads from there (until it is
    edited here). Exif and IPTC keys read from the image.
    """

    def __init__(self, handle, path=None, data=None, sidecar=None, sidecar_path=None):
        """Internal: use :func:`open` or :func:`open_bytes`."""
        self._handle = handle
        self._path = path
        self._data = data  # the bytes of open_bytes, kept while the handle lives
        self._sidecar = sidecar  # the sidecar's handle when read together, or None
        self._sidecar_path = sidecar_path
        self._touched = {}  # the keys edited here, in order (a dict keeps the order)
        self._lock = threading.RLock()
        # The finalizer holds the bytes too, so they outlive the handle.
        self._finalizer = weakref.finalize(self, _release, handle, data, sidecar)

    # ---- life ---------------------------------------------------------

    def close(self):
        """Releases the image; calling it again does nothing."""
        with self._lock:
            self._finalizer()
            self._data = None

    @property
    def closed(self):
        """True once the image is closed."""
        return not self._finalizer.alive

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    def __repr__(self):
        state = "closed" if self.closed else "open"
        source = repr(self._path) if self._path is not None else "bytes"
        return f"<lumenmeta.Image {source} {state}>"

    def _h(self):
        if self.closed:
            raise ValueError("the image is closed")
        return self._handle

    # ---- reading ------------------------------------------------------

    @staticmethod
    def _read_from(handle, key, index):
        value = c_void_p()
        kind = lib().GetMetaDataW(handle, _native.narrow(key), ctypes.byref(value), index, False)
        return _native.take_bstr(value) if kind else None

    @classmethod
    def _read_all_from(cls, handle, key):
        """Every value of `key` by one joined read, in time linear in their
        number (reading index by index costs its square), split at U+FFFF,
        which no value holds; None when the pieces do not match the single
        reads at both ends (a value that holds U+FFFF, an empty one, a
        rational shown otherwise), for the caller to read one by one."""
        joined = c_void_p()
        length = lib().GetMetaDataWContainer(handle, _native.narrow(key), ctypes.byref(joined),
                                             "\uffff\0".encode("utf-16-le"))
        if not joined.value:
            return [] if cls._read_from(handle, key, 0) is None else None
        try:
            text = ctypes.string_at(joined, length * 2).decode("utf-16-le", "surrogatepass")
        finally:
            lib().FreeMetaDataWContainer(joined)
        values = text.split("\uffff")
        count = len(values)
        if (cls._read_from(handle, key, 0) != values[0]
                or cls._read_from(handle, key, count - 1) != values[-1]
                or cls._read_from(handle, key, count) is not None):
            return None
        return values

    def _source(self, key):
        """The handle `key` is read from: the sidecar for an XMP key it holds
        that was not edited here, else the image."""
        h = self._h()
        if (self._sidecar and _is_xmp(key) and key not in self._touched
                and self._read_from(self._sidecar, key, 0) is not None):
            return self._sidecar
        return h

    def _read(self, key, index):
        with self._lock:
            return self._read_from(self._source(key), key, index)

    def __getitem__(self, key):
        """The first value of `key`; KeyError when it has none."""
        text = self._read(key, 0)
        if text is None:
            raise KeyError(key)
        return text

    def get(self, key, default=None):
        """The first value of `key`, or `default` when it has none."""
        text = self._read(key, 0)
        return default if text is None else text

    def get_all(self, key):
        """Every value of `key`, in order: the items of an XMP array, each
        occurrence of a repeated IPTC dataset; [] when it has none."""
        with self._lock:
            handle = self._source(key)
            values = self._read_all_from(handle, key)
            if values is not None:
                return values
            values = []
            while True:
                text = self._read_from(handle, key, len(values))
                if text is None:
                    return values
                values.append(text)

    def __contains__(self, key):
        """True when `key` has a value."""
        return self._read(key, 0) is not None

    def get_rational(self, key, default=None):
        """The first value of `key` as a Fraction ("1/250", "72", "2.8"), or
        `default` when it has none; ValueError when it is not a number."""
        text = self._read(key, 0)
        return default if text is None else _number(key, text)

    def get_int(self, key, default=None):
        """The first value of `key` as an int ("72/1" gives 72), or `default`
        when it has none; ValueError when it is not a whole number."""
        text = self._read(key, 0)
        if text is None:
            return default
        number = _number(key, text)
        if number.denominator != 1:
            raise ValueError(f"{key}: {text!r} is not a whole number")
        return int(number)

    def get_float(self, key, default=None):
        """The first value of `key` as a float ("1/250" gives 0.004), or
        `default` when it has none; ValueError when it is not a number."""
        text = self._read(key, 0)
        return default if text is None else float(_number(key, text))

    def keys(self, family=None):
        """The keys that have values, each once, in the image's order: all
        three families (Exif, IPTC, XMP), or the one named by `family`."""
        name = None
        if family is not None:
            if str(family).lower() not in _FAMILIES:
                raise ValueError(f"family must be 'Exif', 'Iptc' or 'Xmp', not {family!r}")
            name = _FAMILIES[str(family).lower()].encode()
        with self._lock:
            h = self._h()
            listed = _native.sized_list(
                lambda buffer, size: lib().GetMetaDataKeys(h, name, buffer, size, b"\n"))
            keys = [key for key in listed.split("\n") if key]
            if self._sidecar and name in (None, b"Xmp"):
                laid = _native.sized_list(lambda buffer, size: lib().GetMetaDataKeys(
                    self._sidecar, b"Xmp", buffer, size, b"\n"))
                # Those of the sidecar after the image's; a key removed here
                # has no value left to list.
                keys = [key for key in dict.fromkeys(keys + laid.split("\n"))
                        if key and self._read(key, 0) is not None]
        return list(dict.fromkeys(keys))

    def __iter__(self):
        """Iterates over :meth:`keys`."""
        return iter(self.keys())

    def items(self, family=None):
        """(key, value) for every value, in the image's order; a key with
        several values appears once per value."""
        with self._lock:
            return [(key, value) for key in self.keys(family) for value in self.get_all(key)]

    @property
    def variables(self):
        """The host application's variables (the ``Xmp.Lumenframe.`` properties
        that are neither unresolved nor bookkeeping): {key: [values]}."""
        with self._lock:
            h = self._h()
            listed = _native.sized_list(lambda buffer, size: lib().CollectLumenframeVarNames(
                h, buffer, size, True, False, False, b"\n"))
            keys = dict.fromkeys(key for key in listed.split("\n") if key)
            return {key: self.get_all(key) for key in keys}

    # ---- editing ------------------------------------------------------

    # The helpers below edit the handle `h`: the image's, or a sidecar's
    # while save() carries the edits there.

    @staticmethod
    def _clear(h, key):
        if lib().ClearMetaData(h, _native.narrow(key)) < 0:
            raise Error(f"{key}: the key was rejected")

    @staticmethod
    def _set(h, key, text):
        bstr = _native.new_bstr(text)
        try:
            stored = lib().AddMetaDataW(h, _native.narrow(key), bstr)
        finally:
            lib().SysFreeString(bstr)
        if not stored:
            raise Error(f"{key}: the key or the value {text!r} was rejected")

    @staticmethod
    def _raw_iptc(h, key):
        """Each occurrence of an IPTC dataset, as its stored bytes."""
        buffer = ctypes.create_string_buffer(1 << 16)  # a dataset holds less
        occurrences = []
        while lib().GetIptcData(h, _native.narrow(key), buffer, len(buffer) - 1,
                                len(occurrences)):
            occurrences.append(buffer.value)
        return occurrences

    def _append(self, h, key, text):
        if not (key.lower().startswith("iptc.") and text
                and self._read_from(h, key, 0) is not None):
            self._set(h, key, text)
            return
        # The wide setter replaces an IPTC dataset's first occurrence, and
        # occurrences are read by index only while they stand together: so the
        # dataset is laid again, its stored bytes unchanged, with the new text
        # after them as UTF-8 through AddMeta (quoted, so AddMeta's quote rule
        # keeps the text whole).
        occurrences = self._raw_iptc(h, key) + [text.encode("utf-8")]
        for index, data in enumerate(occurrences):
            if index == 0:
                self._clear(h, key)
            result = lib().AddMeta(h, _native.narrow(key), b'"' + data + b'"', 0)
            if result == 6:  # the dataset does not repeat: the text replaces it
                self._clear(h, key)
                self._set(h, key, text)
                return
            if result != 0:
                raise Error(f"{key}: the value {text!r} was rejected")

    def _replace(self, h, key, texts):
        """Gives `key` exactly `texts` on `h`; on failure it keeps its former values."""
        former = self._all_from(h, key)
        self._clear(h, key)
        try:
            for text in texts:
                self._append(h, key, text)
        except Error:
            self._clear(h, key)
            for text in former:
                self._append(h, key, text)
            raise

    def _all_from(self, h, key):
        """Every value of `key` on `h`, in order."""
        values = []
        while (text := self._read_from(h, key, len(values))) is not None:
            values.append(text)
        return values

    def __setitem__(self, key, value):
        """Replaces every value of `key` with `value` (str, int, float or
        Fraction), or with each item of a list or tuple in order; XMP arrays
        and repeated IPTC datasets are replaced whole. An empty str removes
        the key. On failure the key keeps its former values."""
        values = list(value) if isinstance(value, (list, tuple)) else [value]
        texts = [_value_text(item) for item in values]
        with self._lock:
            self._replace(self._h(), key, texts)
            self._touched[key] = True

    def add(self, key, value):
        """Adds `value` to `key`: one more item of an XMP array, one more
        occurrence of a repeatable IPTC dataset; keys that hold one value
        get it replaced."""
        text = _value_text(value)
        with self._lock:
            h = self._h()
            if self._source(key) is not h:
                # Appended to what is read: the sidecar's values.
                self._replace(h, key, self._all_from(self._sidecar, key))
            self._append(h, key, text)
            self._touched[key] = True

    def __delitem__(self, key):
        """Removes every value of `key`, here and, at the next write, from the
        target file. A key without values is no error: the target may hold it."""
        with self._lock:
            self._clear(self._h(), key)
            self._touched[key] = True

    @property
    def thumbnail(self):
        """The Exif thumbnail as JPEG bytes, or None when there is none."""
        size = 1 << 16
        with self._lock:
            h = self._h()
            while size < 1 << 31:
                buffer = ctypes.create_string_buffer(size)
                copied = lib().GetThumbnail(h, buffer, size)
                if copied >= 0:
                    return buffer.raw[:copied] if copied else None
                size <<= 1  # -1: the buffer was too small
        raise Error("the thumbnail is too large to read")

    # ---- writing ------------------------------------------------------

    def save(self, path=None, xmp_mode=XmpMode.MERGE, sidecar=False):
        """Writes the metadata into the image's own file, or into the existing
        image or XMP sidecar at `path`, merged with what that file holds.
        The file is replaced crash-safely. Raises Error when it fails (for a
        format that cannot be written in place, such as HEIF, AVIF or CR3,
        the message says so).

        With ``sidecar=True`` only the keys edited here are written, into the
        image's XMP sidecar (at `path` when given; else the one it was read
        with, else NAME.EXT.xmp where it exists, else NAME.xmp), which is
        created when missing and merged into when present: each edited key
        gets there the values it has here, and everything else in the
        sidecar stays. Exif and IPTC values are kept there as their XMP
        twins. The image file is not touched."""
        if sidecar:
            self._save_sidecar(path, xmp_mode)
            return
        if path is None and self._path is None:
            raise Error("this image was opened from bytes: give save() a path")
        target = None if path is None else _native.path_bytes(path)
        with self._lock, Trace() as trace:
            written = lib().WriteData(self._h(), target, int(XmpMode(xmp_mode)), 0)
        if not written:
            where = self._path if path is None else path
            raise Error(f"cannot write {os.fsdecode(where)}: {trace.reason() or 'failed'}",
                        trace.text)

    def _save_sidecar(self, path, xmp_mode):
        if path is None and self._path is None:
            raise Error("this image was opened from bytes: give save() the sidecar's path")
        target = os.fsdecode(path) if path is not None else (
            self._sidecar_path or _sidecar_of(self._path))
        with self._lock, Trace() as trace:
            h = self._h()
            created = not os.path.exists(target)
            if created and not lib().CreateXmpSidecar(_native.path_bytes(target), False):
                raise Error(f"cannot create {target}: {trace.reason() or 'failed'}", trace.text)
            written = 0
            try:
                side = _open_handle(target, trace)
                try:
                    for key in self._touched:
                        self._replace(side, key, self._all_from(h, key))
                    written = lib().WriteData(side, None, int(XmpMode(xmp_mode)), 0)
                finally:
                    lib().CloseMetaHandle(side)
            finally:
                if not written and created:
                    os.remove(target)  # nothing half-made is left behind
            if not written:
                raise Error(f"cannot write {target}: {trace.reason() or 'failed'}", trace.text)

    def to_bytes(self, xmp_mode=XmpMode.MERGE):
        """The image with the metadata written into it, as bytes: the bytes it
        was opened from, or its file as it is now, merged with the edits."""
        self._h()  # closed: ValueError before anything is read
        if self._data is not None:
            target = self._data.raw
        else:
            with builtins.open(self._path, "rb") as file:
                target = file.read()
        size = c_int32(len(target))
        if not target or size.value != len(target):
            raise Error("the image is empty or too large to write to memory")
        with self._lock, Trace() as trace:
            written = lib().WriteDataToMem(self._h(), target, ctypes.byref(size),
                                           int(XmpMode(xmp_mode)))
            # The buffer belongs to the handle: copy it out before anything else.
            result = ctypes.string_at(written, size.value) if written else None
        if result is None:
            raise Error(f"cannot write the image to memory: {trace.reason() or 'failed'}",
                        trace.text)
        return result


def open(path, sidecar=False):  # noqa: A001 - the package's own open, as in the gzip module
    """Opens the image file at `path` (str, bytes or os.PathLike) and reads its
    metadata. Raises Error when it is missing or not an image.

    With ``sidecar=True`` the image is read together with its XMP sidecar
    (NAME.EXT.xmp where it exists, else NAME.xmp; or the sidecar at the path
    `sidecar` gives), when there is one: the sidecar's XMP laid over the
    image's, a sidecar value winning for its key. ``save(sidecar=True)``
    then writes the edits there."""
    with Trace() as trace:
        handle = _open_handle(path, trace)
        if not sidecar:
            return Image(handle, path=path)
        where = _sidecar_of(path) if sidecar is True else os.fsdecode(sidecar)
        laid = None
        try:
            if os.path.exists(where):
                laid = _open_handle(where, trace)
        except Error:
            lib().CloseMetaHandle(handle)
            raise
    return Image(handle, path=path, sidecar=laid, sidecar_path=where)


def open_bytes(data):
    """Opens an image held in memory (bytes-like); the bytes are copied, so
    the caller may change them afterwards. Raises Error when they are not
    an image."""
    data = bytes(data)
    if not data or len(data) >= 1 << 31:
        raise Error("the bytes are empty or too large to open")
    buffer = ctypes.create_string_buffer(data, len(data))
    with Trace() as trace:
        handle = lib().OpenMemImage(buffer, len(data))
    if not handle:
        raise Error("the bytes are not an image lumenmeta can read", trace.text)
    return Image(handle, data=buffer)


def copy_metadata(source, target):
    """Copies all Exif, IPTC and XMP metadata and the comment of the image file
    `source` into the image file `target`, replacing what it held (no merge);
    creates `target` as a JPEG when it does not exist. Raises Error on failure."""
    with Trace() as trace:
        copied = lib().CopyImageMetaData(_native.path_bytes(source),
                                         _native.path_bytes(target), 0)
    if not copied:
        why = trace.reason() or "the source is missing or not an image, or the target unusable"
        raise Error(f"cannot copy metadata from {os.fsdecode(source)} to "
                    f"{os.fsdecode(target)}: {why}", trace.text)


def set_exiv2_log_level(level):
    """Sets from which level Exiv2 logs its own warnings about damaged files
    to standard error, for the whole process: 0 debug, 1 info, 2 warning
    (the default), 3 error, 4 mute."""
    lib().SetExiv2LogLevel(int(level))
