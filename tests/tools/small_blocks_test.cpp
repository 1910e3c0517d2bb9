// The tool's operator new and delete, built into this program as into the
// tool: every allocation here, gtest's and Exiv2's included, goes through them.
#include "support/fixture_image.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <new>
#include <thread>
#include <vector>

namespace {

bool Aligned(const void* block) { return reinterpret_cast<uintptr_t>(block) % 16 == 0; }

TEST(SmallBlocks, BlocksOfEverySizeAreAlignedSeparateAndReusedOnlyForTheirSize) {
    // Every small size, the edge of the small ones, and large ones, all live
    // at once, each filled to its last byte: a block cut too short, or handed
    // out twice, shows as another block's bytes.
    std::vector<size_t> sizes;
    for (size_t size = 0; size <= 1100; ++size) sizes.push_back(size);
    for (size_t size : {4096u, 65536u, 200000u}) sizes.push_back(size);
    std::vector<unsigned char*> blocks;
    for (size_t i = 0; i < sizes.size(); ++i) {
        auto* block = static_cast<unsigned char*>(::operator new(sizes[i]));
        ASSERT_TRUE(Aligned(block)) << sizes[i];
        std::memset(block, static_cast<int>(i & 0xff), sizes[i]);
        blocks.push_back(block);
    }
    for (size_t i = 0; i < sizes.size(); ++i) {
        for (size_t at = 0; at < sizes[i]; ++at) {
            ASSERT_EQ(blocks[i][at], static_cast<unsigned char>(i & 0xff)) << sizes[i] << " @" << at;
        }
    }
    for (unsigned char* block : blocks) ::operator delete(block);

    // A freed block serves the next request of its size class, and never a
    // larger one.
    void* small = ::operator new(20);
    const uintptr_t smallAt = reinterpret_cast<uintptr_t>(small);
    ::operator delete(small);
    void* larger = ::operator new(40);
    EXPECT_NE(reinterpret_cast<uintptr_t>(larger), smallAt);
    void* same = ::operator new(32);  // 20 and 32 share a class
    EXPECT_EQ(reinterpret_cast<uintptr_t>(same), smallAt);
    ::operator delete(same);
    ::operator delete(larger);

    // Arrays, sized and nothrow forms free into the same lists.
    auto* array = new char[24];
    const uintptr_t arrayAt = reinterpret_cast<uintptr_t>(array);
    delete[] array;
    auto* again = new (std::nothrow) char[30];
    EXPECT_EQ(reinterpret_cast<uintptr_t>(again), arrayAt);
    ::operator delete[](again, 30);
    void* bigger = ::operator new(5000, std::nothrow);
    ASSERT_NE(bigger, nullptr);
    ::operator delete(bigger, std::nothrow);
}

int handlerCalls = 0;
void GiveUpOnSecondCall() {
    if (++handlerCalls == 2) std::set_new_handler(nullptr);
}

TEST(SmallBlocks, ARequestThatCannotBeMetCallsTheNewHandlerThenFails) {
    // Through a volatile, so that the compiler does not refuse the size.
    volatile size_t impossibleSize = SIZE_MAX - 8;
    const size_t impossible = impossibleSize;
    handlerCalls = 0;
    std::set_new_handler(GiveUpOnSecondCall);
    void* never = nullptr;
    EXPECT_THROW(never = ::operator new(impossible), std::bad_alloc);
    EXPECT_EQ(never, nullptr);
    EXPECT_EQ(handlerCalls, 2);
    EXPECT_EQ(::operator new(impossible, std::nothrow), nullptr);
    EXPECT_EQ(::operator new[](impossible, std::nothrow), nullptr);
}

TEST(SmallBlocks, ABlockFreedInAnotherThreadIsUsableThere) {
    std::vector<std::string*> made;
    std::thread([&] {
        for (int i = 0; i < 1000; ++i) made.push_back(new std::string(40, 'a' + i % 26));
    }).join();
    std::vector<std::string*> remade;
    for (std::string* text : made) {
        EXPECT_EQ(text->size(), 40u);
        delete text;
    }
    for (int i = 0; i < 1000; ++i) remade.push_back(new std::string(40, 'z'));
    for (std::string* text : remade) {
        EXPECT_EQ(*text, std::string(40, 'z'));
        delete text;
    }
}

TEST(SmallBlocks, Exiv2ReadsAndWritesAnImageThroughThem) {
    // Exiv2, its XMP toolkit and the C++ library free what they allocate;
    // one of them freeing a block of ours with free() would abort here.
    lumenmeta::test::TempDir dir;
    const std::string path =
        lumenmeta::test::SampleFixture().WriteTo(dir.File("sample.jpg"));
    for (int round = 0; round < 3; ++round) {
        auto image = Exiv2::ImageFactory::open(path);
        image->readMetadata();
        image->exifData()["Exif.Image.Artist"] = "Round " + std::to_string(round);
        image->xmpData()["Xmp.dc.source"] = "round " + std::to_string(round);
        image->writeMetadata();
    }
    const lumenmeta::test::FileMetadata back = lumenmeta::test::ReadBack(path);
    EXPECT_EQ(back.exif.findKey(Exiv2::ExifKey("Exif.Image.Artist"))->toString(), "Round 2");
    EXPECT_EQ(back.xmp.findKey(Exiv2::XmpKey("Xmp.dc.source"))->toString(), "round 2");
    EXPECT_EQ(back.exif.findKey(Exiv2::ExifKey("Exif.Image.Make"))->toString(),
              lumenmeta::test::SampleFixture().exif.findKey(Exiv2::ExifKey("Exif.Image.Make"))
                  ->toString());
}

}  // namespace
