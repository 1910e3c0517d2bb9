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
 *  - Text in any script: what a host sets reads back the same, in every
 *    family, and other programs see the same text in the file. Exif text is
 *    written as UTF-8; IPTC text as UTF-8 when the handle's IPTC is UTF-8 or
 *    Windows-1252 cannot hold it, else as Windows-1252. Narrow Exif and IPTC
 *    text is read as UTF-8 where its bytes are valid UTF-8 and as
 *    Windows-1252 elsewhere. After a write, IPTC that holds any text outside
 *    ASCII is all UTF-8 and carries the UTF-8 marker
 *    (Iptc.Envelope.CharacterSet = ESC % G). The debug trace is UTF-8.
 *  - Different handles may be used on different threads at the same time;
 *    one handle must be used by one thread at a time.
 *
 * Results, by family of exports (each export below gives the details):
 *  - Opening: OpenMetaHandle gives a handle even for a file it cannot read
 *    (GetImageSize then gives 0); OpenMemImage gives NULL for bytes that are
 *    not an image.
 *  - Wide reads (GetMetaDataW, GetMetaDataWide): the value's Exiv2 type
 *    code, never 0, when a value was delivered; 0 when not.
 *    GetMetaDataWContainer: the joined text's length, 0 when nothing (mind
 *    its rule for empty values).
 *  - Narrow and typed reads (GetMetaData, GetExifData, GetIptcData,
 *    GetExifDataL/N/S/D): 1 when delivered, 0 when not. GetExifDataLength,
 *    GetExifDataBinary: a byte count, 0 when nothing. GetThumbnail: a byte
 *    count, 0 for no thumbnail, -1 for a buffer too small.
 *  - Wide setters (AddMetaDataW, AddMetaDataWide, AddMetaDataWContainer):
 *    1 done, 0 failed. Typed setters (AddMeta, ModifyMetaDataValueAsString,
 *    ModifyExifIptcMeta): 0 done, a positive code or -1 for failures.
 *    ClearMetaData: the number of datums erased, -1 when it failed.
 *  - Writes and copies (WriteData, WriteDataStd, CopyImageMetaData,
 *    CreateXmpSidecar, CopyExifDataValue): 1 done, 0 failed, the reason
 *    traced where the export says so. WriteDataToMem: the written bytes or
 *    NULL.
 *  - Listings (GetMetaDataKeys, CollectLumenframeVarNames): true when the
 *    list was copied, with the size protocol each describes.
 *  - Stored and readable reads (GetMetaDataStored, GetMetaDataText): the
 *    type code, never 0, when a text was delivered; 0 when not.
 *    GetMetaDataEntries: the number of entries, -1 when it failed.
 *    GetGpsDecimal: 1 when delivered, 0 when not.
 *  - A path always names a local file, passed to the file system byte for
 *    byte. Only regular files are read or replaced: every file is opened
 *    without blocking and checked before it is read, and read no further
 *    than its size. A path that names a folder, a device, a FIFO or a socket
 *    gives the export's failure result at once and a trace line (the
 *    export's own failure trace, or "Not a regular file: ", the path, a line
 *    feed where it has none); the thing it names is left as it is.
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

/* A length-prefixed, NUL-terminated UTF-16 string in the OLE layout. A BSTR
 * points at the text; its malloc'd block starts sizeof(void*) bytes before
 * the text (8 on 64-bit systems): unused bytes, then a 4-byte byte count in
 * native order just before the text, then the text units and one zero unit.
 * The length is read from the byte count, never from a terminator, so zero
 * units inside count and a BSTR passed in must have a real prefix: make it
 * with SysAllocString or SysAllocStringLen (a plain wide buffer gives a
 * garbage length). Freed by SysFreeString. Runtimes whose own BSTR keeps the
 * text at another offset in its block (Mono on Linux: 4 bytes) cannot pass
 * theirs in or free ours: such hosts take a BSTR as a plain pointer and use
 * these functions. */
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
 * is only remembered, the file is not touched. The file is opened once and
 * read through that descriptor only (its name is not looked up again while
 * it is read), and not held open once its metadata is read.
 * Result: a new handle, owned by the caller and released with
 * CloseMetaHandle. A file that cannot be opened or read still gives a handle,
 * marked invalid: reads find nothing in it and writers refuse it. NULL only
 * when memory for the record cannot be had. Traces "No Exif Data there" when
 * the file holds no Exif, and "Not a regular file: ", the path, a line feed
 * when the path names a folder, device, FIFO or socket. */
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

/* Whether a symbolic link at the last name of a path the calling thread
 * gives the library (to open, write, copy or create a sidecar) is followed:
 * 1, the default, follows it to the file it names; 0 refuses it as a path
 * that names no regular file ("Not a regular file: " is traced), for a host
 * that found the file in a folder walk and means that very entry, never
 * whatever a link put there since leads to. Links in the folders of the path
 * are followed either way. The setting is the calling thread's own and lasts
 * until it is changed. Result: the previous setting. */
LUMENMETA_API int SetFollowLastLink(int follow);

/* Kept for hosts that call it: takes no action. */
LUMENMETA_API void SetExifLibraryErrorStream(void);

/* ---- Reading ----------------------------------------------------------- */

/* Reads one value as wide text. The family is chosen by the key's prefix,
 * case ignored: "xmp." XMP, "iptc." IPTC, anything else Exif; the key itself
 * must spell its family "Xmp", "Iptc" or "Exif". `index` (0-based) selects
 * the occurrence of a repeated XMP property or of an IPTC dataset repeated
 * in adjacent positions, or the element of an XMP bag; Exif keys take index
 * 0 only. An empty value counts as absent.
 * The text: XMP as UTF-8; IPTC and other Exif text as UTF-8 where its bytes
 * are valid UTF-8, else as Windows-1252 (whether the handle's IPTC is UTF-8
 * is decided on the first IPTC read and kept, for the setters); byte values (the "XP" tags) as UTF-16LE text;
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

/* Stores the first component of an Exif value as a 32-bit integer, as
 * Exiv2 converts it: a rational gives its integer quotient, a text its first
 * character's code ("Ann" gives 65). Result 1 when stored; 0 when the key is
 * absent, empty, rejected by Exiv2 or not an Exif key, when Exiv2's
 * conversion raises an error, or for a NULL argument, with *value
 * untouched. */
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
 * GetIptcData with index 0, which always terminates the text: for those keys
 * the buffer must hold `size` + 1 bytes. Keys starting with "X" or "x" read XMP, all
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
 * caller frees it with FreeMetaDataWContainer (not SysFreeString; the
 * block is malloc'd, so free and a runtime's CoTaskMemFree also do). 0 when
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

/* Lists the full key of every datum in the working set, in container order,
 * joined by `separator` (NULL means "|"; "" puts nothing between). A key held
 * by several datums is listed once per datum. `family` is "Exif", "Iptc" or
 * "Xmp" (exact case) for one family, or NULL for all three in that order.
 * Only the working set is read; the file is not touched.
 * `*size` is the capacity of `buffer` in bytes on entry and the bytes the
 * whole list needs, its NUL included, on return. Result: true when the
 * capacity was larger than the list's length; then the list and its NUL are
 * copied into `buffer` unless it is NULL. False when the list does not fit
 * (`buffer` untouched, `*size` still set), so a NULL buffer with capacity 0
 * asks for the size. A NULL handle or size, or any other family, gives false
 * with `*size` untouched. The buffer stays the caller's. */
LUMENMETA_API bool GetMetaDataKeys(MetaHandle* handle, const char* family, char* buffer,
                                   int32_t* size, const char* separator);

/* ---- Values as stored and as read --------------------------------------- */

/* Every value can be had in two UTF-8 forms besides the wide reads above:
 *  - stored: Exiv2's own text of the whole value: every component, bytes
 *    and shorts as decimal numbers ("2 2 0 0", "8 8 8"), rationals as n/d
 *    ("36/1 26/1 5430/100"), text as held (padding blanks kept); the "XP"
 *    tags as their UTF-16 text; the user comment without its character-set
 *    prefix; XMP arrays item by item (see below).
 *  - readable: Exiv2's interpretation of the tag, as Exiv2's own tools print
 *    it ("top, left", "1/125 s", "F8", "50deg 57' 25\"", "2.2.0.0",
 *    "Above sea level"), trailing blanks removed; the user comment, an item
 *    of an XMP array and an empty value read as stored.
 * Exif and IPTC text is read as UTF-8 where its bytes are valid UTF-8, else
 * as Windows-1252; every text ends at its first zero byte.
 * The values of one key are counted by `index` (0-based), in container
 * order: each datum with the key is one value (Exif datums under one key and
 * IPTC datasets repeated anywhere included), except that an XMP array (bag,
 * sequence, alternative) gives one value per item and a language
 * alternative one per language, x-default first. An empty value is a value:
 * it gives empty text. None of these reads changes HadExifData, HadIptcData
 * or HadXmpData. */

/* One value of a listing (GetMetaDataEntries). Every string is UTF-8 and
 * NUL-terminated, and lives in the block the listing returned. */
typedef struct MetaDataEntry {
    const char* key;       /* the full key: "Exif.GPSInfo.GPSVersionID" */
    const char* typeName;  /* Exiv2's name of the value's type: "Byte",
                              "Ascii", "Short", "Rational", "Undefined",
                              "XmpText", "XmpBag", "LangAlt", "String", ... */
    int32_t type;          /* Exiv2's type code: 1 byte, 2 ascii, 3 short,
                              0x10005 XMP text, 0x1000a bag, ... */
    int32_t index;         /* which value of the key this is (see above) */
    const char* language;  /* a language alternative's language ("x-default",
                              "de-DE"); "" for every other value */
    const char* stored;    /* the stored form */
    const char* text;      /* the readable form */
} MetaDataEntry;

/* Reads value `index` of `key` in its stored form. The family is chosen by
 * the key's prefix (ASCII case ignored), and the key must match the datum's
 * key exactly ("Exif.Image.Make").
 * Result: the value's Exiv2 type code (never 0), with a new, NUL-terminated
 * UTF-8 text stored in *text that the caller frees with FreeMetaDataText.
 * 0 when there is no such value, for a negative index, a NULL handle, key or
 * text, or when memory is short; *text is then untouched. */
LUMENMETA_API int GetMetaDataStored(MetaHandle* handle, const char* key, int index, char** text);

/* As GetMetaDataStored, in the readable form. */
LUMENMETA_API int GetMetaDataText(MetaHandle* handle, const char* key, int index, char** text);

/* Frees a text stored by GetMetaDataStored or GetMetaDataText. NULL is
 * ignored. (The block is malloc'd, so free also does.) */
LUMENMETA_API void FreeMetaDataText(char* text);

/* Lists every value of `family` ("Exif", "Iptc" or "Xmp", exact case), or of
 * all three in that order when `family` is NULL, in one walk of the working
 * set: in container order, one entry per value as counted above, with its
 * key, type, index, language and both forms.
 * Result: the number of entries, with a new array of that many entries
 * stored in *entries (NULL for none); the array and all its strings are one
 * block, which the caller frees with FreeMetaDataEntries. -1 for a NULL
 * handle or entries, any other family, or memory short; *entries is then
 * untouched. */
LUMENMETA_API int32_t GetMetaDataEntries(MetaHandle* handle, const char* family,
                                         MetaDataEntry** entries);

/* Frees a listing stored by GetMetaDataEntries. NULL is ignored. */
LUMENMETA_API void FreeMetaDataEntries(MetaDataEntry* entries);

/* A GPS coordinate or altitude as a signed decimal number: for
 * "Exif.GPSInfo.GPSLatitude", "GPSLongitude", "GPSDestLatitude" and
 * "GPSDestLongitude" the degrees, minutes and seconds (n/d each; minutes and
 * seconds may be missing) as degrees, negative when the matching reference
 * ("...Ref") is "S" or "W"; for "Exif.GPSInfo.GPSAltitude" the metres,
 * negative when GPSAltitudeRef is 1 (below sea level). A missing reference
 * counts as north, east, above sea level.
 * Result: 1 with the number stored in *value; 0 with *value untouched for any
 * other key, an absent or empty value, a zero denominator, or a NULL
 * argument. */
LUMENMETA_API int GetGpsDecimal(MetaHandle* handle, const char* key, double* value);

/* ---- Editing ----------------------------------------------------------- */

/* Edits change only the handle's working set; they reach a file or memory
 * with the next write. */

/* Stores `value` under `key` in the working set. The key's family decides
 * the text form: XMP keys get UTF-8 text; "Xmp.Lumenframe.Var" and
 * "Xmp.Lumenframe.VarU" collect their values as items of one bag; the
 * rational XMP keys (such as "Xmp.exif.FNumber") take "n/d" or a number, which
 * is stored as n/d (5.6 becomes 56/10, 8 becomes 8/1). IPTC keys get UTF-8 text when the
 * handle's IPTC is UTF-8 (declared by the marker or detected) or when
 * Windows-1252 cannot hold the text, else Windows-1252 text. Exif keys get UTF-8 text parsed as the tag's
 * own type; "Exif.Image.XP..." tags get the UTF-16LE bytes of the text and a
 * zero unit. The value ends at its first zero unit. An empty or NULL value
 * clears the key, as ClearMetaData does.
 * The value replaces what the key held, except in two cases: an XMP array
 * that exists (a bag or sequence such as "Xmp.dc.subject") gets the value
 * appended as one more item, and of an IPTC dataset held several times only
 * the first occurrence is replaced. To replace an array, clear the key
 * first; AddMeta appends a further IPTC occurrence. A language alternative
 * ("Xmp.dc.title") has its x-default entry replaced.
 * An XMP key whose property is not an XML name ("Xmp.dc.1abc", "Xmp.dc.a<b";
 * such a property would make the whole XMP fail at the next write) stores
 * nothing and traces "Not an XML name in XMP key: ", the key, a line feed.
 * A text that is no valid value of the key's type is refused, the key keeps
 * its values, and the trace says "Refused value for ", the key, ": ", the
 * text, " (", the reason, ")" and a line feed: numbers must parse whole and
 * fit the type ("-1" or "sideways" for Exif.Image.Orientation are refused),
 * rationals are "n/d" or a decimal number (stored as n/d: "2.8" gives
 * 28/10), the Exif dates are "YYYY:MM:DD HH:MM:SS" of a real calendar day
 * (or the blank form the Exif standard gives for an unknown date, which the
 * next write removes), IPTC dates "YYYY-MM-DD" or "YYYYMMDD" and times
 * "HH:MM:SS" or "HHMMSS" with an optional zone, and the XMP properties Exiv2
 * types as dates, integers, real numbers or rationals likewise. Text keys
 * take any text.
 * Result: 1 stored or cleared; 0 when Exiv2 rejected the key, for a value
 * the key's type cannot hold, when memory ran out, for an XMP key whose
 * property is no XML name, or for a NULL handle or key. Changes made before
 * a failure stay. `key` and `value` stay the caller's. */
LUMENMETA_API int AddMetaDataW(MetaHandle* handle, const char* key, BSTR value);

/* AddMetaDataW with the key and the value as NUL-terminated wide strings; the
 * key is converted to code page 0. Traces the key, then the value (code page
 * 0; empty for NULL), then "\n". A NULL value clears the key.
 * Result: that of AddMetaDataW; 0 for a NULL handle or key, and when memory
 * runs out. */
LUMENMETA_API int AddMetaDataWide(MetaHandle* handle, const WCHAR* key, const WCHAR* value);

/* Cuts `items` at the characters of `separators` and stores each piece under
 * `key` with AddMetaDataW, in order: an array property such as a bag gets
 * them all as items, a plain one keeps the last. Pieces keep a separator in
 * two cases: one at the start of a piece (with ";" as the set, "a;;b" gives
 * "a" and ";b") and one standing alone at the very end ("a;b;" gives "a"
 * and "b;"). A NULL or empty `separators` makes the whole text one piece.
 * Pieces end at a zero unit; empty pieces are skipped, so nothing is ever
 * cleared from here.
 * Result: 1 when every piece was stored, also when `items` is empty or NULL
 * (nothing is stored or cleared then); 0 when a piece failed (the pieces
 * before it stay stored), for a NULL handle or key, and when memory runs
 * out. Every argument stays the caller's. */
LUMENMETA_API int AddMetaDataWContainer(MetaHandle* handle, const char* key, BSTR items,
                                        const WCHAR* separators);

/* The typed setters. Each stores narrow text as a value of Exiv2 type `type`
 * (an Exiv2 TypeId number; 0 asks for the IPTC dataset's own type, or ASCII
 * text for every Exif key), trying the IPTC container first and the Exif
 * container second. A text that opens and closes with a double quote is
 * stored without them (a lone quote gives the empty text). An empty text
 * stores nothing and gives 2 in all three (nothing to store). XMP keys
 * are not handled, no text is converted and nothing is recorded as cleared.
 * Results shared by the three:
 *   0   stored;
 *  -1   NULL handle, key or value;
 *   1   the key was accepted but the value could not be made, read or
 *       stored: a text that is no valid value of `type` (checked as
 *       AddMetaDataW checks it, with the same trace line), an unknown type
 *       number, memory running out;
 *   2   neither an IPTC nor an Exif key, or an empty text;
 *   6   AddMeta only: a second copy of an IPTC dataset that does not repeat;
 *       nothing was changed.
 * Changes made before a failure stay. */

/* Appends a new datum, even when one with the key exists (two Exif datums
 * with one key can result). The IPTC container is tried for every key. */
LUMENMETA_API int AddMeta(MetaHandle* handle, const char* key, const char* value, int type);

/* Replaces the value of the first datum with the key, or appends one when
 * there is none. The IPTC container is tried only for keys that begin with
 * "I" or "i". */
LUMENMETA_API int ModifyMetaDataValueAsString(MetaHandle* handle, const char* key,
                                              const char* value, int type);

/* As ModifyMetaDataValueAsString, from text or from a binary value. `size`
 * is the byte count of a binary value at `value`; with `size` 0, a short (3,
 * 8), long (4, 9) or rational (5, 10) `type` still reads 2, 4 or 8 bytes, and
 * every other type takes `value` as NUL-terminated text. The bytes are read
 * as a little-endian value of `type`, and Exiv2's text of it is what is
 * stored (the rational 1, 4 becomes "1/4", stored as one quarter).
 * Results as above, and: 2 for an empty text; 1 when the bytes cannot be read
 * as `type`; -1 also for a negative size; 0 at once, with nothing done, when
 * the handle is not valid. Every failure in the Exif container (an XMP or
 * misspelt key, a value Exiv2 refuses) marks the handle invalid: from then on
 * this function gives 0 and writers refuse the handle until it is closed. */
LUMENMETA_API int ModifyExifIptcMeta(MetaHandle* handle, const char* key, const char* value,
                                     int type, int size);

/* Erases every datum with `key` from the working set and records the key, as
 * written, so that a later write removes it from the target file too.
 * Result: the number of datums erased (0 when there were none; the key is
 * recorded all the same); -1 when Exiv2 rejects the key, for a NULL handle
 * or key, and when memory runs out (nothing is recorded then). */
LUMENMETA_API int ClearMetaData(MetaHandle* handle, const char* key);

/* Decodes a raw Exif block, `size` bytes at `data`, into the working Exif:
 * 10 bytes that are skipped (APP1 marker, segment length, "Exif\0\0"), then
 * the TIFF structure. Its tags are added to those already there and the
 * handle reports Exif. A block that cannot be read (no TIFF structure,
 * damaged, shorter than 10 bytes) empties the working Exif, what was there
 * before included, and the handle reports no Exif. Size 0, a NULL handle or
 * NULL data change nothing. The bytes stay the caller's; none is kept. */
LUMENMETA_API void SetExifMetaData(MetaHandle* handle, const unsigned char* data, uint32_t size);

/* Stores `size` bytes at `data` as the working set's JPEG Exif thumbnail,
 * replacing one that was there. The bytes are copied and not checked. A
 * NULL handle or data, or a size of 0 or less, changes nothing. */
LUMENMETA_API void SetThumbnail(MetaHandle* handle, const unsigned char* data, int32_t size);

/* Copies the working set's Exif thumbnail to `buffer`, which holds `size`
 * bytes. Result: the number of bytes copied; 0 when there is no thumbnail
 * (nothing written), also for a NULL handle or a thumbnail Exiv2 cannot
 * read; -1 when the buffer is too small (a NULL buffer counts as one of 0
 * bytes), the buffer untouched: ask again with a larger one. */
LUMENMETA_API int32_t GetThumbnail(MetaHandle* handle, unsigned char* buffer, int32_t size);

/* ---- Saving ------------------------------------------------------------ */

/* Every export that stores a file (WriteData, WriteDataStd,
 * CopyImageMetaData, CreateXmpSidecar) replaces it crash-safely. Where the
 * write begins, the path is resolved once to the file its symbolic links
 * finally name (a symbolic link is written through), and that file is read
 * through a descriptor held open in its folder. The new file is written
 * into an anonymous file in that folder (O_TMPFILE; where the file system
 * has none, a temporary file with a random name), flushed to disk, given a
 * name only then and at once renamed over the target, so a crash, a kill or
 * a full disk leaves either the old file or the new one, never a mix, and
 * (with anonymous files) nothing else in the folder, except in the one
 * instant between giving the new file its name and the rename: a write
 * stopped exactly there leaves the complete new file as
 * ".NAME.lumenmeta-landing" beside the old one, and the next write of the
 * file removes it. The replacement keeps
 * the target's permission bits, its owner (where the process may set it)
 * and its extended attributes in every namespace the process may set: user
 * attributes such as the tags desktops keep in "user.xdg.tags", POSIX ACLs,
 * and security and trusted attributes where permitted. Right before the
 * replacement is put in place, the name is checked to still hold the file
 * that was read; when another file (or a symbolic link) has taken its name
 * meanwhile, nothing is changed and the write fails. On failure the target
 * is left as it was and the temporary file is removed. Two cases cannot be
 * renamed over and cost more: a file with several hard links, and a
 * writable file in a folder where the process may not create files. There
 * the complete new content is copied over the file in place (after it is
 * safely on disk, for hard links), with the old content held in memory
 * meanwhile and put back if the copy fails; a crash in the middle of that
 * copy can leave the file cut. A target the process may not write is
 * refused before anything is written. */

/* What a write keeps (every writer: WriteData, WriteDataStd, WriteDataToMem,
 * CopyImageMetaData, MergeMetaData). A write changes only what it was asked
 * to change:
 *  - a value the host neither set nor cleared, and that is no twin of such a
 *    key, keeps its bytes in every family (Exif, IPTC and XMP hold twins of
 *    each other: Exif.Image.Artist, Iptc.Application2.Byline and
 *    Xmp.dc.creator, say), also where the file's families disagree with each
 *    other (a photo saved again by a program that updated its Exif and left
 *    stale XMP). Written back into the file it came from, that is the file's
 *    value; written into another file, the source file's value for the keys
 *    the source carries, and the target's own value for every other key.
 *    (WriteData, WriteDataStd and WriteDataToMem; MergeMetaData, which has no
 *    file of its own to compare with, converts as below.)
 *  - the conversions between the families only add a twin that is missing,
 *    and only when it is valid where it lands: no date-time made from a date
 *    alone, no malformed date, none of a TIFF's image-structure tags in the
 *    Exif of a JPEG, PNG or WebP, no version tag that is not four digits, XMP
 *    text always valid UTF-8 (Exif text in Windows-1252 is read as such). An
 *    Exif IFD0 or Exif IFD that the write creates gets the tags the Exif
 *    standard requires (resolution 72 dpi, ExifVersion 0232, FlashpixVersion
 *    0100, ColorSpace uncalibrated, the pixel dimensions; in a JPEG also
 *    YCbCrPositioning 1 and ComponentsConfiguration 1 2 3 0).
 *  - dates keep the wall-clock time written in them; no result depends on
 *    the machine's time zone. An edited Exif date reaches its XMP twins with
 *    its sub-seconds and the zone offset they held (or the Exif offset
 *    tag's).
 *  - IPTC stays valid: no text is encoded twice, datasets a write creates or
 *    changes are cut to the IIM standard's length at a character boundary,
 *    repeated datasets stay separate, and a JPEG's IPTC digest in its
 *    Photoshop resources is brought up to date when the IPTC changes.
 *  - edits win: a key the host set or cleared reaches the file as the host
 *    left it (Exif keys outside the standard list and maker-note keys
 *    included), and its twins in the other families follow it, so a cleared
 *    GPS position is gone from every family. Where the host set twins of
 *    different families, the XMP one wins, then the Exif one; a private
 *    mirror key (Xmp.Lumenframe.Exif.Image.Artist, ...Copyright,
 *    ...ImageDescription) the host set wins in Exif over its Dublin Core twin.
 *    A key whose datums the host changed directly in the containers of the
 *    handle (C++ hosts) counts as set.
 *  - lists grow from what the file holds: an item added to keywords,
 *    subjects, creators or supplemental categories joins every item the file
 *    holds for that list in either family (XMP and IPTC), without repeats;
 *    a list the host cleared before adding is replaced in both.
 *  - the XMP stays whole, or the write fails: a packet the XMP toolkit
 *    cannot encode gives the failure result with the reason in the trace,
 *    and nothing is written. */

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
 * Which value wins: a key the host set or cleared on the handle wins over
 * everything else, and its twins in the other families follow it (see "What
 * a write keeps" above); between twins the host set both of, the XMP one
 * wins, then the Exif one. Values the host did not touch keep their bytes
 * (see "What a write keeps").
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
 * or written, is not a regular file, or has had its name taken by another
 * file since it was read (traced as "Unable to write into file: " with the
 * path and the reason; the file is left as it was). A target in a format
 * Exiv2 reads but cannot write (HEIF, AVIF and CR3 files, RAF, MRW, GIF and
 * the like) is refused before anything is read or written, with the reason
 * the format's name and " files cannot be written in place": the pieces
 * "Unable to write into file: ", the path, " Reason: ",
 * "HEIF files cannot be written in place", "\n". The name comes from the
 * file's content (HEIF, AVIF, CR3, JPEG XL, RAF, ...), else from the path's
 * extension in capitals. Such an image's edits can go into an XMP sidecar
 * instead (CreateXmpSidecar, then a handle opened on the sidecar and
 * written). A source file that cannot
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
 * Nothing is traced, except a source file that is not a regular file:
 * "Not a regular file: ", its path, a line feed; and bytes of a format Exiv2
 * cannot write (as for WriteData): "Unable to write into file: ", an empty
 * piece, " Reason: ", the reason ("AVIF files cannot be written in place"),
 * a line feed. */
LUMENMETA_API unsigned char* WriteDataToMem(MetaHandle* handle, const unsigned char* data,
                                            int32_t* size, int xmpMode);

/* ---- Copying, sidecars and variables ------------------------------------ */

/* Copies all Exif, IPTC and XMP metadata and the comment of the image file at
 * `source` into the image file at `target`, replacing each of the target's
 * containers (and its comment) as a whole; no merge takes place. The source
 * is read into memory first, so `target` may name the same file. When no
 * file exists at `target`, a new JPEG image is created there. With
 * `readTarget` non-zero the target's own metadata is read before it is
 * replaced.
 * Result: 1 when the target was written; 0 otherwise: a NULL path, a source
 * that is missing or not an image, a target that cannot be opened, created
 * or read, a target that keeps no comment (an XMP sidecar), a target in a
 * format Exiv2 cannot write (see WriteData; nothing is written), or a failed
 * write. A failed write is traced: "Could not write metadata to: ", then the
 * target path; a source or target that is not a regular file too: "Not a
 * regular file: ", the path, a line feed. Paths are passed to the file
 * system byte for byte. */
LUMENMETA_API int CopyImageMetaData(const char* source, const char* target, int readTarget);

/* Copies the first Exif datum under `key` from the working set of `source`
 * into the working set of `target`, replacing every datum the target held
 * under that key. The value keeps its type and bytes. Neither file is
 * written; the datum reaches a file with the target's next write. `source`
 * and `target` may be the same handle.
 * Result: 1 when the datum was copied; 0 for a NULL argument, a key whose
 * family is not "Exif" exactly (IPTC and XMP keys are never copied), a key
 * the source does not hold or holds with an empty value, and a key Exiv2
 * does not know; the last also writes "Catched Exiv2::AnyError" to the
 * standard error stream. When the result is 0 the target is unchanged. */
LUMENMETA_API int CopyExifDataValue(MetaHandle* source, MetaHandle* target, const char* key);

/* Creates an XMP sidecar file without properties at `path`, used unchanged
 * (no extension is added or tested). With `overwrite` false an existing file
 * is left alone; with `overwrite` true it is replaced.
 * Result: 1 when the sidecar was created and written; 0 when a file exists
 * and `overwrite` is false (nothing traced), for a NULL path, when the file
 * cannot be created or the path names something other than a regular file
 * (traced: "CreateXmpSidecar: Could not create file: ")
 * or when it cannot be written (traced: "CreateXmpSidecar: Could not write
 * metadata to: ", then the path; the created file stays). */
LUMENMETA_API int CreateXmpSidecar(const char* path, bool overwrite);

/* Lists the keys of the handle's private-namespace properties
 * ("Xmp.Lumenframe.<name>") in the working set, in container order, full
 * keys joined by `separator` (NULL means "|"; "" puts nothing between). A key
 * held by several datums is listed once per datum. Three groups, each listed
 * when its flag is true:
 *  - unresolved: "Xmp.Lumenframe.VarU" and keys beginning with
 *    "Xmp.Lumenframe.VarUnresolved.";
 *  - system: "Xmp.Lumenframe.Guid", ".FileType", ".Filter1", ".Filter2",
 *    ".RawSettings", ".RawVersion", ".Dir" and keys beginning with
 *    "Xmp.Lumenframe._";
 *  - variables: every other key of the namespace.
 * All comparisons are case-sensitive.
 * `*size` is the capacity of `buffer` in bytes on entry and the bytes the
 * whole list needs, its NUL included, on return. Result: true when the
 * capacity was larger than the list's length; then the list and its NUL are
 * copied into `buffer` unless it is NULL. False when the list does not fit
 * (`buffer` untouched, `*size` still set), so a NULL buffer with capacity 0
 * asks for the size. A NULL handle or size gives false with `*size`
 * untouched. The buffer stays the caller's. */
LUMENMETA_API bool CollectLumenframeVarNames(MetaHandle* handle, char* buffer, int32_t* size,
                                             bool listVariables, bool listUnresolved,
                                             bool listSystem, const char* separator);

/* ---- Diagnostics ------------------------------------------------------- */

/* Receives the library's debug trace, one call per piece of a message (its
 * fixed text, then each variable part, then mostly a line feed). `piece` is
 * NUL-terminated UTF-8 (a part that is not valid UTF-8, such as a code page 0
 * value or a path in another encoding, is read as Windows-1252 and sent in
 * UTF-8) and valid only during the call. The sink is called on the thread
 * that traces, and may be called from several threads at once. */
typedef void (*DebugTraceSink)(const char* piece, void* context);

/* Sets the process-wide trace sink and the context handed to it; NULL
 * switches the trace off (the default: pieces are dropped). It does not wait
 * for calls already in flight on other threads: those may still reach the
 * previous sink with its context after this returns, so a host keeps both
 * valid until no such call can be running. */
LUMENMETA_API void SetDebugTraceSink(DebugTraceSink sink, void* context);

/* Sets the level from which Exiv2 logs its own warnings and errors about
 * damaged files to the standard error stream (or to the sink set with
 * SetExiv2LogSink), for the whole process:
 * 0 debug, 1 info, 2 warning (the default), 3 error, 4 mute. Other values are
 * ignored. */
LUMENMETA_API void SetExiv2LogLevel(int level);

/* Receives Exiv2's own warnings and errors: `level` as for
 * SetExiv2LogLevel (1 info, 2 warning, 3 error, 0 debug), `path` the file
 * being opened on that thread (as given to OpenMetaHandle or
 * CopyImageMetaData; "" when none, as for an image in memory), `message`
 * Exiv2's text without its line end. All three are valid only during the
 * call, `path` in the file system's bytes, `message` UTF-8. The sink is
 * called on the thread that reads, possibly from several at once, and only
 * for messages at or above the level set with SetExiv2LogLevel. */
typedef void (*Exiv2LogSink)(int level, const char* path, const char* message, void* context);

/* Sets the process-wide sink of Exiv2's messages and its context. NULL
 * restores the default: each message goes to the standard error stream as
 * the path (when there is one), ": ", "Warning: " or "Error: ", the message,
 * a line feed. As with SetDebugTraceSink, calls in flight may still reach
 * the previous sink after this returns. */
LUMENMETA_API void SetExiv2LogSink(Exiv2LogSink sink, void* context);

/* ---- Versions ---------------------------------------------------------- */

/* The library's own version, "MAJOR.MINOR.PATCH", where MAJOR is the number
 * in its file name (liblumenmeta.so.MAJOR). A NUL-terminated ASCII string
 * owned by the library: never freed by the caller, valid while the library
 * is loaded. */
LUMENMETA_API const char* GetLumenmetaVersion(void);

/* The version of the Exiv2 library loaded with this one, as Exiv2 reports it
 * ("0.27.6"): the one found at run time, which may be a later release than
 * the one the library was built against. A NUL-terminated ASCII string owned
 * by Exiv2: never freed by the caller, valid while the library is loaded. */
LUMENMETA_API const char* GetExiv2Version(void);

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
    std::set<std::string> editedKeys;     /* keys set by the host, in Exiv2's spelling */
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
