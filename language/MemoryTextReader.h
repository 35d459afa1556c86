#pragma once
#include <cstdint>
#include <span>

#include "language/TextReader.h"

namespace chordlane {

// Reads packed text held in memory (the built-in instrument). There is no header line: the
// first line is read like any other. The bytes are not owned and must outlive the reader.
class MemoryTextReader : public TextReader {
  public:
    explicit MemoryTextReader(std::span<const uint8_t> data);

    //! Always open: memory cannot be missing.
    bool IsOpen() const override;

  protected:
    //! The next byte of the block, -1 past its end.
    int ReadByte() override;

  private:
    std::span<const uint8_t> data_;
    size_t next_ = 0;
};

}  // namespace chordlane
