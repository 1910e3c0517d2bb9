// Exiv2's memory I/O over bytes a caller lends and expects back unchanged.
#pragma once

#include <exiv2/exiv2.hpp>

#include <vector>

namespace lumenmeta {

// Reads the caller's bytes in place. Exiv2's TIFF-based writers ask for a
// writable mapping and edit values of the same size there, storing nothing
// else: that mapping is a copy, so the caller's bytes are only ever read, and
// an edit made in it is the written image (Edited()). A new image Exiv2
// hands over (transfer) replaces both.
class CallerBytesIo : public Exiv2::MemIo {
public:
    CallerBytesIo(const Exiv2::byte* data, long size) : Exiv2::MemIo(data, size) {}
    Exiv2::byte* mmap(bool isWriteable = false) override;
    void transfer(Exiv2::BasicIo& src) override;
    // The image as a writer edited it in the mapping, or null when it wrote
    // a new image or none.
    const std::vector<Exiv2::byte>* Edited() const { return edited_ ? &copy_ : nullptr; }

private:
    std::vector<Exiv2::byte> copy_;
    bool edited_ = false;
};

}  // namespace lumenmeta
