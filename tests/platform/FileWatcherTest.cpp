// Watching files: when a burst of changes has settled, and the Qt watcher over a real file
// system, where editors save by writing in place or by renaming a new file over the old one.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <filesystem>
#include <fstream>

#include "platform/Text.h"
#include "platform/qt/QtFileWatcher.h"
#include "platform/std/WatchedFiles.h"
#include "tests/support/ChordlaneTest.h"

namespace chordlane::test {
namespace {

TEST(WatchedFilesSettleTest, ABurstSettlesAfterTheQuietTimeOrTheLongestWait) {
    WatchedFiles files({.quietMs = 40, .longestMs = 200});
    EXPECT_FALSE(files.UntilSettled(0).has_value());
    EXPECT_FALSE(files.TakeSettled(1000));

    files.NoteChange(1000);
    EXPECT_EQ(files.UntilSettled(1000), 40u);
    files.NoteChange(1030);  // the burst goes on: quiet again from here
    EXPECT_FALSE(files.TakeSettled(1060));
    EXPECT_EQ(files.UntilSettled(1060), 10u);
    EXPECT_TRUE(files.TakeSettled(1070));
    EXPECT_FALSE(files.TakeSettled(1080));  // told once

    // Never quiet: told at the longest wait all the same.
    for (uint32_t t = 2000; t < 2190; t += 30) files.NoteChange(t);
    EXPECT_EQ(files.UntilSettled(2190), 10u);
    EXPECT_TRUE(files.TakeSettled(2200));
}

TEST(WatchedFilesSettleTest, TheClockMayWrapDuringABurst) {
    WatchedFiles files({.quietMs = 40, .longestMs = 200});
    files.NoteChange(0xFFFFFFF0u);
    EXPECT_FALSE(files.TakeSettled(0x10u));  // 32 ms later
    EXPECT_TRUE(files.TakeSettled(0x20u));
}

TEST(WatchedFilesSettleTest, EachFileIsWatchedOnceAndTheirNumberIsBounded) {
    WatchedFiles files;
    std::vector<String> paths{u"/i/a.clx", u"\\i\\a.clx", u"/i/s/b.wav"};
    for (size_t i = 0; i < MAX_WATCHED_FILES; ++i)
        paths.push_back(u"/j/" + FromUtf8(std::to_string(i)) + u".wav");
    files.Set(paths);
    ASSERT_EQ(files.Paths().size(), MAX_WATCHED_FILES);
    EXPECT_EQ(files.Paths()[0], "/i/a.clx");
    EXPECT_EQ(files.Paths()[1], "/i/s/b.wav");
    EXPECT_EQ(files.Folders(), (std::vector<std::string>{"/i", "/i/s", "/j"}));
}

class QtFileWatcherTest : public ChordlaneTest {
  protected:
    void SetUp() override {
        ChordlaneTest::SetUp();
        watcher_.SetChangeHandler([this] { ++changes_; });
    }
    void Write(const std::string& name, const std::string& text) {
        std::ofstream(temp_ / name, std::ios::binary) << text;
    }
    //! Runs the event loop until the change count reaches want or ms pass; answers the count.
    int WaitFor(int want, int ms = 2000) {
        QElapsedTimer timer;
        timer.start();
        while (changes_ < want && timer.elapsed() < ms) QCoreApplication::processEvents();
        return changes_;
    }
    //! Runs the event loop for ms, for what must not arrive.
    int Idle(int ms) { return WaitFor(1 << 30, ms); }

    QtFileWatcher watcher_{{.quietMs = 20, .longestMs = 100}};
    int changes_ = 0;
};

TEST_F(QtFileWatcherTest, AWriteInPlaceIsOneChangeAndOtherFilesInTheFolderAreNone) {
    Write("a.clx", "cl1.0\n");
    watcher_.Watch({TempFolder() + u"a.clx"});
    Write("other.txt", "an editor's swap file");
    EXPECT_EQ(Idle(150), 0);

    // An editor's save: truncate, then write in several pieces.
    {
        std::ofstream out(temp_ / "a.clx", std::ios::binary | std::ios::trunc);
        out << "cl1.0\n" << std::flush;
        out << "gr r 0 0 9 9\n";
    }
    EXPECT_EQ(WaitFor(1), 1);
    EXPECT_EQ(Idle(150), 1);
}

TEST_F(QtFileWatcherTest, AFileRenamedOverAWatchedOneIsAChangeAndStaysWatched) {
    Write("a.clx", "cl1.0\n");
    const QString path = QString::fromStdString((temp_ / "a.clx").string());
    watcher_.Watch({TempFolder() + u"a.clx"});
    ASSERT_TRUE(watcher_.WatchedNow().contains(path));

    Write("a.clx.new", "cl1.0\ngr r 0 0 9 9\n");
    std::filesystem::rename(temp_ / "a.clx.new", temp_ / "a.clx");
    EXPECT_EQ(WaitFor(1), 1);
    EXPECT_TRUE(watcher_.WatchedNow().contains(path));

    // The new file is the one watched now: a write in place to it is seen.
    Write("a.clx", "cl1.0\ngr s 0 0 9 9\n");
    EXPECT_EQ(WaitFor(2), 2);
}

TEST_F(QtFileWatcherTest, AFileDeletedAndMadeAgainIsSeen) {
    Write("a.wav", "RIFF");
    watcher_.Watch({TempFolder() + u"a.wav"});
    std::filesystem::remove(temp_ / "a.wav");
    EXPECT_EQ(WaitFor(1), 1);
    Write("a.wav", "RIFF again");
    EXPECT_EQ(WaitFor(2), 2);
}

}  // namespace
}  // namespace chordlane::test
