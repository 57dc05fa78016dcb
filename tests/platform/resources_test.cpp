#include "platform/resources.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

// Bytes that tell every position from its neighbours, zero bytes included.
std::string PatternBytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return bytes;
}

class ReadWholeFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        directory_ = std::filesystem::temp_directory_path() /
                     ("read_whole_file_test_" + std::to_string(::getpid()));
        std::filesystem::create_directories(directory_);
    }
    void TearDown() override { std::filesystem::remove_all(directory_); }

    std::string Write(const std::string& name, const std::string& bytes) {
        std::ofstream(directory_ / name, std::ios::binary) << bytes;
        return (directory_ / name).string();
    }

    std::filesystem::path directory_;
};

// Regular files at, below and above the cap, one of them larger than a
// chunk and one with zero bytes in it: read whole, byte for byte, or refused
// with the caller's text left as it was.
TEST_F(ReadWholeFileTest, RegularFilesAreReadWholeUpToTheCap) {
    struct Case {
        std::size_t size;
        std::size_t max_bytes;
        KvResult result;
    };
    const Case cases[] = {
        {1000, 1000, KV_OK},
        {999, 1000, KV_OK},
        {1001, 1000, KV_E_RESOURCE_NOT_LOADABLE},
        {200'000, 200'000, KV_OK},
        {200'000, 199'999, KV_E_RESOURCE_NOT_LOADABLE},
        {1, kMaxLoadBytes, KV_OK},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(testing::Message() << test.size << " " << test.max_bytes);
        const std::string bytes = PatternBytes(test.size);
        const std::string path = Write("regular.bin", bytes);
        std::string out = "kept";
        EXPECT_EQ(ReadWholeFile(path, out, test.max_bytes), test.result);
        EXPECT_EQ(out, test.result == KV_OK ? bytes : "kept");
    }
}

// The text of a regular file is held as long as the document parsed from it:
// it is read in one piece of the file's size, with no room left over.
TEST_F(ReadWholeFileTest, ARegularFileTakesNoMoreRoomThanItsSize) {
    const std::string bytes = PatternBytes(300'000);
    std::string out;
    ASSERT_EQ(ReadWholeFile(Write("sized.bin", bytes), out), KV_OK);
    EXPECT_EQ(out, bytes);
    EXPECT_EQ(out.capacity(), out.size());
}

TEST_F(ReadWholeFileTest, EmptyMissingAndUnreadableFilesAreRefused) {
    std::string out = "kept";
    EXPECT_EQ(ReadWholeFile(Write("empty.bin", ""), out), KV_E_RESOURCE_NOT_LOADABLE);
    EXPECT_EQ(ReadWholeFile((directory_ / "missing.bin").string(), out), KV_E_RESOURCE_NOT_FOUND);
    EXPECT_EQ(ReadWholeFile(directory_.string(), out), KV_E_RESOURCE_NOT_LOADABLE);
    EXPECT_EQ(out, "kept");
}

// Files that give no size are read to their end all the same.
TEST_F(ReadWholeFileTest, PipesAndProcFilesAreReadToTheirEnd) {
    const std::string fifo = (directory_ / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string bytes = PatternBytes(150'000);
    std::thread writer([&fifo, &bytes] { std::ofstream(fifo, std::ios::binary) << bytes; });
    std::string out;
    EXPECT_EQ(ReadWholeFile(fifo, out), KV_OK);
    writer.join();
    EXPECT_EQ(out, bytes);

    std::string status;
    ASSERT_EQ(ReadWholeFile("/proc/self/status", status), KV_OK);
    EXPECT_EQ(status.rfind("Name:", 0), 0u);
    EXPECT_NE(status.find("\nPid:"), std::string::npos);
    std::string kept = "kept";
    EXPECT_EQ(ReadWholeFile("/proc/self/status", kept, 16), KV_E_RESOURCE_NOT_LOADABLE);
    EXPECT_EQ(kept, "kept");
}

} // namespace
