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

/* ---- Editing ----------------------------------------------------------- */

/* ---- Saving ------------------------------------------------------------ */

/* Writes the handle's working set into an image file and returns 1, or 0 when
 * nothing could be written. A write is always a merge: the target file is
 * opened and read afresh, the metadata of the file the handle was opened from
 * is read again and carried in (all its IPTC and XMP, and of its Exif the
 * standard and maker-note tags; the target keeps its other Exif tags), every
 * key cleared on the handle is removed, the handle's Exif, IPTC and XMP are
 * merged in (each key replacing the target's values for it), invalid dates
 * are dropped and description, rights and creator text are mirrored between
 * XMP, Exif and IPTC. The handle itself is not changed, so it can be written
 * again, to the same or another target.
 *
 * `targetPath`: the file to write (narrow, used byte for byte), which must
 * exist and be an image or an XMP sidecar; NULL writes back into the file the
 * handle was opened from (0 for a handle opened from memory or without a
 * path). `keepTargetUnread` non-zero, with a target path: the target's own
 * metadata is not read, so it holds only what this write puts in.
 * `xmpMode`: 1 removes all XMP from the target unless the source file had
 * XMP; 2 removes all XMP; 3 stores the XMP as a compact packet without packet
 * wrapper, and does not read a target whose path contains ".xmp" and whose
 * file has fewer than 40 bytes; any other value writes the merged XMP.
 *
 * Result 0 for a NULL or invalid handle (nothing traced, nothing opened), for
 * no path on a handle without one, and when the target cannot be opened, read
 * or written (traced as "Unable to write into file: " with the path and
 * Exiv2's reason; the file may be partly written). A source file that cannot
 * be read is traced ("Unable to read from srcfile: ") and the write goes on
 * without it. Any other call first traces "Writing into file: " and the
 * path (empty when the handle has none). */
LUMENMETA_API int WriteData(MetaHandle* handle, const char* targetPath, int xmpMode,
                            int keepTargetUnread);

/* WriteData(handle, targetPath, 0, 0). */
LUMENMETA_API int WriteDataStd(MetaHandle* handle, const char* targetPath);

/* Writes the handle's working set into an image held in memory: the `*size`
 * bytes at `data` are the target, merged exactly as by WriteData with a
 * target path (always read; the ".xmp" rule does not apply). The caller's
 * bytes are only read and may be released when the call returns.
 * Result: the written image, in a buffer owned by the handle, and its length
 * in `*size`. The buffer stays valid until the next successful WriteDataToMem
 * on the handle or until CloseMetaHandle; the host never frees it and copies
 * the bytes out to keep them longer.
 * NULL, with `*size` and the previous buffer unchanged, for a NULL or invalid
 * handle, NULL data or size, a size of 0 or less, bytes that are not an image
 * Exiv2 can write, a source file that cannot be read, or any other failure.
 * Nothing is traced. */
LUMENMETA_API unsigned char* WriteDataToMem(MetaHandle* handle, const unsigned char* data,
                                            int32_t* size, int xmpMode);

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

/* Merges the handle's working set into the image `*target` holds, as a write
 * does between reading its target and storing it: cleared keys removed, the
 * three families merged, invalid dates dropped, Exif, IPTC and XMP converted
 * into each other and the private description, rights and creator texts
 * mirrored into Exif. Changes only the image's metadata containers: the
 * image is not written, the handle not changed, and the image stays the
 * caller's. A NULL handle or target, or an empty pointer, does nothing. An
 * error stops the merge quietly, with the steps already done kept. Traces one
 * line per datum merged; an unknown cleared Exif key writes
 * "Catched Exiv2::AnyError" to the standard error stream. */
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
LUMENMETA_API void MergeMetaData(MetaHandle* handle, Exiv2::Image::AutoPtr* target);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

/* Each of these carries one family from `source` into `target`: every key of
 * `source` replaces, with all its occurrences, the target's values for it,
 * appended after the datums the target keeps; other keys of the target stay.
 * The Exif merge takes only the standard Exif tags (not the thumbnail,
 * maker-note or other tags). `source` is only read; merging a container into
 * itself changes nothing. Traces "Exif-Key: ", "IPTC-Key: " or "XMP-Key: ",
 * the key, " Value: " and the value for every datum added, and the same with
 * "Unable to write " in front for one that cannot be added. An error stops
 * the merge quietly, with the steps already done kept. */
LUMENMETA_API void MergeMetaDataExif(Exiv2::ExifData& source, Exiv2::ExifData& target);
LUMENMETA_API void MergeMetaDataIptc(Exiv2::IptcData& source, Exiv2::IptcData& target);
LUMENMETA_API void MergeMetaDataXmp(Exiv2::XmpData& source, Exiv2::XmpData& target);

} /* extern "C" */
#if defined(__clang__)
#pragma clang diagnostic pop
#endif
#endif /* __cplusplus */

#endif /* LUMENMETA_H */
