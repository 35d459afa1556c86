#include "language/Packer.h"

#include <algorithm>

#include "language/PackedText.h"

namespace chordlane {

namespace {

// The longest line one read delivers; a longer header line leaves its rest as the first line.
constexpr size_t HEADER_LIMIT = 511;
constexpr char16_t BYTE_ORDER_MARK = 0xFEFF;

}  // namespace

void Packer::AddCode(int code) {
    if (pendingCode_ < 0) {
        pendingCode_ = code;
        return;
    }
    bytes_.push_back(static_cast<uint8_t>(pendingCode_ | (code << 4)));
    pendingCode_ = -1;
}

void Packer::Add(char16_t c) {
    const auto* entry = std::find(PACKED_TABLE.begin(), PACKED_TABLE.end(), c);
    if (entry != PACKED_TABLE.end()) {
        AddCode(static_cast<int>(entry - PACKED_TABLE.begin()));
        return;
    }
    if (c < 0x100) {
        AddCode(PACKED_CODE_BYTE);
        AddCode(c & 0xF);
        AddCode((c >> 4) & 0xF);
        return;
    }
    AddCode(PACKED_CODE_WIDE);
    for (int shift = 0; shift < 16; shift += 4) AddCode((c >> shift) & 0xF);
}

void Packer::Add(std::u16string_view text) {
    for (char16_t c : text) Add(c);
}

std::vector<uint8_t> Packer::TakeBytes() {
    std::vector<uint8_t> out;
    out.swap(bytes_);
    return out;
}

std::vector<uint8_t> Packer::Finish() {
    // A lone code 15 at the end starts a character that never completes, which the reader
    // drops; it cannot be mistaken for text.
    if (pendingCode_ >= 0) AddCode(PACKED_CODE_WIDE);
    return TakeBytes();
}

std::vector<uint8_t> PackText(std::u16string_view text) {
    Packer packer;
    packer.Add(text);
    return packer.Finish();
}

std::vector<uint8_t> PackFile(std::u16string_view text) {
    std::vector<uint8_t> out = {'C', 'L', '\n'};
    const std::vector<uint8_t> codes = PackText(text);
    out.insert(out.end(), codes.begin(), codes.end());
    return out;
}

PlainBody SplitPlainFile(std::u16string_view fileText) {
    if (!fileText.empty() && fileText.front() == BYTE_ORDER_MARK) fileText.remove_prefix(1);
    PlainBody body;
    body.packed = fileText.size() >= 2 && fileText[0] == u'C' && fileText[1] == u'L';
    size_t headerEnd = std::min(fileText.size(), HEADER_LIMIT);
    const size_t lineFeed = fileText.substr(0, headerEnd).find(u'\n');
    if (lineFeed != std::u16string_view::npos) headerEnd = lineFeed + 1;
    body.text = String(fileText.substr(headerEnd));
    return body;
}

}  // namespace chordlane
