"""The Image class: one opened image and its metadata working set."""

import builtins
import collections.abc
import ctypes
import datetime
import enum
import os
import re
import threading
import weakref
from ctypes import c_int, c_int32, c_void_p
from fractions import Fraction
from typing import Any, Dict, Iterator, List, Optional, Tuple, Union

from . import _native
from ._native import Exiv2Messages, Trace, lib

# A value's stored text as `image[key]` gives it, or all of a repeated key's.
Value = Union[str, Tuple[str, ...]]
# A path as open() takes it.
PathLike = Union[str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"]


class Error(Exception):
    """A call into the lumenmeta library failed.

    ``str(error)`` says what failed and why; ``trace`` holds everything the
    library traced during the call (empty when it traced nothing).
    """

    def __init__(self, message: str, trace: str = "") -> None:
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


# Exiv2's numeric type codes: byte, short, long, rational, signed byte,
# short, long and rational, float, double. Their stored text holds every
# component; the number getters read the first.
_NUMERIC_TYPES = {1, 3, 4, 5, 6, 8, 9, 10, 11, 12}


def _number(key, text):
    try:
        return Fraction(text.strip())
    except (ValueError, ZeroDivisionError):
        raise ValueError(f"{key}: {text!r} is not a number") from None


_EXIF_DATE = re.compile(r"(\d{4}):(\d\d):(\d\d)[ T](\d\d):(\d\d)(?::(\d\d))?")
_OFFSET = re.compile(r"([+-])(\d\d):?(\d\d)$")


def _zone(text):
    """A tzinfo from an offset "+02:00" or "-0530", or None."""
    match = _OFFSET.match(text.strip()) if text else None
    if not match:
        return None
    minutes = int(match.group(2)) * 60 + int(match.group(3))
    return datetime.timezone(datetime.timedelta(minutes=-minutes if match.group(1) == "-" else minutes))


def _exif_date(text, subseconds, offset):
    """An Exif date "YYYY:MM:DD HH:MM:SS" as a datetime, or None when it is
    blank or no date."""
    match = _EXIF_DATE.match(text.strip()) if text else None
    if not match:
        return None
    digits = "".join(c for c in (subseconds or "") if c.isdigit())[:6]
    try:
        return datetime.datetime(*(int(part or 0) for part in match.groups()),
                                 int(digits.ljust(6, "0")) if digits else 0, _zone(offset))
    except ValueError:
        return None


def _xmp_date(text):
    """An XMP date (ISO 8601, with or without a zone) as a datetime, or None."""
    text = (text or "").strip()
    if text.endswith("Z"):
        text = text[:-1] + "+00:00"
    match = re.match(r"(\d{4}-\d\d-\d\d)(?:T(\d\d:\d\d(?::\d\d)?)(\.\d+)?)?(.*)$", text)
    if not match:
        return None
    day, time, fraction, zone = match.groups()
    try:
        moment = datetime.datetime.fromisoformat(f"{day}T{time or '00:00'}")
    except ValueError:
        return None
    if fraction:
        moment = moment.replace(microsecond=int(fraction[1:7].ljust(6, "0")))
    return moment.replace(tzinfo=_zone(zone))


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

    def close(self) -> None:
        """Releases the image; calling it again does nothing."""
        with self._lock:
            self._finalizer()
            self._data = None

    @property
    def closed(self) -> bool:
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
    def _read_from(handle, key, index, stored=True):
        """Value `index` of `key` on `handle` as stored (or as read), or None."""
        return _native.read_form(handle, key, index, stored)[1]

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

    def __getitem__(self, key: str) -> str:
        """The first value of `key` as stored: every component ("8 8 8"),
        bytes as numbers ("2 2 0 0"), rationals as n/d ("1/125"), text as
        held; KeyError when it has none."""
        text = self._read(key, 0)
        if text is None:
            raise KeyError(key)
        return text

    def get(self, key: str, default: Any = None) -> Any:
        """The first value of `key` as stored, or `default` when it has none."""
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

    def text(self, key: str, default: Any = None, index: int = 0) -> Any:
        """Value `index` of `key` as a person reads it, as Exiv2 prints it:
        "top, left" for an Orientation of 1, "1/125 s", "F8",
        "Above sea level"; `default` when it has none."""
        with self._lock:
            text = self._read_from(self._source(key), key, index, stored=False)
        return default if text is None else text

    def __contains__(self, key: object) -> bool:
        """True when `key` has a value."""
        return self._read(key, 0) is not None

    def _first_number(self, key):
        """The first component of the first value of `key` as a Fraction,
        or None when it has none; ValueError when it is not a number."""
        with self._lock:
            kind, text = _native.read_form(self._source(key), key, 0, True)
        if text is None:
            return None
        if kind in _NUMERIC_TYPES and text.split():
            text = text.split()[0]  # "8 8 8", "50/1 57/1 252/10": the first
        return _number(key, text)

    def get_rational(self, key: str, default: Any = None) -> Any:
        """The first value of `key` as a Fraction ("1/250", "72", "2.8"), or
        `default` when it has none; ValueError when it is not a number. Of
        a number with several components ("8 8 8"), the first."""
        number = self._first_number(key)
        return default if number is None else number

    def get_int(self, key: str, default: Any = None) -> Any:
        """The first value of `key` as an int ("72/1" gives 72, a byte such
        as GPSAltitudeRef its number), or `default` when it has none;
        ValueError when it is not a whole number. Of a number with several
        components, the first."""
        number = self._first_number(key)
        if number is None:
            return default
        text = str(number)
        if number.denominator != 1:
            raise ValueError(f"{key}: {text!r} is not a whole number")
        return int(number)

    def get_float(self, key: str, default: Any = None) -> Any:
        """The first value of `key` as a float ("1/250" gives 0.004), or
        `default` when it has none; ValueError when it is not a number. Of
        a number with several components, the first."""
        number = self._first_number(key)
        return default if number is None else float(number)

    @property
    def gps(self) -> Optional[Tuple[float, float, Optional[float]]]:
        """(latitude, longitude, altitude): signed decimal degrees (negative
        south and west) and metres (negative below sea level; None when the
        image holds none), from the Exif GPS tags and their references; None
        when the image holds no latitude and longitude."""
        with self._lock:
            h = self._h()
            latitude = _native.gps_decimal(h, "Exif.GPSInfo.GPSLatitude")
            longitude = _native.gps_decimal(h, "Exif.GPSInfo.GPSLongitude")
            altitude = _native.gps_decimal(h, "Exif.GPSInfo.GPSAltitude")
        if latitude is None or longitude is None:
            return None
        return latitude, longitude, altitude

    @property
    def date_taken(self) -> Optional[datetime.datetime]:
        """When the photo was taken: Exif DateTimeOriginal with its
        sub-seconds, else XMP exif:DateTimeOriginal or photoshop:DateCreated.
        Aware (with its tzinfo) where the image holds the offset
        (OffsetTimeOriginal, or the XMP date's zone), naive otherwise; None
        when there is no date."""
        taken = _exif_date(self.get("Exif.Photo.DateTimeOriginal"),
                           self.get("Exif.Photo.SubSecTimeOriginal"),
                           self.get("Exif.Photo.OffsetTimeOriginal"))
        if taken is not None:
            return taken
        for key in ("Xmp.exif.DateTimeOriginal", "Xmp.photoshop.DateCreated"):
            taken = _xmp_date(self.get(key))
            if taken is not None:
                return taken
        return None

    def keys(self, family: Optional[str] = None) -> List[str]:
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

    def __iter__(self) -> Iterator[str]:
        """Iterates over :meth:`keys`."""
        return iter(self.keys())

    def __len__(self) -> int:
        """The number of keys that have values: len(image.keys())."""
        return len(self.keys())

    def _values_by_key(self, family):
        """{key: [stored texts]} of every value, from one listing of the
        image (and of the sidecar, for the XMP keys read from there)."""
        name = None if family is None else _FAMILIES[str(family).lower()].encode()
        values: Dict[str, List[str]] = {}
        for key, _type, _index, _language, stored, _text in _native.entries(self._h(), name):
            values.setdefault(key, []).append(stored)
        if self._sidecar and name in (None, b"Xmp"):
            laid: Dict[str, List[str]] = {}
            for key, _type, _index, _language, stored, _text in _native.entries(
                    self._sidecar, b"Xmp"):
                laid.setdefault(key, []).append(stored)
            values.update((key, texts) for key, texts in laid.items()
                          if key not in self._touched)
        return values

    def items(self, family: Optional[str] = None) -> List[Tuple[str, Value]]:
        """(key, value) for every key, once each, in the order of
        :meth:`keys`, as a Mapping gives them: ``len(image.items()) ==
        len(image)``. A key with one value gives it as stored, as
        ``image[key]`` does. A key with several values (the items of an XMP
        array, the languages of a language alternative, a repeated IPTC
        dataset) is not cut to its first: it gives the tuple of all its
        values, in order, as :meth:`get_all` lists them."""
        with self._lock:
            keys = self.keys(family)  # a bad family raises here
            values = self._values_by_key(family)
            pairs: List[Tuple[str, Value]] = []
            for key in keys:
                texts = values.get(key)
                if texts is None:
                    texts = self.get_all(key)
                pairs.append((key, texts[0] if len(texts) == 1 else tuple(texts)))
            return pairs

    def values(self, family: Optional[str] = None) -> List[Value]:
        """The values of :meth:`items`, in the same order."""
        return [value for _key, value in self.items(family)]

    def entries(self, family: Optional[str] = None) -> List[Tuple[str, str, str, str]]:
        """Every value of the image (or of `family`) in one listing, as
        (key, type name, stored text, readable text): a key with several
        values appears once per value. Read from the image alone, without
        its sidecar."""
        name = None if family is None else _FAMILIES[str(family).lower()].encode()
        with self._lock:
            return [(key, kind, stored, text) for key, kind, _index, _language, stored, text
                    in _native.entries(self._h(), name)]

    @property
    def variables(self) -> Dict[str, List[str]]:
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

    def __setitem__(self, key: str, value: Any) -> None:
        """Replaces every value of `key` with `value` (str, int, float or
        Fraction), or with each item of a list or tuple in order; XMP arrays
        and repeated IPTC datasets are replaced whole. An empty str removes
        the key. On failure the key keeps its former values."""
        values = list(value) if isinstance(value, (list, tuple)) else [value]
        texts = [_value_text(item) for item in values]
        with self._lock:
            self._replace(self._h(), key, texts)
            self._touched[key] = True

    def add(self, key: str, value: Union[str, int, float, Fraction]) -> None:
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

    def __delitem__(self, key: str) -> None:
        """Removes every value of `key`, here and, at the next write, from the
        target file. A key without values is no error: the target may hold it."""
        with self._lock:
            self._clear(self._h(), key)
            self._touched[key] = True

    @property
    def thumbnail(self) -> Optional[bytes]:
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

    def save(self, path: Optional[PathLike] = None, xmp_mode: int = XmpMode.MERGE,
             sidecar: bool = False) -> None:
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
        where = self._path if path is None else path
        with self._lock, Trace() as trace, Exiv2Messages(where):
            written = lib().WriteData(self._h(), target, int(XmpMode(xmp_mode)), 0)
        if not written:
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

    def to_bytes(self, xmp_mode: int = XmpMode.MERGE) -> bytes:
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
        with self._lock, Trace() as trace, Exiv2Messages(self._path):
            written = lib().WriteDataToMem(self._h(), target, ctypes.byref(size),
                                           int(XmpMode(xmp_mode)))
            # The buffer belongs to the handle: copy it out before anything else.
            result = ctypes.string_at(written, size.value) if written else None
        if result is None:
            raise Error(f"cannot write the image to memory: {trace.reason() or 'failed'}",
                        trace.text)
        return result


# An image is a read-only Mapping of key to stored text (isinstance checks
# and len, keys, items, values, get, `in` as a Mapping's), registered rather
# than inherited so that images keep comparing and hashing by identity.
collections.abc.Mapping.register(Image)


def open(path: PathLike, sidecar: Union[bool, PathLike] = False) -> "Image":  # noqa: A001 - the package's own open, as in the gzip module
    """Opens the image file at `path` (str, bytes or os.PathLike) and reads its
    metadata. Raises Error when it is missing or not an image.

    With ``sidecar=True`` the image is read together with its XMP sidecar
    (NAME.EXT.xmp where it exists, else NAME.xmp; or the sidecar at the path
    `sidecar` gives), when there is one: the sidecar's XMP laid over the
    image's, a sidecar value winning for its key. ``save(sidecar=True)``
    then writes the edits there."""
    with Trace() as trace, Exiv2Messages(path):
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


def open_bytes(data: bytes) -> "Image":
    """Opens an image held in memory (bytes-like); the bytes are copied, so
    the caller may change them afterwards. Raises Error when they are not
    an image."""
    data = bytes(data)
    if not data or len(data) >= 1 << 31:
        raise Error("the bytes are empty or too large to open")
    buffer = ctypes.create_string_buffer(data, len(data))
    with Trace() as trace, Exiv2Messages():
        handle = lib().OpenMemImage(buffer, len(data))
    if not handle:
        raise Error("the bytes are not an image lumenmeta can read", trace.text)
    return Image(handle, data=buffer)


def copy_metadata(source: PathLike, target: PathLike) -> None:
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


def set_exiv2_log_level(level: int) -> None:
    """Sets from which level Exiv2 logs its own warnings about damaged files
    to standard error, for the whole process: 0 debug, 1 info, 2 warning
    (the default), 3 error, 4 mute."""
    lib().SetExiv2LogLevel(int(level))
