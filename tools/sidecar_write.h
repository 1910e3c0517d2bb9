// One write into an image's XMP sidecar, alone: both images of a RAW+JPEG
// pair (IMG_1.CR3 and IMG_1.jpg) share IMG_1.xmp, and batch workers, or
// separate runs of the tool, may reach it at once. The write holds an
// advisory lock for the sidecar's path, so they write it in turn, and looks
// at what stands at the path only once it holds the lock.
#pragma once

#include <sys/types.h>

#include <string>

namespace lumenmeta_tool {

class SidecarWrite {
public:
    SidecarWrite() = default;
    ~SidecarWrite();
    SidecarWrite(const SidecarWrite&) = delete;
    SidecarWrite& operator=(const SidecarWrite&) = delete;

    // Takes the sidecar at `path` for this write: with `lock`, waits until
    // no other write holds it (flock on a lock file beside it, which the
    // write removes when it ends), then checks what is there. Returns "", or
    // the reason the sidecar cannot be written into: a symbolic link (not
    // followed: the user named the image, not the link), anything but a
    // regular file, or a file that is not an XMP packet (a JPEG, text).
    // With `linkNamed` the user named the sidecar itself, and a link there
    // is followed.
    std::string Begin(const std::string& path, bool lock, bool linkNamed = false);

    // Whether a sidecar stood at the path when Begin looked.
    bool exists() const { return exists_; }

    // Creates the empty sidecar the write then fills; false when it cannot.
    bool Create();

    // After a failed write: removes the sidecar when Create made it and the
    // path still holds that very file; a sidecar this write did not create
    // is never removed.
    void UndoCreate();

private:
    void Release();

    std::string path_, lockPath_;
    int lockFd_ = -1;
    bool exists_ = false;
    bool created_ = false;
    dev_t device_ = 0;
    ino_t inode_ = 0;
};

// Whether `bytes` (a file's start, up to 80 bytes are enough) begin an XMP
// packet as a sidecar holds it: after an optional UTF-8 byte order mark and
// an optional XML declaration, "<?xpacket" or "<x:xmpmeta".
bool LooksLikeXmpPacket(const std::string& bytes);

}  // namespace lumenmeta_tool
