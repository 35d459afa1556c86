#include "tools/soundgen/ImageFiles.h"

#include <algorithm>
#include <array>

#include "platform/LittleEndian.h"

namespace chordlane::soundgen {
namespace {

void PutBe32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

uint32_t Crc32(const uint8_t* data, size_t size) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

uint32_t Adler32(const std::vector<uint8_t>& data) {
    uint32_t a = 1, b = 0;
    for (uint8_t byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

void PutChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& body) {
    PutBe32(out, static_cast<uint32_t>(body.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), body.begin(), body.end());
    PutBe32(out, Crc32(out.data() + start, out.size() - start));
}

}  // namespace

std::vector<uint8_t> EncodeBmp(const Canvas& canvas) {
    const uint32_t width = static_cast<uint32_t>(canvas.Width());
    const uint32_t height = static_cast<uint32_t>(canvas.Height());
    const uint32_t rowSize = (width * 3 + 3) / 4 * 4;
    const uint32_t imageSize = rowSize * height;
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    AppendLe32(out, 54 + imageSize);
    AppendLe32(out, 0);
    AppendLe32(out, 54);
    AppendLe32(out, 40);
    AppendLe32(out, width);
    AppendLe32(out, height);  // positive: rows bottom up
    AppendLe16(out, 1);
    AppendLe16(out, 24);
    AppendLe32(out, 0);  // uncompressed
    AppendLe32(out, imageSize);
    AppendLe32(out, 2835);  // 72 dots per inch
    AppendLe32(out, 2835);
    AppendLe32(out, 0);
    AppendLe32(out, 0);
    for (int y = canvas.Height() - 1; y >= 0; --y) {
        for (int x = 0; x < canvas.Width(); ++x) {
            uint8_t p[4];
            canvas.PixelBytes(x, y, p);
            out.push_back(p[2]);
            out.push_back(p[1]);
            out.push_back(p[0]);
        }
        for (uint32_t pad = width * 3; pad < rowSize; ++pad) out.push_back(0);
    }
    return out;
}

std::vector<uint8_t> EncodePng(const Canvas& canvas) {
    std::vector<uint8_t> raw;
    for (int y = 0; y < canvas.Height(); ++y) {
        raw.push_back(0);  // filter: none
        for (int x = 0; x < canvas.Width(); ++x) {
            uint8_t p[4];
            canvas.PixelBytes(x, y, p);
            raw.insert(raw.end(), p, p + 4);
        }
    }
    std::vector<uint8_t> zlib = {0x78, 0x01};
    size_t position = 0;
    do {
        const size_t size = std::min<size_t>(65535, raw.size() - position);
        const bool last = position + size == raw.size();
        zlib.push_back(last ? 1 : 0);
        AppendLe16(zlib, static_cast<uint32_t>(size));
        AppendLe16(zlib, static_cast<uint32_t>(~size & 0xFFFF));
        zlib.insert(zlib.end(), raw.begin() + position, raw.begin() + position + size);
        position += size;
    } while (position < raw.size());
    PutBe32(zlib, Adler32(raw));

    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    PutBe32(header, static_cast<uint32_t>(canvas.Width()));
    PutBe32(header, static_cast<uint32_t>(canvas.Height()));
    header.insert(header.end(),
                  {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filter set, no interlace
    PutChunk(out, "IHDR", header);
    PutChunk(out, "IDAT", zlib);
    PutChunk(out, "IEND", {});
    return out;
}

}  // namespace chordlane::soundgen
