"""The library's C interface as ctypes sees it: finding liblumenmeta.so.1,
declaring every export used, UTF-16 text and BSTRs, and the debug trace.

Nothing here is public: the rest of the package calls these helpers so that
no BSTR, code page or buffer size reaches the user.
"""

import ctypes
import functools
import os
import sysconfig
import threading
import warnings
from ctypes import (POINTER, Structure, c_bool, c_char_p, c_double, c_int, c_int32, c_uint32,
                    c_void_p)

SONAME = "liblumenmeta.so.1"

# The trace sink's C type: void (*)(const char* piece, void* context).
TRACE_SINK = ctypes.CFUNCTYPE(None, c_char_p, c_void_p)

# The Exiv2 message sink's C type:
# void (*)(int level, const char* path, const char* message, void* context).
LOG_SINK = ctypes.CFUNCTYPE(None, c_int, c_char_p, c_char_p, c_void_p)


class MetaDataEntry(Structure):
    """One value of GetMetaDataEntries' listing."""
    _fields_ = [("key", c_char_p), ("typeName", c_char_p), ("type", c_int32),
                ("index", c_int32), ("language", c_char_p), ("stored", c_char_p),
                ("text", c_char_p)]


# name: (result type, argument types). Handles and BSTRs travel as c_void_p,
# so that a 64-bit pointer is never cut to an int and ctypes never reads a
# BSTR as a NUL-terminated char string.
_EXPORTS = {
    "SysAllocStringLen": (c_void_p, [c_char_p, c_uint32]),
    "SysFreeString": (None, [c_void_p]),
    "SysStringLen": (c_uint32, [c_void_p]),
    "OpenMetaHandle": (c_void_p, [c_char_p, c_int]),
    "OpenMemImage": (c_void_p, [c_void_p, c_int32]),
    "CloseMetaHandle": (None, [c_void_p]),
    "GetImageSize": (c_int, [c_void_p, POINTER(c_int), POINTER(c_int)]),
    "GetMetaDataW": (c_int, [c_void_p, c_char_p, POINTER(c_void_p), c_int, c_bool]),
    "GetMetaDataWContainer": (c_int, [c_void_p, c_char_p, POINTER(c_void_p), c_char_p]),
    "FreeMetaDataWContainer": (None, [c_void_p]),
    "GetIptcData": (c_int, [c_void_p, c_char_p, c_char_p, c_int, c_int]),
    "GetMetaDataKeys": (c_bool, [c_void_p, c_char_p, c_char_p, POINTER(c_int32), c_char_p]),
    "CollectLumenframeVarNames": (
        c_bool, [c_void_p, c_char_p, POINTER(c_int32), c_bool, c_bool, c_bool, c_char_p]),
    "AddMetaDataW": (c_int, [c_void_p, c_char_p, c_void_p]),
    "AddMeta": (c_int, [c_void_p, c_char_p, c_char_p, c_int]),
    "ClearMetaData": (c_int, [c_void_p, c_char_p]),
    "GetThumbnail": (c_int32, [c_void_p, c_char_p, c_int32]),
    "WriteData": (c_int, [c_void_p, c_char_p, c_int, c_int]),
    "WriteDataToMem": (c_void_p, [c_void_p, c_char_p, POINTER(c_int32), c_int]),
    "CopyImageMetaData": (c_int, [c_char_p, c_char_p, c_int]),
    "CreateXmpSidecar": (c_int, [c_char_p, c_bool]),
    "SetDebugTraceSink": (None, [TRACE_SINK, c_void_p]),
    "SetExiv2LogLevel": (None, [c_int]),
    "GetMetaDataStored": (c_int, [c_void_p, c_char_p, c_int, POINTER(c_void_p)]),
    "GetMetaDataText": (c_int, [c_void_p, c_char_p, c_int, POINTER(c_void_p)]),
    "FreeMetaDataText": (None, [c_void_p]),
    "GetMetaDataEntries": (c_int32, [c_void_p, c_char_p, POINTER(POINTER(MetaDataEntry))]),
    "FreeMetaDataEntries": (None, [POINTER(MetaDataEntry)]),
    "GetGpsDecimal": (c_int, [c_void_p, c_char_p, POINTER(c_double)]),
    "SetExiv2LogSink": (None, [LOG_SINK, c_void_p]),
}


def _candidates():
    """Where to look for the library, in order."""
    chosen = os.environ.get("LUMENMETA_LIBRARY")
    if chosen:
        return [chosen]  # the user's choice, and nothing else
    # The loader's own search (LD_LIBRARY_PATH, the ld.so cache, /usr/lib),
    # then where `cmake --install` puts it with the default prefix or /usr.
    places = [SONAME]
    multiarch = sysconfig.get_config_var("MULTIARCH")
    for prefix in ("/usr/local", "/usr"):
        for libdir in ["lib", "lib64"] + ([f"lib/{multiarch}"] if multiarch else []):
            places.append(os.path.join(prefix, libdir, SONAME))
    return places


@functools.lru_cache(maxsize=None)
def lib():
    """The loaded library with every export declared; loaded on first use."""
    errors = []
    for place in _candidates():
        try:
            library = ctypes.CDLL(place)
            break
        except OSError as error:
            errors.append(str(error))
    else:
        raise OSError(f"{SONAME} not found (set LUMENMETA_LIBRARY to its path): "
                      + "; ".join(errors))
    for name, (result, arguments) in _EXPORTS.items():
        function = getattr(library, name)
        function.restype = result
        function.argtypes = arguments
    # One sink for the life of the process: setting it per call would race
    # between threads, and a NULL sink does not wait for calls in flight.
    library.SetDebugTraceSink(_SINK, None)
    library.SetExiv2LogSink(_LOG_SINK, None)
    return library


# ---- the debug trace: pieces collected per thread while a call runs ------

_capture = threading.local()


def _on_trace(piece, context):
    pieces = getattr(_capture, "pieces", None)
    if pieces is not None and piece is not None:
        pieces.append(piece)


_SINK = TRACE_SINK(_on_trace)


class Trace:
    """Collects the trace pieces the library sends on this thread while the
    ``with`` block runs; ``text`` is what was traced, decoded from UTF-8."""

    def __enter__(self):
        self._outer = getattr(_capture, "pieces", None)
        self._pieces = _capture.pieces = []
        return self

    def __exit__(self, *exc):
        _capture.pieces = self._outer
        return False

    @property
    def text(self):
        return b"".join(self._pieces).decode("utf-8", "replace")

    def reason(self):
        """The last non-empty line traced: the failure, where one was traced."""
        lines = [line for line in self.text.splitlines() if line.strip()]
        return lines[-1] if lines else ""


# ---- Exiv2's messages: Python warnings naming the file ------------------


class Exiv2Warning(UserWarning):
    """Exiv2's own warning or error about a file it read (damaged metadata,
    say); the message starts with the file's path."""


_LEVELS = {0: "Debug", 1: "Info", 2: "Warning", 3: "Error"}


def _line(level, path, text, fallback):
    where = os.fsdecode(path) if path else (fallback or "(image in memory)")
    return f"{where}: {_LEVELS.get(level, 'Error')}: {text}"


def _on_log(level, path, message, context):
    text = message.decode("utf-8", "replace") if message else ""
    held = getattr(_capture, "messages", None)
    if held is not None:
        held.append((level, path, text))  # warned when the call returns
        return
    try:
        warnings.warn(_line(level, path, text, None), Exiv2Warning, stacklevel=2)
    except Exception:  # noqa: BLE001 - a warning made an error cannot leave a C callback
        pass


_LOG_SINK = LOG_SINK(_on_log)


class Exiv2Messages:
    """Holds Exiv2's messages sent on this thread while the ``with`` block
    runs, and issues them as Exiv2Warning when it ends (raised, where the
    warnings filter makes them errors), attributed to the frame `stacklevel`
    above. A message that names no file is given `path`."""

    def __init__(self, path=None, stacklevel=3):
        self._path = None if path is None else os.fsdecode(path)
        self._stacklevel = stacklevel

    def __enter__(self):
        self._outer = getattr(_capture, "messages", None)
        _capture.messages = []
        return self

    def __exit__(self, *exc):
        held, _capture.messages = _capture.messages, self._outer
        for level, path, text in held:
            warnings.warn(_line(level, path, text, self._path), Exiv2Warning,
                          stacklevel=self._stacklevel)
        return False


# ---- text ---------------------------------------------------------------


def narrow(text, what="key"):
    """A key or a separator as NUL-terminated UTF-8 bytes."""
    if not isinstance(text, str):
        raise TypeError(f"{what} must be str, not {type(text).__name__}")
    if not text or "\0" in text:
        raise ValueError(f"{what} must be non-empty text without NUL: {text!r}")
    return text.encode("utf-8")


def path_bytes(path):
    """A file system path as the bytes the library passes to the system."""
    data = os.fsencode(path)
    if not data or b"\0" in data:
        raise ValueError(f"not a usable path: {path!r}")
    return data


def new_bstr(text):
    """A BSTR from the library's own allocator holding `text`; free it with
    SysFreeString. Encoded here: ctypes' c_wchar is 4 bytes on Linux."""
    units = text.encode("utf-16-le", "surrogatepass")
    bstr = lib().SysAllocStringLen(units, len(units) // 2)
    if not bstr:
        raise MemoryError("SysAllocStringLen")
    return bstr


def take_bstr(bstr):
    """The text of a BSTR the library handed out; frees the BSTR. The length
    comes from the BSTR's prefix, never from a terminator."""
    try:
        length = lib().SysStringLen(bstr)
        return ctypes.string_at(bstr, length * 2).decode("utf-16-le", "surrogatepass")
    finally:
        lib().SysFreeString(bstr)


def take_text(pointer):
    """The UTF-8 text the library handed out at `pointer`; frees it."""
    try:
        return ctypes.string_at(pointer).decode("utf-8", "replace")
    finally:
        lib().FreeMetaDataText(pointer)


def read_form(handle, key, index, stored):
    """(type code, text) of value `index` of `key` in its stored (or
    readable) form, or (0, None)."""
    text = c_void_p()
    read = lib().GetMetaDataStored if stored else lib().GetMetaDataText
    kind = read(handle, narrow(key), index, ctypes.byref(text))
    return (kind, take_text(text)) if kind else (0, None)


def entries(handle, family=None):
    """Every value of `family` (bytes, or None for all three) as tuples
    (key, type name, index, language, stored, readable), in one walk."""
    listed = POINTER(MetaDataEntry)()
    count = lib().GetMetaDataEntries(handle, family, ctypes.byref(listed))
    if count < 0:
        raise MemoryError("GetMetaDataEntries")
    try:
        def text(raw):
            return raw.decode("utf-8", "replace")
        return [(text(e.key), text(e.typeName), e.index, text(e.language), text(e.stored),
                 text(e.text)) for e in (listed[i] for i in range(count))]
    finally:
        lib().FreeMetaDataEntries(listed)


def gps_decimal(handle, key):
    """A GPS coordinate or the altitude as a signed float, or None."""
    value = c_double()
    return value.value if lib().GetGpsDecimal(handle, narrow(key), ctypes.byref(value)) else None


def sized_list(call):
    """Runs a listing export with the library's size protocol: ask for the
    size with no buffer, then fetch. `call(buffer, size)` returns the bool."""
    size = c_int32(0)
    call(None, ctypes.byref(size))
    while True:
        buffer = ctypes.create_string_buffer(max(size.value, 1))
        if call(buffer, ctypes.byref(size)):
            return buffer.value.decode("utf-8", "replace")
        if size.value <= len(buffer):
            return ""  # refused outright (a bad argument): nothing listed
