// Different handles on different threads at once give exactly the results
// the same work gives on one thread.
#include "lumenmeta.h"

#include "support/fixture_image.h"
#include "support/handles.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace lumenmeta {
namespace {

constexpr int kThreads = 8;
constexpr int kRounds = 100;

std::string Narrow(const BSTR text) {
    std::string out;
    for (const OLECHAR* unit = text; unit && *unit; ++unit) {
        out += *unit < 0x80 ? static_cast<char>(*unit) : '?';
    }
    return out;
}

// The type code and text GetMetaDataW gives, as one string.
std::string Read(MetaHandle* handle, const char* key, int index = 0, bool asDecimal = false) {
    BSTR value = nullptr;
    const int type = GetMetaDataW(handle, key, &value, index, asDecimal);
    const std::string text = std::to_string(type) + ":" + Narrow(value);
    SysFreeString(value);
    return text;
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
    std::string result;
    test::HandlePtr handle(OpenMetaHandle(source.c_str(), 0));
    result += ReadAll(handle.get());
    const std::string mark = "thread " + std::to_string(thread) + " round " + std::to_string(round);
    test::BstrPtr value = test::MakeBstr(std::u16string(mark.begin(), mark.end()));
    result += "|" + std::to_string(AddMetaDataW(handle.get(), "Xmp.dc.source", value.get()));
    result += "|" + std::to_string(AddMetaDataW(handle.get(), "Exif.Image.Model", value.get()));
    result += "|" + ReadAll(handle.get());

    result += "|file " + std::to_string(WriteData(handle.get(), target.c_str(), 0, 0));
    test::HandlePtr written(OpenMetaHandle(target.c_str(), 0));
    result += "|" + ReadAll(written.get());

    int32_t size = static_cast<int32_t>(memoryImage.size());
    const unsigned char* bytes = WriteDataToMem(handle.get(), memoryImage.data(), &size, 0);
    result += "|memory " + std::to_string(bytes != nullptr);
    if (bytes) {
        test::HandlePtr inMemory(OpenMemImage(bytes, size));
        result += "|" + ReadAll(inMemory.get());
    }
    return result;
}

using Results = std::map<std::pair<int, int>, std::string>;

TEST(Concurrency, ManyThreadsGiveTheResultsOfOne) {
    test::TempDir dir;
    const std::string source = test::SampleFixture().WriteTo(dir.File("source.jpg"));
    const std::vector<unsigned char> memoryImage = test::SampleFixture().Bytes();
    auto target = [&](int thread) { return dir.File("target-" + std::to_string(thread) + ".jpg"); };
    auto resetTargets = [&] {
        for (int thread = 0; thread < kThreads; ++thread) test::WriteBytes(target(thread), memoryImage);
    };

    resetTargets();
    Results alone;
    for (int thread = 0; thread < kThreads; ++thread) {
        for (int round = 0; round < kRounds; ++round) {
            alone[{thread, round}] = Round(source, target(thread), memoryImage, thread, round);
        }
    }

    resetTargets();
    std::vector<Results> perThread(kThreads);
    std::vector<std::thread> threads;
    for (int thread = 0; thread < kThreads; ++thread) {
        threads.emplace_back([&, thread] {
            for (int round = 0; round < kRounds; ++round) {
                perThread[thread][{thread, round}] =
                    Round(source, target(thread), memoryImage, thread, round);
            }
        });
    }
    for (std::thread& running : threads) running.join();

    Results together;
    for (const Results& results : perThread) together.insert(results.begin(), results.end());
    ASSERT_EQ(together.size(), alone.size());
    for (const auto& [which, expected] : alone) {
        EXPECT_EQ(together[which], expected) << "thread " << which.first << " round " << which.second;
    }
    // The rounds did real work: the last write of thread 3 is in its file.
    const std::string last = alone[std::make_pair(3, kRounds - 1)];
    EXPECT_NE(last.find("file 1"), std::string::npos);
    EXPECT_NE(last.find("thread 3 round 99"), std::string::npos);
}

}  // namespace
}  // namespace lumenmeta
