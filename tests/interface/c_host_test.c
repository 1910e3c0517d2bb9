/* A host written in plain C: the public header compiles as C, and the shared
 * library links and works without any C++ on the host's side. */
#include "lumenmeta.h"

#include <stdio.h>
#include <string.h>

static int failures = 0;
static int checks = 0;

#define CHECK(condition)                                                  \
    do {                                                                  \
        ++checks;                                                         \
        if (!(condition)) {                                               \
            ++failures;                                                   \
            fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #condition); \
        }                                                                 \
    } while (0)

static int pieces = 0;
static void CountPieces(const char* piece, void* context) {
    (void)piece;
    ++*(int*)context;
}

int main(void) {
    static const WCHAR hello[] = {'H', 'e', 'l', 'l', 'o', 0};
    BSTR text = SysAllocString(hello);
    MetaHandle* empty;
    MetaHandle* missing;
    int width = -1, height = -1;

    SetExiv2LogLevel(4);
    CHECK(text != NULL);
    CHECK(SysStringLen(text) == 5);
    CHECK(memcmp(text, hello, sizeof(hello)) == 0);
    SysFreeString(text);
    SysFreeString(NULL);
    CHECK(SysAllocString(NULL) == NULL);

    CloseMetaHandle(NULL);
    CHECK(OpenMemImage(NULL, 10) == NULL);

    empty = OpenMetaHandle(NULL, 0);
    CHECK(empty != NULL);
    CHECK(HadExifData(empty) == 0 && HadIptcData(empty) == 0 && HadXmpData(empty) == 0);
    CHECK(GetImageSize(empty, &width, &height) == 1);
    CloseMetaHandle(empty);

    SetDebugTraceSink(CountPieces, &pieces);
    missing = OpenMetaHandle("/nonexistent/lumenmeta/c-host.jpg", 0);
    CHECK(missing != NULL);
    CHECK(GetImageSize(missing, &width, &height) == 0);
    CloseMetaHandle(missing);
    SetDebugTraceSink(NULL, NULL);
    CHECK(pieces == 0); /* an invalid handle sends no "No Exif Data there" */

    printf("%d passed, %d failed\n", checks - failures, failures);
    return failures == 0 ? 0 : 1;
}
