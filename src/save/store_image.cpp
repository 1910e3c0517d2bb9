#include "save/store_image.h"

namespace lumenmeta {

void StoreImage(Exiv2::Image& image) { image.writeMetadata(); }

}  // namespace lumenmeta
