#include "platform/Platform.h"
#include "tests/platform/PictureBytes.h"
#include "tests/support/ChordlaneTest.h"

namespace chordlane::test {
namespace {

class HeadlessPictureLoaderTest : public ChordlaneTest {
  protected:
    std::shared_ptr<Bitmap> Load(const std::string& name, const std::string& bytes) {
        return CurrentPlatform().pictures->LoadFile(FromUtf8(WriteFile(name, bytes).string()));
    }
};

TEST_F(HeadlessPictureLoaderTest, TakesTheSizeFromBmpAndPngHeaders) {
    auto bmp = Load("a.bmp", BmpBytes(31, 17, 24, 0));
    ASSERT_NE(bmp, nullptr);
    EXPECT_EQ(bmp->Width(), 31);
    EXPECT_EQ(bmp->Height(), 17);

    auto topDown = Load("b.bmp", BmpBytes(4, -9, 8, 0));
    ASSERT_NE(topDown, nullptr);
    EXPECT_EQ(topDown->Height(), 9);

    // The old 12-byte core header with 16-bit sides.
    std::string core = "BM";
    PutLe(core, 26, 4);
    PutLe(core, 0, 4);
    PutLe(core, 26, 4);
    PutLe(core, 12, 4);
    PutLe(core, 300, 2);
    PutLe(core, 200, 2);
    PutLe(core, 1, 2);
    PutLe(core, 24, 2);
    auto old = Load("c.bmp", core);
    ASSERT_NE(old, nullptr);
    EXPECT_EQ(old->Width(), 300);
    EXPECT_EQ(old->Height(), 200);

    auto png = Load("d.png", PngHeaderBytes(640, 480));
    ASSERT_NE(png, nullptr);
    EXPECT_EQ(png->Width(), 640);
    EXPECT_EQ(png->Height(), 480);
}

TEST_F(HeadlessPictureLoaderTest, RefusesWhatTheRealLoaderRefuses) {
    EXPECT_NE(Load("edge.bmp", BmpBytes(16384, 16384, 24, 0)), nullptr);
    EXPECT_EQ(Load("wide.bmp", BmpBytes(16385, 1, 24, 0)), nullptr);
    EXPECT_EQ(Load("neg.bmp", BmpBytes(-5, 5, 24, 0)), nullptr);
    EXPECT_EQ(Load("min.bmp", BmpBytes(5, INT32_MIN, 24, 0)), nullptr);
    EXPECT_EQ(Load("zero.bmp", BmpBytes(0, 7, 24, 0)), nullptr);
    EXPECT_EQ(Load("bits.bmp", BmpBytes(5, 5, 7, 0)), nullptr);
    EXPECT_EQ(Load("huge.png", PngHeaderBytes(0x80000000u, 1)), nullptr);
    EXPECT_EQ(Load("zero.png", PngHeaderBytes(0, 10)), nullptr);
    EXPECT_EQ(Load("short.bmp", BmpBytes(5, 5, 24, 0).substr(0, 20)), nullptr);
    EXPECT_EQ(Load("short.png", PngHeaderBytes(5, 5).substr(0, 18)), nullptr);
    EXPECT_EQ(Load("text.png", "hello"), nullptr);
    EXPECT_EQ(CurrentPlatform().pictures->LoadFile(TempFolder() + u"missing.png"), nullptr);
}

}  // namespace
}  // namespace chordlane::test
