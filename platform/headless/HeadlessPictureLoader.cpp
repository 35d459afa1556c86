#include <array>
#include <cstdint>
#include <memory>

#include "platform/LittleEndian.h"
#include "platform/Platform.h"
#include "platform/headless/HeadlessPlatform.h"

namespace chordlane {

namespace {

// A picture known by its size only: headless runs lay out and record, they never show
// pixels.
class HeadlessBitmap : public Bitmap {
  public:
    HeadlessBitmap(int32_t width, int32_t height) : width_(width), height_(height) {}
    int32_t Width() const override { return width_; }
    int32_t Height() const override { return height_; }

  private:
    int32_t width_;
    int32_t height_;
};

uint32_t ReadBe32(const uint8_t* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}

// The same bounds as the real loader, so headless runs accept exactly the pictures the
// program shows.
std::shared_ptr<Bitmap> Make(int64_t width, int64_t height, int64_t fileBytes) {
    if (!PictureSizeAllowed(width, height, fileBytes)) return nullptr;
    return std::make_shared<HeadlessBitmap>(static_cast<int32_t>(width),
                                            static_cast<int32_t>(height));
}

bool BitCountOk(uint16_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// A device-independent bitmap: file header, then a core (12-byte) or info (40+ byte) header.
std::shared_ptr<Bitmap> FromBmp(const uint8_t* h, size_t n, int64_t fileBytes) {
    if (n < 26) return nullptr;
    const uint32_t infoSize = ReadLe32(h + 14);
    if (infoSize == 12) {
        if (ReadLe16(h + 22) != 1 || !BitCountOk(ReadLe16(h + 24))) return nullptr;
        return Make(ReadLe16(h + 18), ReadLe16(h + 20), fileBytes);
    }
    if (infoSize < 40 || n < 30) return nullptr;
    const auto width = static_cast<int32_t>(ReadLe32(h + 18));
    // A negative height marks a top-down bitmap; 64 bits keep -INT32_MIN from overflowing.
    const int64_t height = static_cast<int32_t>(ReadLe32(h + 22));
    if (ReadLe16(h + 26) != 1 || !BitCountOk(ReadLe16(h + 28))) return nullptr;
    return Make(width, height < 0 ? -height : height, fileBytes);
}

std::shared_ptr<Bitmap> FromPng(const uint8_t* h, size_t n, int64_t fileBytes) {
    static constexpr std::array<uint8_t, 8> SIGNATURE{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (n < 24) return nullptr;
    for (size_t i = 0; i < SIGNATURE.size(); ++i) {
        if (h[i] != SIGNATURE[i]) return nullptr;
    }
    if (h[12] != 'I' || h[13] != 'H' || h[14] != 'D' || h[15] != 'R') return nullptr;
    return Make(ReadBe32(h + 16), ReadBe32(h + 20), fileBytes);
}

// Reads the header of BMP and PNG files for the picture's size, with the bounds of the real
// loader; other files do not load.
class HeadlessPictureLoader : public PictureLoader {
  public:
    explicit HeadlessPictureLoader(FileSystem& files) : files_(files) {}

    std::shared_ptr<Bitmap> LoadFile(const String& path) override {
        if (path.empty()) return nullptr;
        std::unique_ptr<File> file = files_.Open(path, FileMode::Read);
        if (!file) return nullptr;
        std::array<uint8_t, 32> header{};
        const size_t n = file->Read(header.data(), header.size());
        const int64_t bytes = file->Size();
        if (n >= 2 && header[0] == 'B' && header[1] == 'M') return FromBmp(header.data(), n, bytes);
        return FromPng(header.data(), n, bytes);
    }
    std::shared_ptr<Bitmap> LoadStartupBitmap() override { return nullptr; }

  private:
    FileSystem& files_;
};

}  // namespace

std::unique_ptr<PictureLoader> MakeHeadlessPictureLoader(FileSystem& files) {
    return std::make_unique<HeadlessPictureLoader>(files);
}

}  // namespace chordlane
