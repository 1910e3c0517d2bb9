#include "handle/handle_access.h"

extern "C" void CloseMetaHandle(MetaHandle* handle) { lumenmeta::DestroyHandle(handle); }
