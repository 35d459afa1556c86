#include <QImage>

#include "platform/qt/QtBitmap.h"
#include "platform/qt/QtPictureLoader.h"
#include "tests/support/ChordlaneTest.h"
#include "tests/support/PictureBytes.h"

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
    std::shared_ptr<Bitmap> Load(const std::string& name, const std::string& bytes) {
        return loader_.LoadFile(FromUtf8(WriteFile(name, bytes).string()));
    }
    static QRgb Pixel(const Bitmap& b, int x, int y) {
        return static_cast<const QtBitmap&>(b).Image().pixel(x, y) & 0xFFFFFF;
    }
    QtPictureLoader loader_{*platform_.files};
};

TEST_F(QtPictureLoaderTest, ReadsBmpAndPngThroughTheFileSystemsPaths) {
    Saved("sub/pic.bmp", "BMP");
    auto bitmap = loader_.LoadFile(TempFolder() + u"sub\\pic.bmp");
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->Width(), 7);
    EXPECT_EQ(Pixel(*bitmap, 6, 4), 0xC86432u);
    EXPECT_EQ(loader_.LoadFile(TempFolder()), nullptr);
    EXPECT_NE(QtPictureLoader(*platform_.files, Saved("s.png", "PNG")).LoadStartupBitmap(),
              nullptr);
}

TEST_F(QtPictureLoaderTest, RefusesFromTheHeaderPicturesTooLargeOrEmpty) {
    EXPECT_NE(Load("edge.bmp", BmpBytes(8192, 1, 24, 3 * 8192)), nullptr);
    EXPECT_EQ(Load("wide.bmp", BmpBytes(8193, 1, 24, 3 * 8196)), nullptr);
    // Within the side bound, but gigabytes of pixels for a tiny file.
    EXPECT_EQ(Load("huge.bmp", BmpBytes(16000, 16000, 32, 64)), nullptr);
    EXPECT_EQ(Load("min.bmp", BmpBytes(10, INT32_MIN, 24, 64)), nullptr);
}

TEST_F(QtPictureLoaderTest, RunLengthDataThatEndsAtOnceGetsNoFullSizeBitmap) {
    // 64 bytes whose header claims 16384 x 16384 at 8 bits, run-length coded, with a
    // two-colour table and no pixel data: once given 256 MiB of nothing.
    std::string bmp = "BM";
    for (uint32_t v : {64u, 0u, 62u, 40u, 16384u, 16384u}) PutLe(bmp, v, 4);
    PutLe(bmp, 1, 2);
    PutLe(bmp, 8, 2);
    for (uint32_t v : {1u, 2u, 2835u, 2835u, 2u, 0u}) PutLe(bmp, v, 4);  // BI_RLE8
    for (uint32_t v : {0u, 0xFFFFFFu}) PutLe(bmp, v, 4);
    bmp.resize(64, '\0');
    EXPECT_EQ(Load("big.bmp", bmp), nullptr);
    // The same header with a size its few bytes could hold loads what they hold.
    std::string small = bmp;
    small[18] = 64, small[19] = 0, small[22] = 64, small[23] = 0;
    auto bitmap = Load("small.bmp", small);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->Width(), 64);
}

TEST_F(QtPictureLoaderTest, PixelsMissingFromATruncatedFileAreWhiteNotStaleMemory) {
    // 8 x 8 at 24 bits with only the bottom row present (rows are stored bottom up).
    auto bitmap = Load("cut.bmp", BmpBytes(8, 8, 24, 24));
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(Pixel(*bitmap, 3, 7), 0u);
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 8; ++x) ASSERT_EQ(Pixel(*bitmap, x, y), 0xFFFFFFu) << x << y;
    }
}

}  // namespace
}  // namespace chordlane::test
