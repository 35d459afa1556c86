#include <filesystem>

#include "language/FileSearch.h"
#include "language/TextReader.h"
#include "tests/support/ChordlaneTest.h"
#include "tests/support/PictureBytes.h"

namespace chordlane::test {
namespace {

class FileSearchTest : public ChordlaneTest {
  protected:
    void SetUp() override {
        ChordlaneTest::SetUp();
        home_ = instrument_.load.homeFolder = TempFolder() + u"home/";
        program_ = instrument_.load.programFolder = TempFolder() + u"program/";
        // "The name unchanged" is relative to the working folder.
        previous_ = std::filesystem::current_path();
        std::filesystem::create_directories(temp_ / "work");
        std::filesystem::current_path(temp_ / "work");
    }
    void TearDown() override {
        std::filesystem::current_path(previous_);
        ChordlaneTest::TearDown();
    }

    // The path at which the search opens name, or "" when it opens nothing.
    String Found(const String& name, const String& including = u"") {
        String opened;
        return OpenSearched(instrument_.load, name, FileMode::Read, including, &opened) ? opened
                                                                                        : u"";
    }

    String home_;
    String program_;
    std::filesystem::path previous_;
};

TEST_F(FileSearchTest, TakesTheFirstPlaceInOrderThatHoldsTheFile) {
    // The order itself is SearchPaths', below.
    const String including = TempFolder() + u"instruments/g.clx";
    WriteFile("home/a.txt", "home");
    WriteFile("program/a.txt", "program");
    EXPECT_EQ(Found(u"a.txt", including), home_ + u"a.txt");
    WriteFile("work/a.txt", "work");
    EXPECT_EQ(Found(u"a.txt", including), u"a.txt");

    // The reader keeps the path at which the search found its file; pictures are searched
    // the same way.
    WriteFile("home/b.clx", "h\nv x\n");
    EXPECT_EQ(TextReader(instrument_.load, u"b.clx", including).OpenedPath(), home_ + u"b.clx");
    WriteFile("instruments/p.bmp", BmpBytes(2, 2, 24, 0));
    EXPECT_NE(LoadPictureSearched(instrument_, u"p.bmp", including), nullptr);
    EXPECT_EQ(LoadPictureSearched(instrument_, u"p.bmp", u""), nullptr);
}

TEST_F(FileSearchTest, BothSeparatorsCountAndAbsoluteNamesAreTriedUnchangedOnly) {
    EXPECT_EQ(SearchPaths(instrument_.load, u"a.txt", u"\\Instruments\\g.clx"),
              (std::vector<String>{u"a.txt", u"\\Instruments\\a.txt", home_ + u"a.txt",
                                   program_ + u"a.txt"}));
    EXPECT_EQ(SearchPaths(instrument_.load, u"a.txt", u"g.clx"),
              (std::vector<String>{u"a.txt", home_ + u"a.txt", program_ + u"a.txt"}));
    WriteFile("home/Folder/a.txt", "x");
    EXPECT_EQ(Found(u"\\Folder\\a.txt"), u"");
    EXPECT_EQ(Found(u"/Folder/a.txt"), u"");
    EXPECT_EQ(Found(u"Folder\\a.txt"), home_ + u"Folder\\a.txt");
}

TEST_F(FileSearchTest, JoinedPathsLongerThanTheBufferAreNotFoundNorCutShort) {
    const std::string fits(MAX_SEARCH_PATH - home_.size() - 4, 'n');
    WriteFile("home/" + fits + ".txt", "x");
    EXPECT_EQ(Found(FromUtf8(fits + ".txt")), home_ + FromUtf8(fits + ".txt"));
    // One character more does not fit; the file named by its first 259 characters must not
    // be taken for it.
    EXPECT_EQ(Found(FromUtf8(fits + ".txtx")), u"");
}

TEST_F(FileSearchTest, NamesMatchIgnoringCaseWhenTheExactNameIsMissing) {
    WriteFile("home/samples/e2.wav", "x");
    EXPECT_EQ(Found(u"Samples\\E2.WAV"), home_ + u"Samples\\E2.WAV");
    // Two entries that differ only in case: neither is taken unless named exactly.
    WriteFile("home/amb/x.txt", "x");
    WriteFile("home/amb/X.txt", "x");
    EXPECT_EQ(Found(u"amb/X.TXT"), u"");
    EXPECT_EQ(Found(u"amb/X.txt"), home_ + u"amb/X.txt");
    std::filesystem::create_directories(temp_ / "home/dir.clx");
    EXPECT_EQ(Found(u"dir.clx"), u"");  // a folder is never opened as a file
}

}  // namespace
}  // namespace chordlane::test
