#include "language/MemoryTextReader.h"

namespace chordlane {

MemoryTextReader::MemoryTextReader(std::span<const uint8_t> data) : data_(data) { packed_ = true; }

bool MemoryTextReader::IsOpen() const { return true; }

int MemoryTextReader::ReadByte() {
    if (next_ >= data_.size()) return -1;
    return data_[next_++];
}

}  // namespace chordlane
