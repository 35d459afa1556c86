#include "language/TextReader.h"

#include <algorithm>

#include "language/FileSearch.h"
#include "language/PackedText.h"

namespace chordlane {

namespace {

// A header line holds what one line read of the parser's buffer holds.
constexpr int HEADER_LIMIT = 511;
constexpr int BYTE_ORDER_MARK = 0xFEFF;
constexpr int REPLACEMENT = 0xFFFD;

}  // namespace

TextReader::TextReader() { Clear(); }

TextReader::TextReader(LoadState& load, const String& name, const String& includingFile) {
    Clear();
    file_ = OpenSearched(load, name, FileMode::Read, includingFile, &openedPath_);
    if (file_) ReadHeaderLine();
}

TextReader::TextReader(std::unique_ptr<File> file) {
    Clear();
    file_ = std::move(file);
}

TextReader::~TextReader() = default;

void TextReader::Clear() {
    codeCounter_ = 0;
    file_.reset();
    packed_ = false;
    pushedBack_ = -1;
}

bool TextReader::IsOpen() const { return file_ != nullptr; }

void TextReader::ReadHeaderLine() {
    int count = 0;
    int first = -1;
    int second = -1;
    int c = DecodePlain();
    if (c == BYTE_ORDER_MARK) c = DecodePlain();
    while (c >= 0) {
        if (count == 0) first = c;
        if (count == 1) second = c;
        if (++count == HEADER_LIMIT || c == u'\n') break;
        c = DecodePlain();
    }
    if (first != u'C' || second != u'L') return;

    // Packed: the codes start after the first line feed byte of the file. Bytes read ahead
    // as text are dropped and the file is read again from its start.
    packed_ = true;
    bufferPos_ = bufferEnd_ = 0;
    pendingUnit_ = -1;
    if (!file_->Seek(0)) {
        fileEnded_ = true;
        return;
    }
    fileEnded_ = false;
    for (int b = NextFileByte(); b >= 0 && b != '\n'; b = NextFileByte()) {
    }
}

bool TextReader::FillBuffer() {
    if (fileEnded_ || !file_) return false;
    bufferPos_ = 0;
    bufferEnd_ = file_->Read(buffer_.data(), buffer_.size());
    if (bufferEnd_ == 0) fileEnded_ = true;
    return bufferEnd_ > 0;
}

int TextReader::NextFileByte() {
    if (bufferPos_ == bufferEnd_ && !FillBuffer()) return -1;
    return buffer_[bufferPos_++];
}

int TextReader::PeekFileByte() {
    if (bufferPos_ == bufferEnd_ && !FillBuffer()) return -1;
    return buffer_[bufferPos_];
}

int TextReader::ReadByte() { return NextFileByte(); }

int TextReader::ReadNibble() {
    const int64_t c = codeCounter_++;
    if (c % 2 == 0) currentByte_ = ReadByte();
    if (currentByte_ < 0) return -1;
    const int code = currentByte_ & 0xF;
    currentByte_ >>= 4;
    return code;
}

int TextReader::DecodePacked() {
    const int code = ReadNibble();
    if (code < 0) return -1;
    if (code < PACKED_TABLE_SIZE) return PACKED_TABLE[code];
    const int digits = code == PACKED_CODE_BYTE ? 2 : 4;
    int c = 0;
    for (int i = 0; i < digits; ++i) {
        const int d = ReadNibble();
        if (d < 0) return -1;  // the source ended inside the character: it is dropped
        c |= d << (4 * i);
    }
    return c;
}

// Decodes exactly as FromUtf8 does, so a file reads the same whether it is taken whole or
// streamed: a sequence broken off by a byte that does not continue it is one U+FFFD, and
// that byte starts the next character.
int TextReader::DecodePlain() {
    if (pendingUnit_ >= 0) {
        const int unit = pendingUnit_;
        pendingUnit_ = -1;
        return unit;
    }
    const int b0 = NextFileByte();
    if (b0 < 0) return -1;
    uint32_t cp = REPLACEMENT;
    if (b0 < 0x80) {
        cp = static_cast<uint32_t>(b0);
    } else if (b0 >= 0xC2 && b0 <= 0xF4) {
        const int need = b0 < 0xE0 ? 2 : (b0 < 0xF0 ? 3 : 4);
        uint32_t value = static_cast<uint32_t>(b0) & (need == 2 ? 0x1F : (need == 3 ? 0x0F : 0x07));
        int k = 1;
        for (; k < need; ++k) {
            const int b = PeekFileByte();
            if (b < 0 || (b & 0xC0) != 0x80) break;
            NextFileByte();
            value = (value << 6) | (static_cast<uint32_t>(b) & 0x3F);
        }
        if (k == need) {
            const bool overlong = (need == 3 && value < 0x800) || (need == 4 && value < 0x10000);
            const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
            if (!overlong && !surrogate && value <= 0x10FFFF) cp = value;
        }
    }
    if (cp >= 0x10000) {
        cp -= 0x10000;
        pendingUnit_ = static_cast<int>(0xDC00 + (cp & 0x3FF));
        return static_cast<int>(0xD800 + (cp >> 10));
    }
    return static_cast<int>(cp);
}

int TextReader::NextChar() {
    if (pushedBack_ >= 0) {
        const int c = pushedBack_;
        pushedBack_ = -1;
        return c;
    }
    return packed_ ? DecodePacked() : DecodePlain();
}

int TextReader::ReadLineLength(char16_t* buffer, int size) {
    if (!buffer || size < 2) {
        if (buffer && size == 1) buffer[0] = 0;
        return -1;
    }
    int count = 0;
    while (count < size - 1) {
        const int c = NextChar();
        if (c < 0) break;
        buffer[count++] = static_cast<char16_t>(c);
        if (c == u'\n') break;
    }
    // Terminators up to the end of the buffer: a scanner position past the end of a short
    // line must not find the rest of a longer line read before it.
    std::fill(buffer + count, buffer + size, u'\0');
    return count == 0 ? -1 : count;
}

char16_t* TextReader::ReadLine(char16_t* buffer, int size) {
    return ReadLineLength(buffer, size) < 0 ? nullptr : buffer;
}

char16_t TextReader::ReadChar() {
    const int c = NextChar();
    return c < 0 ? END_OF_TEXT : static_cast<char16_t>(c);
}

void TextReader::UnreadChar(char16_t c) {
    if (c != END_OF_TEXT) pushedBack_ = c;
}

}  // namespace chordlane
