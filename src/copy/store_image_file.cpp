#include "copy/store_image_file.h"

namespace lumenmeta {

void StoreImageFile(Exiv2::Image& image) { image.writeMetadata(); }

}  // namespace lumenmeta
