#include "tools/lsp/OverlayFileSystem.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "platform/Text.h"
#include "platform/TextInMemory.h"
#include "platform/std/StdFileSystem.h"

namespace chordlane::tool {

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
    if (IsOverlaid(path)) return std::make_unique<TextInMemory>(text_, path_);
    return base_.Open(path, mode);
}

std::string OverlayFileSystem::ReplaceWhole(const String&, std::string_view) {
    return "the language server writes no files";
}

}  // namespace chordlane::tool
