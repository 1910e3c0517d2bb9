#include "save/write_merge.h"

#include "merge/keep_untouched.h"
#include "merge/list_join.h"
#include "merge/merge_driver.h"
#include "save/carry_source.h"
#include "save/xmp_mode.h"
#include "save/xmp_packet.h"

namespace lumenmeta {

void MergeForWrite(const MetaHandle& handle, Exiv2::Image& target, Exiv2::Image* source, int xmpMode) {
    // What the target holds with no edit at all: the file as read, with the
    // source's metadata carried in as the source file holds it.
    MetadataNote note = NoteOf(target);
    bool sourceHadXmp = false;
    SyncedTwins synced;  // noted only when there is a source
    if (source == &target) {
        sourceHadXmp = PrepareSourceImage(target, &synced);
    } else if (source) {
        CarrySourceNote(*source, note);
        sourceHadXmp = CarrySourceMetadata(*source, target, &synced);
    }
    MergeHandleIntoImage(handle, target, &synced);
    JoinEditedLists(handle, note, target);
    KeepUntouchedValues(handle, note, target);
    ApplyXmpMode(target, xmpMode, sourceHadXmp);
    EncodeXmpPacket(target);
}

}  // namespace lumenmeta
