// The input is a sequence of edits (see setter_operations.h) applied with
// the editing exports to a handle with arbitrary keys, values, types and
// sizes; the working set is then read back and written into a small JPEG.
#include "fuzz_support.h"
#include "setter_operations.h"

#include "support/fixture_image.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace lumenmeta::fuzz;

// Sequences longer than this explore nothing new and only slow the run.
constexpr int kMaxOperations = 48;

struct BstrFreer {
    void operator()(OLECHAR* text) const { SysFreeString(text); }
};
using BstrPtr = std::unique_ptr<OLECHAR, BstrFreer>;

const std::vector<unsigned char>& SampleImage() {
    static const std::vector<unsigned char> bytes = lumenmeta::test::SampleFixture().Bytes();
    return bytes;
}

std::string ReadKey(InputReader& input) {
    const uint8_t choice = input.Byte();
    if (choice < kKnownKeyCount) return kKnownKeys[choice];
    return input.String(80);
}

// A wide text, or nothing for NULL; `isNull` tells which.
std::u16string ReadWide(InputReader& input, bool& isNull) {
    const uint8_t mode = input.Byte();
    isNull = mode == 0xFF;
    if (isNull) return {};
    const std::string bytes = input.String(255);
    std::u16string wide;
    if (mode % 2 == 0) {
        for (const char c : bytes) wide.push_back(static_cast<unsigned char>(c));
    } else {
        for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
            wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                 static_cast<unsigned char>(bytes[i + 1]) << 8));
        }
    }
    return wide;
}

int ReadType(InputReader& input) {
    const uint8_t code = input.Byte();
    if (code < 0x80) return code % 20;
    if (code < 0xF0) return 0x10000 + code % 10;
    return input.Int();
}

// A BSTR of every unit of `text` (zero units included), or NULL.
BstrPtr MakeBstr(const std::u16string& text, bool isNull) {
    if (isNull) return nullptr;
    return BstrPtr(SysAllocStringLen(text.data(), static_cast<uint32_t>(text.size())));
}

void ApplyOperation(MetaHandle* handle, InputReader& input) {
    const auto operation = static_cast<Operation>(input.Byte() % kOperationCount);
    const std::string key = ReadKey(input);
    bool isNull = false;
    switch (operation) {
        case Operation::kAddMetaDataW: {
            const std::u16string value = ReadWide(input, isNull);
            AddMetaDataW(handle, key.c_str(), MakeBstr(value, isNull).get());
            break;
        }
        case Operation::kAddMetaDataWContainer: {
            const std::u16string items = ReadWide(input, isNull);
            BstrPtr itemsBstr = MakeBstr(items, isNull);
            const std::u16string separators = ReadWide(input, isNull);
            AddMetaDataWContainer(handle, key.c_str(), itemsBstr.get(),
                                  isNull ? nullptr : separators.c_str());
            break;
        }
        case Operation::kAddMeta: {
            const std::string value = input.String(255);
            AddMeta(handle, key.c_str(), value.c_str(), ReadType(input));
            break;
        }
        case Operation::kModifyValueAsString: {
            const std::string value = input.String(255);
            ModifyMetaDataValueAsString(handle, key.c_str(), value.c_str(), ReadType(input));
            break;
        }
        case Operation::kModifyExifIptcMeta: {
            const std::string bytes = input.String(255);
            const int type = ReadType(input);
            const uint8_t sizeCode = input.Byte();
            const int size = sizeCode == 0xFF ? -1 : sizeCode % (bytes.size() + 1);
            // With size 0 a number type reads up to 8 bytes and any other
            // type a terminated text: the buffer holds both.
            std::vector<char> value(bytes.begin(), bytes.end());
            value.resize(bytes.size() + 9, '\0');
            ModifyExifIptcMeta(handle, key.c_str(), value.data(), type, size);
            break;
        }
        case Operation::kClearMetaData:
            ClearMetaData(handle, key.c_str());
            break;
        case Operation::kAddMetaDataWide: {
            std::u16string wideKey;
            for (const char c : key) wideKey.push_back(static_cast<unsigned char>(c));
            const std::u16string value = ReadWide(input, isNull);
            AddMetaDataWide(handle, wideKey.c_str(), isNull ? nullptr : value.c_str());
            break;
        }
        case Operation::kSetThumbnail: {
            const std::string bytes = input.String(255);
            SetThumbnail(handle, reinterpret_cast<const unsigned char*>(bytes.data()),
                         static_cast<int32_t>(bytes.size()));
            break;
        }
        case Operation::kCopyExifValue:
            CopyExifDataValue(handle, handle, key.c_str());
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    InputReader input(data, size);
    MetaHandle* handle = nullptr;
    if (input.Byte() % 2 == 1) {
        const std::vector<unsigned char>& sample = SampleImage();
        handle = OpenMemImage(sample.data(), static_cast<int32_t>(sample.size()));
    } else {
        handle = OpenMetaHandle(nullptr, 1);
    }
    if (!handle) return 0;
    for (int count = 0; count < kMaxOperations && !input.empty(); ++count) {
        ApplyOperation(handle, input);
    }
    ReadEverything(handle);
    WriteToSmallJpeg(handle, 0);
    CloseMetaHandle(handle);
    return 0;
}
