#include "tests/support/ChordlaneTest.h"
#include "tests/support/PictureBytes.h"

namespace chordlane::test {
namespace {

class HeadlessPictureLoaderTest : public ChordlaneTest {
  protected:
    Size Load(const std::string& name, const std::string& bytes) {
        auto b = platform_.pictures->LoadFile(FromUtf8(WriteFile(name, bytes).string()));
        return b ? Size{b->Width(), b->Height()} : Size{-1, -1};
    }
};

TEST_F(HeadlessPictureLoaderTest, TakesTheSizeFromTheHeaderWithTheRealLoadersBounds) {
    std::string core = "BM";  // the old 12-byte header with 16-bit sides
    for (uint32_t v : {26u, 0u, 26u, 12u}) PutLe(core, v, 4);
    for (uint32_t v : {300u, 200u, 1u, 24u}) PutLe(core, v, 2);
    EXPECT_EQ(Load("b.bmp", BmpBytes(4, -9, 8, 0)), (Size{4, 9}));  // top-down
    EXPECT_EQ(Load("c.bmp", core), (Size{300, 200}));
    EXPECT_EQ(Load("d.png", PngHeaderBytes(640, 480) + std::string(40, '\0')), (Size{640, 480}));
    // The largest side covers the largest screen; the file could describe so many pixels.
    EXPECT_EQ(Load("e.bmp", BmpBytes(8192, 8192, 24, 8192)), (Size{8192, 8192}));

    const Size refused{-1, -1};
    EXPECT_EQ(Load("f.bmp", BmpBytes(8193, 1, 24, 3 * 8196)), refused);
    // Data that ends long before the pixels claimed: nothing, not a bitmap of nothing.
    EXPECT_EQ(Load("e2.bmp", BmpBytes(8192, 8192, 24, 0)), refused);
    EXPECT_EQ(Load("d2.png", PngHeaderBytes(640, 480)), refused);
    EXPECT_EQ(Load("g.bmp", BmpBytes(-5, 5, 24, 0)), refused);
    EXPECT_EQ(Load("h.bmp", BmpBytes(5, INT32_MIN, 24, 0)), refused);
    EXPECT_EQ(Load("j.bmp", BmpBytes(5, 5, 7, 0)), refused);
    EXPECT_EQ(Load("k.png", PngHeaderBytes(0x80000000u, 1)), refused);
    EXPECT_EQ(Load("l.bmp", BmpBytes(5, 5, 24, 0).substr(0, 20)), refused);
}

}  // namespace
}  // namespace chordlane::test
