#include "platform/headless/MemoryFileSystem.h"

#include <gtest/gtest.h>

#include <string>

namespace chordlane {
namespace {

std::string ReadAll(File& file) {
    std::string text;
    char buffer[7];
    for (size_t n; (n = file.Read(buffer, sizeof buffer)) > 0;) text.append(buffer, n);
    return text;
}

TEST(MemoryFileSystem, FindsNamesAsTheDiskDoesAndNeverOpensFolders) {
    MemoryFileSystem files;
    files.Add(u"/home/Samples/E2.WAV", "wave");
    files.Add(u"/home/x/a.clx", "a");
    files.Add(u"/home/x/A.CLX", "b");

    // '\' separates folders, repeated separators count once, a missing name matches one
    // entry ignoring case at each level.
    auto wave = files.Open(u"\\home\\\\samples/e2.wav", FileMode::Read);
    ASSERT_NE(wave, nullptr);
    EXPECT_EQ(ReadAll(*wave), "wave");
    EXPECT_EQ(wave->Size(), 4);
    // Exact names win; a name that matches two entries ignoring case matches neither.
    EXPECT_EQ(ReadAll(*files.Open(u"/home/x/A.CLX", FileMode::Read)), "b");
    EXPECT_EQ(files.Open(u"/home/x/a.Clx", FileMode::Read), nullptr);
    EXPECT_EQ(files.Open(u"/home/Samples", FileMode::Read), nullptr);
    EXPECT_EQ(files.Open(u"/home/", FileMode::Read), nullptr);
    EXPECT_EQ(files.Open(u"/home/missing.clx", FileMode::Read), nullptr);
    EXPECT_EQ(files.Open(String(u"/home/x/a.clx\0b", 15), FileMode::Read), nullptr);
}

TEST(MemoryFileSystem, WritingCreatesOrEmptiesAFileInAnExistingFolder) {
    MemoryFileSystem files;
    files.AddFolder(u"/home");
    files.Add(u"/home/old.cly", "old content");
    {
        auto out = files.Open(u"/HOME/old.cly", FileMode::Write);
        ASSERT_NE(out, nullptr);
        EXPECT_EQ(out->Write("new", 3), 3u);
        ASSERT_TRUE(out->Seek(5));
        out->Write("!", 1);
    }
    EXPECT_EQ(files.Contents(u"/home/old.cly"), (MemoryFileSystem::Bytes{'n', 'e', 'w', 0, 0, '!'}));
    EXPECT_NE(files.Open(u"/home/new.cly", FileMode::Write), nullptr);
    EXPECT_TRUE(files.Contents(u"/home/new.cly").has_value());
    EXPECT_EQ(files.Open(u"/nowhere/new.cly", FileMode::Write), nullptr);
}

}  // namespace
}  // namespace chordlane
