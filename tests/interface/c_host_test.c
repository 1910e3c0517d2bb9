/* A host written in plain C: the public header compiles as C, and the shared
 * library links and works without any C++ on the host's side. */
#include "lumenmeta.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int checks = 0, failures = 0;

static void Check(int passed, int line, const char* condition) {
    ++checks;
    if (passed) return;
    ++failures;
    fprintf(stderr, "c_host_test.c:%d: failed: %s\n", line, condition);
}
#define CHECK(condition) Check((condition) != 0, __LINE__, #condition)

/* A 16 x 8 grey JPEG without metadata. */
static const char kJpeg[] =
    "\xFF\xD8\xFF\xDB\x00\x43\x00"
    "\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01"
    "\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01"
    "\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01"
    "\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01"
    "\xFF\xC0\x00\x0B\x08\x00\x08\x00\x10\x01\x01\x11\x00"
    "\xFF\xC4\x00\x14\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
    "\xFF\xC4\x00\x14\x10\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
    "\xFF\xDA\x00\x08\x01\x01\x00\x00\x3F\x00\x0F\xFF\xD9";

static void CountPieces(const char* piece, void* count) {
    (void)piece;
    ++*(int*)count;
}

int main(void) {
    static const WCHAR hello[] = {'H', 'e', 'l', 'l', 'o', 0}, cafe[] = {'C', 'a', 'f', 0xE9, 0};
    int width = -1, height = -1, pieces = 0;
    SetExiv2LogLevel(4);

    BSTR text = SysAllocString(hello);
    CHECK(text != NULL && SysStringLen(text) == 5 && memcmp(text, hello, sizeof(hello)) == 0);
    SysFreeString(text);
    SysFreeString(NULL);
    CHECK(SysAllocString(NULL) == NULL);
    CloseMetaHandle(NULL);
    CHECK(OpenMemImage(NULL, 10) == NULL);

    MetaHandle* handle = OpenMetaHandle(NULL, 0);
    CHECK(handle != NULL && !HadExifData(handle) && !HadIptcData(handle) && !HadXmpData(handle));
    CHECK(GetImageSize(handle, &width, &height) == 1);
    CloseMetaHandle(handle);

    SetDebugTraceSink(CountPieces, &pieces);
    handle = OpenMetaHandle("/nonexistent/lumenmeta/c-host.jpg", 0);
    CHECK(handle != NULL && GetImageSize(handle, &width, &height) == 0);
    CloseMetaHandle(handle);
    SetDebugTraceSink(NULL, NULL);
    CHECK(pieces == 0); /* an invalid handle sends no "No Exif Data there" */

    /* A value set, read back as a BSTR and as narrow text, written into the
     * JPEG in memory and read from the result. */
    handle = OpenMetaHandle(NULL, 0);
    text = SysAllocString(cafe);
    CHECK(AddMetaDataW(handle, "Xmp.dc.source", text) == 1);
    SysFreeString(text);
    text = NULL;
    CHECK(GetMetaDataW(handle, "Xmp.dc.source", &text, 0, false) == 0x10005);
    CHECK(text != NULL && SysStringLen(text) == 4 && memcmp(text, cafe, sizeof(cafe)) == 0);
    SysFreeString(text);
    char narrow[8] = {0};
    CHECK(GetMetaData(handle, "Xmp.dc.source", narrow, 7) == 1 && !strcmp(narrow, "Caf\xC3\xA9"));
    /* The joined text is malloc'd: a host's own free releases it as well. */
    WCHAR* joined = NULL;
    CHECK(GetMetaDataWContainer(handle, "Xmp.dc.source", &joined, NULL) == 4);
    CHECK(joined != NULL && memcmp(joined, cafe, sizeof(cafe)) == 0);
    free(joined);

    int32_t size = (int32_t)(sizeof(kJpeg) - 1);
    const unsigned char* written = WriteDataToMem(handle, (const unsigned char*)kJpeg, &size, 0);
    CHECK(written != NULL && size > (int32_t)(sizeof(kJpeg) - 1));
    MetaHandle* reopened = written ? OpenMemImage(written, size) : NULL;
    text = NULL;
    CHECK(reopened != NULL && GetMetaDataW(reopened, "Xmp.dc.source", &text, 0, false) == 0x10005);
    CHECK(text != NULL && memcmp(text, cafe, sizeof(cafe)) == 0);
    SysFreeString(text);
    CloseMetaHandle(reopened);
    CloseMetaHandle(handle); /* releases the written buffer too */

    /* The stored and readable forms, the listing and GPS decimals: every
     * text malloc'd, freed by its own export. */
    handle = OpenMetaHandle(NULL, 0);
    CHECK(AddMeta(handle, "Exif.GPSInfo.GPSVersionID", "2 2 0 0", 1) == 0);
    CHECK(AddMeta(handle, "Exif.GPSInfo.GPSLatitudeRef", "S", 2) == 0);
    CHECK(AddMeta(handle, "Exif.GPSInfo.GPSLatitude", "50/1 57/1 252/10", 5) == 0);
    CHECK(AddMeta(handle, "Exif.Image.Orientation", "1", 3) == 0);
    char* form = NULL;
    CHECK(GetMetaDataStored(handle, "Exif.GPSInfo.GPSVersionID", 0, &form) == 1);
    CHECK(form != NULL && !strcmp(form, "2 2 0 0"));
    FreeMetaDataText(form);
    form = NULL;
    CHECK(GetMetaDataText(handle, "Exif.Image.Orientation", 0, &form) == 3);
    CHECK(form != NULL && !strcmp(form, "top, left"));
    FreeMetaDataText(form);
    form = NULL;
    CHECK(GetMetaDataStored(handle, "Exif.Image.Orientation", 1, &form) == 0 && form == NULL);
    CHECK(GetMetaDataText(NULL, "Exif.Image.Orientation", 0, &form) == 0 && form == NULL);
    FreeMetaDataText(NULL);
    double degrees = 0;
    CHECK(GetGpsDecimal(handle, "Exif.GPSInfo.GPSLatitude", &degrees) == 1);
    CHECK(degrees < -50.956999 && degrees > -50.957001);
    MetaDataEntry* entries = NULL;
    CHECK(GetMetaDataEntries(handle, "Exif", &entries) == 4);
    CHECK(entries != NULL && !strcmp(entries[0].key, "Exif.GPSInfo.GPSVersionID") &&
          !strcmp(entries[0].typeName, "Byte") && entries[0].type == 1 &&
          !strcmp(entries[0].stored, "2 2 0 0") && !strcmp(entries[0].text, "2.2.0.0"));
    FreeMetaDataEntries(entries);
    entries = NULL;
    CHECK(GetMetaDataEntries(handle, "Xmp", &entries) == 0 && entries == NULL);
    CHECK(GetMetaDataEntries(handle, "exif", &entries) == -1);
    FreeMetaDataEntries(NULL);
    CloseMetaHandle(handle);

    printf("%d passed, %d failed\n", checks - failures, failures);
    return failures == 0 ? 0 : 1;
}
