#pragma once
#include <array>
#include <cstdint>
#include <memory>

#include "platform/FileSystem.h"
#include "platform/Types.h"

namespace chordlane {

struct LoadState;

// What ReadChar answers at the end of the input.
inline constexpr char16_t END_OF_TEXT = 0xFFFF;

// Delivers the lines of an instrument file. A file on disk starts with a header line that
// is never delivered; when it begins with "CL" the rest of the file is packed text, else
// it is plain UTF-8 (a byte-order mark skipped, invalid bytes read as U+FFFD, characters
// beyond U+FFFF as surrogate pairs). Carriage returns are delivered like any character.
class TextReader {
  public:
    //! Opens name with the file search (beside includingFile, unless that is empty) and
    //! reads the header line. A file that is not found leaves the reader not open.
    TextReader(LoadState& load, const String& name, const String& includingFile);
    //! Reads plain text from an open file, from its first byte: there is no header line.
    explicit TextReader(std::unique_ptr<File> file);
    virtual ~TextReader();
    TextReader(const TextReader&) = delete;
    TextReader& operator=(const TextReader&) = delete;

    //! Whether a source was found; an open reader may still be at the end of its input.
    virtual bool IsOpen() const;

    // Reads up to size - 1 characters, stopping after a line feed (which stays in the
    // buffer), and fills the rest of the buffer with terminators. Answers buffer, or null when
    // nothing was read (at the end of the input, or when size leaves no room for a character).
    char16_t* ReadLine(char16_t* buffer, int size);
    // ReadLine answering the number of characters stored, -1 for nothing; lines holding
    // a zero character can be told from shorter ones by it.
    int ReadLineLength(char16_t* buffer, int size);
    // The next character, END_OF_TEXT at the end of the input.
    char16_t ReadChar();
    // The next ReadChar or ReadLine delivers c first; END_OF_TEXT pushes nothing back.
    // Only one character can wait: a second push-back replaces the first.
    void UnreadChar(char16_t c);
    // The next 4-bit code of packed text, low half of each byte first; -1 once the source
    // is exhausted.
    int ReadNibble();

    bool IsPacked() const { return packed_; }
    // The path at which the file search found the file (empty when not open).
    const String& OpenedPath() const { return openedPath_; }

  protected:
    // A reader with no source yet, for readers of other sources.
    TextReader();
    void Clear();
    //! The next byte of the source (0-255), or -1 at its end.
    virtual int ReadByte();

    bool packed_ = false;

  private:
    void ReadHeaderLine();
    int NextChar();
    int DecodePacked();
    int DecodePlain();
    int NextFileByte();
    int PeekFileByte();
    bool FillBuffer();

    int64_t codeCounter_ = 0;
    int32_t currentByte_ = -1;
    int32_t pushedBack_ = -1;
    std::unique_ptr<File> file_;
    String openedPath_;

    // Plain text: the bytes read ahead from the file and a low surrogate still to deliver.
    std::array<uint8_t, 4096> buffer_{};
    size_t bufferPos_ = 0;
    size_t bufferEnd_ = 0;
    bool fileEnded_ = false;
    int32_t pendingUnit_ = -1;
};

}  // namespace chordlane
