#include "tools/lsp/OverlayFileSystem.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "platform/Text.h"
#include "platform/std/StdFileSystem.h"

namespace chordlane::tool {

namespace {

// The overlaid text, read like a file on disk.
class TextFile : public File {
  public:
    TextFile(std::string_view text, String path) : text_(text), path_(std::move(path)) {}
    size_t Read(void* buffer, size_t size) override {
        const size_t count = std::min(size, text_.size() - std::min(next_, text_.size()));
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
    std::string_view text_;  // the file system's, which outlives the files
    String path_;
    size_t next_ = 0;
};

}  // namespace

std::string NormalPath(const String& path) {
    std::string native = ToUtf8(path);
    std::replace(native.begin(), native.end(), '\\', '/');
    if (native.empty() || native.find('\0') != std::string::npos) return {};
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(native, ec);
    if (ec) return native;
    return absolute.lexically_normal().string();
}

OverlayFileSystem::OverlayFileSystem(FileSystem& base, const String& path, std::string_view text)
    : base_(base), path_(path), normal_(NormalPath(path)), text_(text) {}

bool OverlayFileSystem::IsOverlaid(const String& path) const {
    const std::string normal = NormalPath(path);
    if (normal.empty()) return false;
    if (normal == normal_) return true;
    // Another spelling of the same file: the case the disk has, or a link to it.
    const std::string resolved = ResolveExistingPath(path);
    if (resolved.empty()) return false;
    if (NormalPath(FromUtf8(resolved)) == normal_) return true;
    std::error_code ec;
    return std::filesystem::equivalent(resolved, normal_, ec) && !ec;
}

std::unique_ptr<File> OverlayFileSystem::Open(const String& path, FileMode mode) {
    if (mode != FileMode::Read) return nullptr;
    if (IsOverlaid(path)) return std::make_unique<TextFile>(text_, path_);
    return base_.Open(path, mode);
}

std::string OverlayFileSystem::ReplaceWhole(const String&, std::string_view) {
    return "the language server writes no files";
}

}  // namespace chordlane::tool
