#include "language/FileSearch.h"

#include <unistd.h>

#include <filesystem>

#include "language/TextReader.h"
#include "tests/support/ChordlaneTest.h"

namespace chordlane::test {
namespace {

class FileSearchTest : public ChordlaneTest {
protected:
    void SetUp() override {
        ChordlaneTest::SetUp();
        App().homeFolder = TempFolder() + u"home/";
        App().programFolder = TempFolder() + u"program/";
        including_ = TempFolder() + u"instruments/g.clx";
        // "The name unchanged" is relative to the working folder.
        previous_ = std::filesystem::current_path();
        std::filesystem::create_directories(temp_ / "work");
        std::filesystem::current_path(temp_ / "work");
    }
    void TearDown() override {
        std::filesystem::current_path(previous_);
        ChordlaneTest::TearDown();
    }

    // Where the search opens name: the folder below the temporary one, or "" when nowhere.
    String Found(const String& name, const String& including) {
        String opened;
        if (!OpenSearched(name, FileMode::Read, including, &opened)) return u"";
        return opened;
    }

    String including_;
    std::filesystem::path previous_;
};

TEST_F(FileSearchTest, TriesUnchangedThenBesideTheIncludingFileThenHomeThenProgram) {
    for (const char* folder : {"work/", "instruments/", "home/", "program/"}) {
        WriteFile(std::string(folder) + "a.txt", folder);
    }
    const String t = TempFolder();
    EXPECT_EQ(Found(u"a.txt", including_), u"a.txt");
    std::filesystem::remove(temp_ / "work/a.txt");
    EXPECT_EQ(Found(u"a.txt", including_), t + u"instruments/a.txt");
    std::filesystem::remove(temp_ / "instruments/a.txt");
    EXPECT_EQ(Found(u"a.txt", including_), t + u"home/a.txt");
    std::filesystem::remove(temp_ / "home/a.txt");
    EXPECT_EQ(Found(u"a.txt", including_), t + u"program/a.txt");
    std::filesystem::remove(temp_ / "program/a.txt");
    EXPECT_EQ(Found(u"a.txt", including_), u"");

    // The reader keeps the path at which the search found its file.
    WriteFile("home/b.clx", "h\nv x\n");
    EXPECT_EQ(TextReader(u"b.clx", including_).OpenedPath(), t + u"home/b.clx");
}

TEST_F(FileSearchTest, AbsoluteNamesAreTriedUnchangedOnly) {
    WriteFile("home/Folder/a.txt", "x");
    WriteFile("work/Folder/a.txt", "x");
    EXPECT_EQ(SearchPaths(u"\\Folder\\a.txt", including_), std::vector<String>{u"\\Folder\\a.txt"});
    EXPECT_EQ(Found(u"\\Folder\\a.txt", including_), u"");
    EXPECT_EQ(Found(u"/Folder/a.txt", including_), u"");
    EXPECT_EQ(Found(u"Folder\\a.txt", including_), u"Folder\\a.txt");
}

TEST_F(FileSearchTest, EitherSeparatorEndsTheIncludingFolder) {
    WriteFile("instruments/a.txt", "x");
    const String h = App().homeFolder;
    const String p = App().programFolder;
    EXPECT_EQ(SearchPaths(u"a.txt", u"\\Instruments\\g.clx"),
              (std::vector<String>{u"a.txt", u"\\Instruments\\a.txt", h + u"a.txt", p + u"a.txt"}));
    EXPECT_EQ(SearchPaths(u"a.txt", u"g.clx"),
              (std::vector<String>{u"a.txt", h + u"a.txt", p + u"a.txt"}));
    String backslashed = including_;
    std::replace(backslashed.begin(), backslashed.end(), u'/', u'\\');
    EXPECT_EQ(Found(u"a.txt", backslashed), FolderPart(backslashed) + u"a.txt");
}

TEST_F(FileSearchTest, JoinedPathsLongerThanTheBufferAreNotFoundNorCutShort) {
    const size_t room = MAX_SEARCH_PATH - App().homeFolder.size();
    const std::string fits(room - 4, 'n');
    WriteFile("home/" + fits + ".txt", "x");
    EXPECT_EQ(Found(FromUtf8(fits + ".txt"), u""), App().homeFolder + FromUtf8(fits + ".txt"));
    // One character more does not fit; the file named by the first 259 characters must not
    // be taken for it.
    const std::string longer = fits + ".txtx";
    EXPECT_EQ(Found(FromUtf8(longer), u""), u"");
}

TEST_F(FileSearchTest, FileNamesMatchIgnoringCaseWhenTheExactNameIsMissing) {
    WriteFile("home/samples/e2.wav", "x");
    EXPECT_EQ(Found(u"Samples\\E2.WAV", u""), App().homeFolder + u"Samples\\E2.WAV");
    // Two entries that differ only in case: neither is taken unless named exactly.
    WriteFile("home/amb/x.txt", "x");
    WriteFile("home/amb/X.txt", "x");
    EXPECT_EQ(Found(u"amb/X.TXT", u""), u"");
    EXPECT_EQ(Found(u"amb/X.txt", u""), App().homeFolder + u"amb/X.txt");
    // A folder is never opened as a file.
    std::filesystem::create_directories(temp_ / "home/dir.clx");
    EXPECT_EQ(Found(u"dir.clx", u""), u"");
}

class RecordingPictures : public PictureLoader {
public:
    std::shared_ptr<Bitmap> LoadFile(const String& path) override {
        tried.push_back(path);
        return path == loadable ? std::make_shared<Picture>() : nullptr;
    }
    std::shared_ptr<Bitmap> LoadStartupBitmap() override { return nullptr; }

    struct Picture : Bitmap {
        int32_t Width() const override { return 1; }
        int32_t Height() const override { return 1; }
    };
    std::vector<String> tried;
    String loadable;
};

TEST_F(FileSearchTest, PicturesAreSearchedInTheSameOrder) {
    RecordingPictures pictures;
    CurrentPlatform().pictures = &pictures;
    pictures.loadable = App().programFolder + u"p.bmp";
    EXPECT_NE(LoadPictureSearched(u"p.bmp", u"\\I\\g.clx"), nullptr);
    EXPECT_EQ(pictures.tried, (std::vector<String>{u"p.bmp", u"\\I\\p.bmp", App().homeFolder + u"p.bmp",
                                                   App().programFolder + u"p.bmp"}));
    pictures.tried.clear();
    EXPECT_EQ(LoadPictureSearched(u"/abs.bmp", u""), nullptr);
    EXPECT_EQ(pictures.tried, std::vector<String>{u"/abs.bmp"});
    platform_.Install();
}

}  // namespace
}  // namespace chordlane::test
