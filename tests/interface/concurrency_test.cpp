// Different handles on different threads at once give exactly the results
// the same work gives on one thread.
#include "lumenmeta.h"

#include "support/fixture_image.h"
#include "support/handles.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace lumenmeta {
namespace {

constexpr int kThreads = 8, kRounds = 100;

// The type code and text (the low byte of each unit) GetMetaDataW gives.
std::string Read(MetaHandle* handle, const char* key, int index = 0, bool asDecimal = false) {
    BSTR value = nullptr;
    const int type = GetMetaDataW(handle, key, &value, index, asDecimal);
    const test::BstrPtr owned(value);
    return std::to_string(type) + ":" + std::string(value, value + SysStringLen(value));
}

std::string ReadAll(MetaHandle* handle) {
    return Read(handle, "Exif.Image.Model") + "|" + Read(handle, "Exif.Image.XResolution", 0, true) +
           "|" + Read(handle, "Iptc.Application2.Keywords", 1) + "|" + Read(handle, "Xmp.dc.title") +
           "|" + Read(handle, "Xmp.dc.subject", 1) + "|" + Read(handle, "Xmp.dc.source");
}

// One round: open the shared source, read, edit, write to this thread's own
// file and to memory, and read both results back.
std::string Round(const std::string& source, const std::string& target,
                  const std::vector<unsigned char>& memoryImage, int thread, int round) {
    test::HandlePtr handle(OpenMetaHandle(source.c_str(), 0));
    std::string result = ReadAll(handle.get());
    const std::string mark = "thread " + std::to_string(thread) + " round " + std::to_string(round);
    test::BstrPtr value = test::MakeBstr(std::u16string(mark.begin(), mark.end()));
    result += "|" + std::to_string(AddMetaDataW(handle.get(), "Xmp.dc.source", value.get()));
    result += "|" + std::to_string(AddMetaDataW(handle.get(), "Exif.Image.Model", value.get()));
    result += "|" + ReadAll(handle.get());
    result += "|file " + std::to_string(WriteData(handle.get(), target.c_str(), 0, 0));
    result += "|" + ReadAll(test::HandlePtr(OpenMetaHandle(target.c_str(), 0)).get());
    int32_t size = static_cast<int32_t>(memoryImage.size());
    const unsigned char* bytes = WriteDataToMem(handle.get(), memoryImage.data(), &size, 0);
    result += "|memory " + std::to_string(bytes != nullptr);
    if (bytes) result += "|" + ReadAll(test::HandlePtr(OpenMemImage(bytes, size)).get());
    return result;
}

TEST(Concurrency, ManyThreadsGiveTheResultsOfOne) {
    test::TempDir dir;
    const std::string source = test::SampleFixture().WriteTo(dir.File("source.jpg"));
    const std::vector<unsigned char> memoryImage = test::SampleFixture().Bytes();
    // A thread's rounds on a fresh target of its own, each result in its slot.
    auto rounds = [&](int thread, std::vector<std::string>& results) {
        const std::string target = dir.File("target-" + std::to_string(thread) + ".jpg");
        test::WriteBytes(target, memoryImage);
        for (int round = 0; round < kRounds; ++round) {
            results[thread * kRounds + round] = Round(source, target, memoryImage, thread, round);
        }
    };
    std::vector<std::string> alone(kThreads * kRounds), together(kThreads * kRounds);
    for (int thread = 0; thread < kThreads; ++thread) rounds(thread, alone);
    std::vector<std::thread> threads;
    for (int thread = 0; thread < kThreads; ++thread) {
        threads.emplace_back(rounds, thread, std::ref(together));
    }
    for (std::thread& running : threads) running.join();

    for (size_t i = 0; i < alone.size(); ++i) {
        EXPECT_EQ(together[i], alone[i]) << "thread " << i / kRounds << " round " << i % kRounds;
    }
    // The rounds did real work: the last write of thread 3 is in its file.
    EXPECT_NE(alone[4 * kRounds - 1].find("file 1|2:thread 3 round 99"), std::string::npos)
        << alone[4 * kRounds - 1];
}

// Exiv2's messages, with the thread that logged them.
struct Logged {
    std::mutex mutex;
    std::vector<std::pair<std::thread::id, std::string>> paths;
};

void LogPath(int, const char* path, const char*, void* logged) {
    auto* into = static_cast<Logged*>(logged);
    const std::lock_guard<std::mutex> lock(into->mutex);
    into->paths.emplace_back(std::this_thread::get_id(), path);
}

TEST(Concurrency, Exiv2MessagesNameTheFileOfTheirOwnThread) {
    test::TempDir dir;
    // A JPEG whose IFD0 claims 64 entries in a segment that holds one: Exiv2
    // logs an error on every open.
    std::vector<unsigned char> damaged = test::SampleFixture().Bytes();
    const unsigned char app1[] = {0xFF, 0xE1, 0x00, 0x1A, 'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0,
                                  8, 0, 0, 0, 0x40, 0x00, 0x0F, 0x01, 0x02, 0x00, 0x50, 0x00,
                                  0x00, 0x00};
    damaged.insert(damaged.begin() + 2, std::begin(app1), std::end(app1));
    Logged logged;
    std::vector<std::string> paths(kThreads);
    std::vector<std::thread::id> ids(kThreads);
    std::vector<int> listed(kThreads, 0);
    SetExiv2LogLevel(3);
    SetExiv2LogSink(LogPath, &logged);
    std::vector<std::thread> threads;
    for (int thread = 0; thread < kThreads; ++thread) {
        paths[thread] = dir.File("damaged-" + std::to_string(thread) + ".jpg");
        test::WriteBytes(paths[thread], damaged);
        threads.emplace_back([&, thread] {
            ids[thread] = std::this_thread::get_id();
            for (int round = 0; round < kRounds / 10; ++round) {
                test::HandlePtr handle(OpenMetaHandle(paths[thread].c_str(), 0));
                MetaDataEntry* entries = nullptr;
                listed[thread] += GetMetaDataEntries(handle.get(), nullptr, &entries) > 0;
                FreeMetaDataEntries(entries);
            }
        });
    }
    for (std::thread& running : threads) running.join();
    SetExiv2LogSink(nullptr, nullptr);
    SetExiv2LogLevel(4);
    ASSERT_GE(logged.paths.size(), static_cast<size_t>(kThreads * kRounds / 10));
    for (const auto& [id, path] : logged.paths) {
        const int thread = static_cast<int>(std::find(ids.begin(), ids.end(), id) - ids.begin());
        ASSERT_LT(thread, kThreads);
        EXPECT_EQ(path, paths[thread]);
    }
    EXPECT_EQ(listed, std::vector<int>(kThreads, kRounds / 10));
}

}  // namespace
}  // namespace lumenmeta
