#include "fuzz_support.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SetExiv2LogLevel(4);
    return 0;
}

namespace lumenmeta::fuzz {

uint8_t InputReader::Byte() {
    if (size_ == 0) return 0;
    --size_;
    return *data_++;
}

int32_t InputReader::Int() {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = (value << 8) | Byte();
    return static_cast<int32_t>(value);
}

std::string InputReader::String(size_t limit) {
    const size_t length = std::min({static_cast<size_t>(Byte()), limit, size_});
    std::string text(reinterpret_cast<const char*>(data_), length);
    data_ += length;
    size_ -= length;
    return text;
}

std::string InputReader::Rest() {
    std::string text(reinterpret_cast<const char*>(data_), size_);
    data_ += size_;
    size_ = 0;
    return text;
}

namespace {

// Images with thousands of tags would make one input take seconds; the keys
// past this bound add no new paths.
constexpr size_t kMaxHeldKeys = 48;

// Keys every round asks for, present or not: one of each value shape, the
// lower-case family spellings, and keys Exiv2 rejects or half-parses.
const char* const kFixedKeys[] = {
    "Exif.Image.Artist",
    "Exif.Image.XResolution",
    "Exif.Photo.UserComment",
    "Exif.Image.XPTitle",
    "Exif.Photo.ISOSpeedRatings",
    "Exif.Thumbnail.JPEGInterchangeFormat",
    "Exif.GPSInfo.GPSLatitude",
    "Exif.Image.0xabcd",
    "Iptc.Application2.Keywords",
    "Iptc.Application2.Caption",
    "Iptc.Envelope.CharacterSet",
    "Iptc.Application2.0x00ff",
    "Xmp.dc.title",
    "Xmp.dc.subject",
    "Xmp.exif.FNumber",
    "Xmp.Lumenframe.Var",
    "exif.image.artist",
    "iptc.application2.keywords",
    "xmp.dc.title",
    "",
    "X",
    "I",
    "Exif",
    "Exif.",
    "Exif..",
    "Exif.Image.",
    "Exif.NoGroup.Artist",
    "Iptc.",
    "Iptc.Application2.NoSuchDataset",
    "Xmp.",
    "Xmp.dc",
    "Xmp.nosuchns.property",
    "Xmp.dc.title[1]",
    "Xmp.dc.subject[2]/?xml:lang",
    "Something.Else.Entirely",
};

// A buffer of exactly `size` bytes on the heap (new char[0] for 0), so that
// AddressSanitizer reports a write one byte past it.
template <typename T>
std::unique_ptr<T[]> Buffer(size_t size) {
    std::unique_ptr<T[]> buffer(new T[size]);
    std::memset(buffer.get(), 0x5A, size * sizeof(T));
    return buffer;
}

std::u16string WideFromBytes(const std::string& text) {
    std::u16string wide;
    for (const char c : text) wide.push_back(static_cast<unsigned char>(c));
    return wide;
}

std::vector<std::string> KeysToRead(const MetaHandle& handle) {
    std::vector<std::string> keys(std::begin(kFixedKeys), std::end(kFixedKeys));
    size_t held = 0;
    for (const Exiv2::Exifdatum& datum : handle.exifData) {
        if (held++ == kMaxHeldKeys) break;
        keys.push_back(datum.key());
    }
    for (const Exiv2::Iptcdatum& datum : handle.iptcData) {
        if (held++ == 2 * kMaxHeldKeys) break;
        keys.push_back(datum.key());
    }
    for (const Exiv2::Xmpdatum& datum : handle.xmpData) {
        if (held++ == 3 * kMaxHeldKeys) break;
        keys.push_back(datum.key());
    }
    return keys;
}

void ReadWide(MetaHandle* handle, const char* key) {
    for (const int index : {-1, 0, 1, 3}) {
        for (const bool asDecimal : {false, true}) {
            BSTR value = nullptr;
            if (GetMetaDataW(handle, key, &value, index, asDecimal) != 0) {
                // Touches the whole text, its prefix and its terminator.
                volatile uint32_t units = SysStringLen(value);
                (void)units;
                volatile WCHAR last = value[SysStringLen(value)];
                (void)last;
            }
            SysFreeString(value);
        }
    }
    for (const char16_t* separator : {static_cast<const char16_t*>(nullptr), u", ", u""}) {
        WCHAR* joined = nullptr;
        const int length = GetMetaDataWContainer(handle, key, &joined, separator);
        if (joined) {
            volatile WCHAR end = joined[length];
            (void)end;
        }
        FreeMetaDataWContainer(joined);
    }
    const std::u16string wideKey = WideFromBytes(key);
    for (const int count : {0, 1, 7, 300}) {
        std::unique_ptr<WCHAR[]> buffer = Buffer<WCHAR>(static_cast<size_t>(count));
        GetMetaDataWide(handle, wideKey.c_str(), buffer.get(), count, count % 2);
    }
}

void ReadExif(MetaHandle* handle, const char* key) {
    int32_t number = 0;
    GetExifDataL(handle, key, &number);
    GetExifDataN(handle, key, &number);
    int16_t component = 0;
    for (const int32_t n : {-1, 0, 1, 2, 100}) GetExifDataS(handle, key, &component, n);
    double real = 0;
    GetExifDataD(handle, key, &real);
    const int32_t length = GetExifDataLength(handle, key);
    for (const int32_t size : {length, length - 1, 0, 64}) {
        if (size < 0) continue;
        std::unique_ptr<unsigned char[]> buffer = Buffer<unsigned char>(static_cast<size_t>(size));
        GetExifDataBinary(handle, key, buffer.get(), size);
    }
    for (const int size : {0, 1, 4, 8, 300}) {
        std::unique_ptr<char[]> buffer = Buffer<char>(static_cast<size_t>(size));
        GetExifData(handle, key, buffer.get(), size);
    }
}

void ReadNarrow(MetaHandle* handle, const char* key) {
    // GetMetaData reads IPTC keys as GetIptcData does, which terminates the
    // text after `size` bytes: those keys need one byte more.
    const size_t terminator = key[0] == 'I' || key[0] == 'i' ? 1 : 0;
    for (const int size : {0, 1, 4, 300}) {
        std::unique_ptr<char[]> buffer = Buffer<char>(static_cast<size_t>(size) + terminator);
        GetMetaData(handle, key, buffer.get(), size);
    }
    for (const int index : {-1, 0, 1, 2}) {
        for (const int size : {0, 3, 300}) {
            // Room for `size` text bytes and the terminator.
            std::unique_ptr<char[]> buffer = Buffer<char>(static_cast<size_t>(size) + 1);
            GetIptcData(handle, key, buffer.get(), size, index);
        }
    }
}

void ReadHandleState(MetaHandle* handle) {
    int width = 0;
    int height = 0;
    GetImageSize(handle, &width, &height);
    HadExifData(handle);
    HadIptcData(handle);
    HadXmpData(handle);
    GetMetaDataFilePath(handle);
    const int32_t needed = GetThumbnail(handle, nullptr, 0);
    (void)needed;
    for (const int32_t size : {1, 64, 4096, 65536}) {
        std::unique_ptr<unsigned char[]> buffer = Buffer<unsigned char>(static_cast<size_t>(size));
        if (GetThumbnail(handle, buffer.get(), size) >= 0) break;
    }
    int32_t size = 0;
    CollectLumenframeVarNames(handle, nullptr, &size, true, true, true, nullptr);
    for (const int32_t capacity : {size, size - 1, size + 1}) {
        if (capacity < 0) continue;
        std::unique_ptr<char[]> buffer = Buffer<char>(static_cast<size_t>(capacity));
        int32_t inOut = capacity;
        CollectLumenframeVarNames(handle, buffer.get(), &inOut, capacity % 2 == 0, true,
                                  capacity % 2 == 1, "; ");
    }
}

// The small JPEG every write goes into: 8 x 8 grey, no metadata.
const std::vector<unsigned char>& SmallJpeg() {
    static const std::vector<unsigned char> jpeg = [] {
        MetaHandle* empty = OpenMetaHandle(nullptr, 1);
        std::vector<unsigned char> bytes;
        if (empty && empty->image) {
            Exiv2::BasicIo& io = empty->image->io();
            bytes.resize(static_cast<size_t>(io.size()));
            io.seek(0, Exiv2::BasicIo::beg);
            io.read(bytes.data(), static_cast<long>(bytes.size()));
        }
        CloseMetaHandle(empty);
        return bytes;
    }();
    return jpeg;
}

// The stored and readable forms of a key, every entry of the listing (each
// string touched to its end) and the GPS decimals.
void ReadForms(MetaHandle* handle, const char* key) {
    for (const int index : {-1, 0, 1, 3}) {
        for (auto* read : {GetMetaDataStored, GetMetaDataText}) {
            char* text = nullptr;
            if (read(handle, key, index, &text) != 0) {
                volatile size_t length = std::strlen(text);
                (void)length;
            }
            FreeMetaDataText(text);
        }
    }
    double number = 0;
    GetGpsDecimal(handle, key, &number);
}

void ReadListing(MetaHandle* handle) {
    for (const char* family : {static_cast<const char*>(nullptr), "Exif", "Iptc", "Xmp"}) {
        MetaDataEntry* entries = nullptr;
        const int32_t count = GetMetaDataEntries(handle, family, &entries);
        size_t total = 0;
        for (int32_t i = 0; i < count; ++i) {
            const MetaDataEntry& e = entries[i];
            total += std::strlen(e.key) + std::strlen(e.typeName) + std::strlen(e.language) +
                     std::strlen(e.stored) + std::strlen(e.text);
        }
        volatile size_t keep = total;
        (void)keep;
        FreeMetaDataEntries(entries);
    }
}

}  // namespace

void ReadEverything(MetaHandle* handle) {
    if (!handle) return;
    ReadHandleState(handle);
    ReadListing(handle);
    for (const std::string& key : KeysToRead(*handle)) {
        ReadWide(handle, key.c_str());
        ReadExif(handle, key.c_str());
        ReadNarrow(handle, key.c_str());
        ReadForms(handle, key.c_str());
    }
}

void WriteToSmallJpeg(MetaHandle* handle, int xmpMode) {
    const std::vector<unsigned char>& jpeg = SmallJpeg();
    int32_t size = static_cast<int32_t>(jpeg.size());
    const unsigned char* written = WriteDataToMem(handle, jpeg.data(), &size, xmpMode);
    if (!written) return;
    uint8_t sum = 0;
    for (int32_t i = 0; i < size; ++i) sum ^= written[i];
    volatile uint8_t keep = sum;
    (void)keep;
}

}  // namespace lumenmeta::fuzz
