#pragma once
// Text held in memory, read like a file on disk: a document an editor has open and not saved,
// or a string handed to the parser. It only reads.

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>

#include "platform/FileSystem.h"

namespace chordlane {

class TextInMemory : public File {
  public:
    //! text must outlive the file; path is what ResolvedPath answers (empty: none).
    explicit TextInMemory(std::string_view text, String path = {})
        : text_(text), path_(std::move(path)) {}
    size_t Read(void* buffer, size_t size) override {
        const size_t count = std::min(size, text_.size() - next_);
        if (count > 0) std::memcpy(buffer, text_.data() + next_, count);
        next_ += count;
        return count;
    }
    size_t Write(const void*, size_t) override { return 0; }
    bool Seek(int64_t position) override {
        if (position < 0 || static_cast<uint64_t>(position) > text_.size()) return false;
        next_ = static_cast<size_t>(position);
        return true;
    }
    int64_t Size() override { return static_cast<int64_t>(text_.size()); }
    String ResolvedPath() const override { return path_; }

  private:
    std::string_view text_;
    String path_;
    size_t next_ = 0;  // never beyond the text: Seek refuses that, Read stops at its end
};

}  // namespace chordlane
