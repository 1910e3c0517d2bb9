/* A tiny C host built against an installed lumenmeta: it opens an empty
 * image, stores and reads back a value, lists the keys and closes. */
#include <lumenmeta.h>

#include <stdio.h>
#include <string.h>

int main(void) {
    static const WCHAR artist[] = {'A', 'n', 'n', 0};
    MetaHandle* handle = OpenMetaHandle(NULL, 0);
    BSTR value = SysAllocString(artist);
    BSTR read = NULL;
    char keys[64] = "";
    int32_t size = (int32_t)sizeof keys;
    int ok = handle != NULL && AddMetaDataW(handle, "Xmp.dc.source", value) == 1 &&
             GetMetaDataW(handle, "Xmp.dc.source", &read, 0, false) == 0x10005 &&
             SysStringLen(read) == 3 && read[0] == 'A' &&
             GetMetaDataKeys(handle, NULL, keys, &size, NULL) && strcmp(keys, "Xmp.dc.source") == 0;
    SysFreeString(read);
    SysFreeString(value);
    CloseMetaHandle(handle);
    puts(ok ? "host ok" : "host FAILED");
    return ok ? 0 : 1;
}
