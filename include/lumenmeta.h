/*
 * lumenmeta: read, edit and write the Exif, IPTC and XMP metadata of image
 * files through a flat, handle-based C interface.
 *
 * A host opens an image from a path or from memory and receives a
 * MetaHandle. Reads and edits act on the handle's working copies of the three
 * metadata families; nothing reaches a file before a write call. Every handle
 * is closed with CloseMetaHandle.
 *
 * Conventions kept by every export:
 *  - Failures are reported by the result; no exception crosses this
 *    interface. A NULL handle, key, path or output pointer gives the export's
 *    failure result and changes nothing.
 *  - Outputs are left untouched when a read finds nothing.
 *  - Strings and buffers passed in stay the caller's. A BSTR handed out by
 *    the library belongs to the caller, who frees it with SysFreeString.
 *  - Keys are narrow, NUL-terminated Exiv2 keys: "Exif.Image.Artist",
 *    "Iptc.Application2.Caption", "Xmp.dc.title".
 *  - Wide text is UTF-16 (WCHAR). Narrow text is in code page 0
 *    (Windows-1252) or UTF-8 as each export states.
 *  - Different handles may be used on different threads at the same time;
 *    one handle must be used by one thread at a time.
 */
#ifndef LUMENMETA_H
#define LUMENMETA_H

#include <stdint.h>
#ifndef __cplusplus
#include <stdbool.h>
#endif

#if defined(__GNUC__)
#define LUMENMETA_API __attribute__((visibility("default")))
#else
#define LUMENMETA_API
#endif

#ifdef __cplusplus
typedef char16_t WCHAR;
#else
typedef uint16_t WCHAR;
#endif
typedef WCHAR OLECHAR;

/* A length-prefixed, NUL-terminated UTF-16 string in the OLE layout: a 4-byte
 * byte count stands just before the text and one zero unit just after it.
 * Allocated by SysAllocString or SysAllocStringLen, freed by SysFreeString. */
typedef WCHAR* BSTR;

/* The per-image working record. Opaque to C; declared in full for C++. */
typedef struct MetaHandle MetaHandle;

#ifdef __cplusplus
extern "C" {
#endif

/* ---- OLE strings ------------------------------------------------------- */

/* A new BSTR holding `text` up to its first zero unit. NULL text gives NULL;
 * NULL is also the result when memory is short. Free with SysFreeString. */
LUMENMETA_API BSTR SysAllocString(const OLECHAR* text);

/* A new BSTR of `length` units: copied from `text` when it is not NULL (zero
 * units included), left zero-filled otherwise, and terminated after the last
 * unit. NULL when memory is short. Free with SysFreeString. */
LUMENMETA_API BSTR SysAllocStringLen(const OLECHAR* text, uint32_t length);

/* Frees a BSTR made by this library (or by any allocator of the same layout
 * that uses malloc). NULL is ignored. */
LUMENMETA_API void SysFreeString(BSTR text);

/* The length of a BSTR in units, from its prefix (zero units inside count).
 * NULL gives 0. */
LUMENMETA_API uint32_t SysStringLen(BSTR text);

/* ---- Handle ------------------------------------------------------------ */

/* Opens the image at `path` (narrow, passed to the file system byte for byte)
 * and reads its metadata into a new handle. With `startEmpty` non-zero, or a
 * NULL path, the handle starts from a new empty JPEG held in memory; the path
 * is only remembered, the file is not touched.
 * Result: a new handle, owned by the caller and released with
 * CloseMetaHandle. A file that cannot be opened or read still gives a handle,
 * marked invalid: reads find nothing in it and writers refuse it. NULL only
 * when memory for the record cannot be had. Traces "No Exif Data there" when
 * the file holds no Exif. */
LUMENMETA_API MetaHandle* OpenMetaHandle(const char* path, int startEmpty);

/* Opens an image held in memory: `size` bytes at `data`. The bytes are not
 * copied: they must stay valid and unchanged until the handle is closed.
 * Result: a new handle (release with CloseMetaHandle), or NULL when the bytes
 * are not an image that can be read (NULL data, size 0 or less included). */
LUMENMETA_API MetaHandle* OpenMemImage(const unsigned char* data, int32_t size);

/* Releases a handle and everything it owns, including the buffer last
 * returned by a write to memory. NULL is a harmless no-op. */
LUMENMETA_API void CloseMetaHandle(MetaHandle* handle);

/* 1 when the handle's image had Exif data at open or an Exif value has since
 * been read from it, else 0 (also for a NULL handle). */
LUMENMETA_API int HadExifData(MetaHandle* handle);

/* 1 once an IPTC value has been read from the handle, else 0 (also NULL). */
LUMENMETA_API int HadIptcData(MetaHandle* handle);

/* 1 once an XMP value has been read from the handle, else 0 (also NULL). */
LUMENMETA_API int HadXmpData(MetaHandle* handle);

/* Stores the image's pixel width and height (0 where they are not known) and
 * returns 1. Returns 0 and stores nothing for an invalid handle, a NULL
 * handle or a NULL output pointer. */
LUMENMETA_API int GetImageSize(MetaHandle* handle, int* width, int* height);

/* Kept for hosts that call it: takes no action. */
LUMENMETA_API void SetExifLibraryErrorStream(void);

/* ---- Reading ----------------------------------------------------------- */

/* Reads one value as wide text. The family is chosen by the key's prefix,
 * case ignored: "xmp." XMP, "iptc." IPTC, anything else Exif; the key itself
 * must spell its family "Xmp", "Iptc" or "Exif". `index` (0-based) selects
 * the occurrence of a repeated XMP property or of an IPTC dataset repeated
 * in adjacent positions, or the element of an XMP bag; Exif keys take index
 * 0 only. An empty value counts as absent.
 * The text: XMP as UTF-8, IPTC as UTF-8 when the handle's IPTC declares or
 * holds UTF-8 (decided on the first IPTC read and kept) else code page 0,
 * other Exif in code page 0; byte values (the "XP" tags) as UTF-16LE text;
 * integers as the decimal of their first component; rationals as the text
 * "72/1", or with `asDecimal` as "%f" of their first component
 * (72.000000); with `asDecimal` the rational XMP properties (FNumber,
 * ExposureTime and the like) as decimal numbers too. An XMP language
 * alternative gives its x-default entry alone; the user comment comes
 * without its "charset=..." prefix, and one with an invalid character set
 * or binary content is not delivered (traced as
 * "Invalid Exif.Photo.UserComment: ", the text, a line end).
 * Result: the Exiv2 type code of the value (2 ascii, 3 short, 5 rational,
 * 0x10005 XMP text, 0x10009 language alternative, ...; 2 for a bag element),
 * with a new BSTR stored in *value that the caller frees with SysFreeString.
 * 0 when nothing is delivered (absent key, a key Exiv2 rejects, an index past
 * the values, a negative index, NULL handle, key or value, memory short);
 * *value is then untouched. A value found sets HadExifData, HadIptcData or
 * HadXmpData even when it is then not delivered. */
LUMENMETA_API int GetMetaDataW(MetaHandle* handle, const char* key, BSTR* value, int index,
                               bool asDecimal);

/* Stores the first component of an Exif value as a 32-bit integer (a
 * rational gives its integer quotient). Result 1 when stored; 0 when the key
 * is absent, empty, rejected by Exiv2 or not an Exif key, when the value does
 * not convert, or for a NULL argument, with *value untouched. */
LUMENMETA_API int GetExifDataL(MetaHandle* handle, const char* key, int32_t* value);

/* The same function as GetExifDataL under a second name. */
LUMENMETA_API int GetExifDataN(MetaHandle* handle, const char* key, int32_t* value);

/* Stores component `n` (0-based) of an Exif value, converted to an integer
 * and cut to 16 bits. *value is set to 0 first, so it is 0 whenever the
 * result is 0 (absent, empty or rejected key, no component `n`). Result 1
 * when stored. A NULL handle, key or value gives 0 and stores nothing. */
LUMENMETA_API int GetExifDataS(MetaHandle* handle, const char* key, int16_t* value, int32_t n);

/* Stores the first component of an Exif value as Exiv2's single-precision
 * number, widened: 1/250 gives 0.004000000189989805. Result 1 when stored;
 * 0 as for GetExifDataL, with *value untouched. */
LUMENMETA_API int GetExifDataD(MetaHandle* handle, const char* key, double* value);

/* The size in bytes of an Exif value: what GetExifDataBinary needs. 0 when
 * the key is absent, empty or rejected, or for a NULL argument. Does not
 * change HadExifData. */
LUMENMETA_API int32_t GetExifDataLength(MetaHandle* handle, const char* key);

/* Copies an Exif value's bytes into `buffer` (`size` bytes): numbers in
 * little-endian order, rationals as numerator then denominator. All or
 * nothing: result the number of bytes copied, or 0 with the buffer untouched
 * when the value does not fit, the key is absent, empty or rejected, or an
 * argument is NULL. The rest of the buffer is never written. */
LUMENMETA_API int32_t GetExifDataBinary(MetaHandle* handle, const char* key, unsigned char* buffer,
                                        int32_t size);

/* Copies one value as Exiv2 holds it, with no code page conversion, into
 * `buffer` of `size` bytes. Keys starting with "I" or "i" read IPTC as
 * GetIptcData with index 0, keys starting with "X" or "x" read XMP, all
 * others read Exif as GetExifData. XMP values are copied as their UTF-8 text:
 * unterminated, and the rest of the buffer untouched, when shorter than the
 * buffer; cut to `size` bytes otherwise (zero the buffer first to get a
 * terminated string). Result 1 when copied, 0 otherwise with the buffer
 * untouched (absent, empty or rejected key, NULL argument, negative size). */
LUMENMETA_API int GetMetaData(MetaHandle* handle, const char* key, char* buffer, int size);

/* Copies an Exif value into `buffer` of `size` bytes. ASCII and undefined
 * values, and values whose binary form has `size` bytes or more, are copied
 * as text the way strncpy does: at most `size` bytes, the rest zero-filled,
 * no terminator when the text fills the buffer. Other values are copied in
 * binary, little-endian, unterminated, the rest of the buffer untouched.
 * Result 1 when copied; 0 with the buffer untouched when the key is absent,
 * empty or rejected, an argument is NULL or `size` is negative. */
LUMENMETA_API int GetExifData(MetaHandle* handle, const char* key, char* buffer, int size);

/* Copies occurrence `index` (0-based) of an IPTC dataset's text, as stored,
 * into `buffer`, which must have room for `size` + 1 bytes: at most `size`
 * text bytes, always followed by a zero byte; nothing past that zero is
 * written. Repeated datasets are reachable by index while they stand next to
 * each other. An empty dataset gives an empty string. Result 1 when copied;
 * 0 with the buffer untouched when there is no such occurrence, the key is
 * rejected, an argument is NULL or `size` is negative. */
LUMENMETA_API int GetIptcData(MetaHandle* handle, const char* key, char* buffer, int size,
                              int index);

/* Joins every value of a key, as GetMetaDataW renders them with `asDecimal`
 * (all elements of an XMP bag, all adjacent occurrences of an IPTC dataset,
 * otherwise the single value), with `separator` between them (NULL joins
 * them with nothing). Result: the length of the joined text in wide
 * characters, with the new, NUL-terminated text stored in *result; the
 * caller frees it with FreeMetaDataWContainer (not SysFreeString). 0 when
 * the key has no value, for a NULL handle, key or result, or when memory is
 * short; *result is then untouched. When every value is empty text and
 * there is no separator text between them, nothing is stored and the result
 * is the number of values minus one. */
LUMENMETA_API int GetMetaDataWContainer(MetaHandle* handle, const char* key, WCHAR** result,
                                        const WCHAR* separator);

/* Frees the text stored by GetMetaDataWContainer. NULL is ignored. */
LUMENMETA_API void FreeMetaDataWContainer(WCHAR* text);

/* Reads one value as GetMetaDataW does with `asDecimal`, for a key given as
 * wide text (converted to code page 0; characters it lacks become "?"), into
 * `buffer` of `count` wide characters the way wcsncpy does: at most `count`
 * characters, the rest zero-filled, no terminator when the text fills the
 * buffer. Result: GetMetaDataW's type code, or 0 with the buffer untouched
 * when nothing is delivered, for a NULL argument or a negative count. */
LUMENMETA_API int GetMetaDataWide(MetaHandle* handle, const WCHAR* key, WCHAR* buffer, int count,
                                  int index);

/* ---- Editing ----------------------------------------------------------- */

/* ---- Saving ------------------------------------------------------------ */

/* ---- Copying, sidecars and variables ------------------------------------ */

/* ---- Diagnostics ------------------------------------------------------- */

/* Receives the library's debug trace, one call per piece of a message (its
 * fixed text, then each variable part, then mostly a line feed). `piece` is
 * NUL-terminated and valid only during the call. The sink may be called from
 * several threads at once. */
typedef void (*DebugTraceSink)(const char* piece, void* context);

/* Sets the process-wide trace sink and the context handed to it; NULL
 * switches the trace off (the default: pieces are dropped). */
LUMENMETA_API void SetDebugTraceSink(DebugTraceSink sink, void* context);

/* Sets the level from which Exiv2 logs its own warnings and errors about
 * damaged files to the standard error stream, for the whole process:
 * 0 debug, 1 info, 2 warning (the default), 3 error, 4 mute. Other values are
 * ignored. */
LUMENMETA_API void SetExiv2LogLevel(int level);

#ifdef __cplusplus
} /* extern "C" */
#endif

#ifdef __cplusplus
/*
 * C++ hosts: the full handle record and the exports that pass library
 * objects. These need a host built with the same C++ standard library (and
 * the same libstdc++ string ABI) and the same Exiv2 as the library.
 */
#include <exiv2/exiv2.hpp>

#include <memory>
#include <set>
#include <string>

struct MetaHandle {
    Exiv2::ExifData exifData;             /* working Exif, in the image's order */
    Exiv2::IptcData iptcData;             /* working IPTC, sorted by key at open */
    Exiv2::XmpData xmpData;               /* working XMP, sorted by key at open */
    std::unique_ptr<Exiv2::Image> image;  /* the opened or created image */
    bool isValid = false;                 /* false once opening failed */
    bool hadExif = false;
    bool hadIptc = false;
    bool hadXmp = false;
    int32_t iptcCodePage = -1;            /* -1 not yet detected, 0 or 65001 */
    std::string filePath;                 /* the path given at open, or empty */
    std::set<std::string> deletedKeys;    /* keys cleared by the host */
    unsigned char* memBuffer = nullptr;   /* last write to memory (new[]) */
};

#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wreturn-type-c-linkage"
#endif
extern "C" {

/* A copy of the path the handle was opened with; empty for a NULL handle, a
 * memory image and a handle opened without a path. */
LUMENMETA_API std::string GetMetaDataFilePath(MetaHandle* handle);

/* ---- Merging ----------------------------------------------------------- */

} /* extern "C" */
#if defined(__clang__)
#pragma clang diagnostic pop
#endif
#endif /* __cplusplus */

#endif /* LUMENMETA_H */
