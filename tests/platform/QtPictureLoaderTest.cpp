#include <QImage>

#include "platform/qt/QtBitmap.h"
#include "platform/qt/QtPictureLoader.h"
#include "tests/platform/PictureBytes.h"
#include "tests/support/ChordlaneTest.h"

namespace chordlane::test {
namespace {

class QtPictureLoaderTest : public ChordlaneTest {
  protected:
    String Saved(const std::string& name, const char* format) {
        QImage image(7, 5, QImage::Format_RGB32);
        image.fill(QColor(10, 20, 30));
        image.setPixel(6, 4, qRgb(200, 100, 50));
        const auto path = temp_ / name;
        std::filesystem::create_directories(path.parent_path());
        EXPECT_TRUE(image.save(QString::fromStdString(path.string()), format));
        return FromUtf8(path.string());
    }
    QtPictureLoader loader_;
};

TEST_F(QtPictureLoaderTest, ReadsBmpAndPngWithTheirPixels) {
    for (const char* format : {"BMP", "PNG"}) {
        auto bitmap = loader_.LoadFile(Saved(std::string("pic.") + format, format));
        ASSERT_NE(bitmap, nullptr) << format;
        EXPECT_EQ(bitmap->Width(), 7);
        EXPECT_EQ(bitmap->Height(), 5);
        const QImage& image = static_cast<QtBitmap&>(*bitmap).Image();
        EXPECT_EQ(image.pixel(6, 4) & 0xFFFFFF, 0xC86432u) << format;
        EXPECT_EQ(image.pixel(0, 0) & 0xFFFFFF, 0x0A141Eu) << format;
    }
}

TEST_F(QtPictureLoaderTest, OpensThroughTheFileSystemSoBackslashesSeparateFolders) {
    Saved("sub/pic.bmp", "BMP");
    auto bitmap = loader_.LoadFile(TempFolder() + u"sub\\pic.bmp");
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->Width(), 7);
}

TEST_F(QtPictureLoaderTest, RefusesMissingEmptyAndForeignFiles) {
    EXPECT_EQ(loader_.LoadFile(TempFolder() + u"none.bmp"), nullptr);
    EXPECT_EQ(loader_.LoadFile(u""), nullptr);
    EXPECT_EQ(loader_.LoadFile(FromUtf8(WriteFile("empty.bmp", "").string())), nullptr);
    EXPECT_EQ(loader_.LoadFile(FromUtf8(WriteFile("text.bmp", "not a picture").string())), nullptr);
    // A folder is not a picture.
    EXPECT_EQ(loader_.LoadFile(TempFolder()), nullptr);
}

TEST_F(QtPictureLoaderTest, RefusesHeadersThatClaimTooLargeOrEmptyPictures) {
    const auto load = [&](const std::string& name, const std::string& bytes) {
        return loader_.LoadFile(FromUtf8(WriteFile(name, bytes).string()));
    };
    // Sides beyond the bound, and sides within it whose pixels would still need gigabytes,
    // are refused from the header alone; the files are tiny.
    EXPECT_NE(load("edge.bmp", BmpBytes(16384, 1, 24, 3 * 16384)), nullptr);
    EXPECT_EQ(load("wide.bmp", BmpBytes(16385, 1, 24, 3 * 16388)), nullptr);
    EXPECT_EQ(load("huge.bmp", BmpBytes(16000, 16000, 32, 64)), nullptr);
    EXPECT_EQ(load("most-negative.bmp", BmpBytes(10, INT32_MIN, 24, 64)), nullptr);
    EXPECT_EQ(load("zero.bmp", BmpBytes(0, 0, 24, 0)), nullptr);
    EXPECT_EQ(load("huge.png", PngHeaderBytes(100000, 100000)), nullptr);
    EXPECT_EQ(load("zero.png", PngHeaderBytes(0, 0)), nullptr);
}

TEST_F(QtPictureLoaderTest, PixelsMissingFromATruncatedFileAreWhiteNotStaleMemory) {
    // A header for 8 x 8 at 24 bits with only the first row of pixel data present; rows
    // are stored bottom up, so the bottom row is black and the rest is missing.
    auto bitmap = loader_.LoadFile(FromUtf8(WriteFile("cut.bmp", BmpBytes(8, 8, 24, 24)).string()));
    ASSERT_NE(bitmap, nullptr);
    const QImage& image = static_cast<QtBitmap&>(*bitmap).Image();
    EXPECT_EQ(image.pixel(3, 7) & 0xFFFFFF, 0u);
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 8; ++x) ASSERT_EQ(image.pixel(x, y) & 0xFFFFFF, 0xFFFFFFu) << x << y;
    }
}

TEST_F(QtPictureLoaderTest, StartupBitmapComesFromTheGivenFileOrIsAbsent) {
    EXPECT_EQ(loader_.LoadStartupBitmap(), nullptr);
    QtPictureLoader withStartup(Saved("startup.png", "PNG"));
    auto bitmap = withStartup.LoadStartupBitmap();
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->Height(), 5);
}

}  // namespace
}  // namespace chordlane::test
