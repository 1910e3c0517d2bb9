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
from ctypes import POINTER, c_bool, c_char_p, c_int, c_int32, c_uint32, c_void_p

SONAME = "liblumenmeta.so.1"

# The trace sink's C type: void (*)(const char* piece, void* context).
TRACE_SINK = ctypes.CFUNCTYPE(None, c_char_p, c_void_p)

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
