#include "platform/headless/MemoryFileSystem.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "platform/std/StdFileSystem.h"

namespace chordlane {

namespace {

class MemoryFile : public File {
  public:
    MemoryFile(std::shared_ptr<MemoryFileSystem::Bytes> bytes, String key)
        : bytes_(std::move(bytes)), key_(std::move(key)) {}
    String ResolvedPath() const override { return key_; }

    size_t Read(void* buffer, size_t size) override {
        if (position_ >= bytes_->size()) return 0;
        const size_t n = std::min(size, bytes_->size() - position_);
        std::memcpy(buffer, bytes_->data() + position_, n);
        position_ += n;
        return n;
    }
    size_t Write(const void* buffer, size_t size) override {
        const auto* p = static_cast<const uint8_t*>(buffer);
        if (position_ > bytes_->size()) bytes_->resize(position_);
        const size_t overlap = std::min(size, bytes_->size() - position_);
        // An empty file has no data pointer to copy to.
        if (overlap > 0) std::memcpy(bytes_->data() + position_, p, overlap);
        bytes_->insert(bytes_->end(), p + overlap, p + size);
        position_ += size;
        return size;
    }
    bool Seek(int64_t position) override {
        if (position < 0) return false;
        position_ = static_cast<size_t>(position);
        return true;
    }
    int64_t Size() override { return static_cast<int64_t>(bytes_->size()); }

  private:
    std::shared_ptr<MemoryFileSystem::Bytes> bytes_;
    String key_;
    size_t position_ = 0;
};

bool IsSeparator(char16_t c) { return c == u'/' || c == u'\\'; }

std::vector<String> Levels(const String& key) {
    std::vector<String> levels;
    size_t start = 0;
    while (start <= key.size()) {
        size_t end = key.find(u'/', start);
        if (end == String::npos) end = key.size();
        if (end > start) levels.push_back(key.substr(start, end - start));
        start = end + 1;
    }
    return levels;
}

}  // namespace

String MemoryFileSystem::Normalise(std::u16string_view path) {
    String key;
    key.reserve(path.size());
    for (char16_t c : path) {
        if (IsSeparator(c)) {
            if (!key.empty() && key.back() == u'/') continue;
            c = u'/';
        }
        key.push_back(c);
    }
    return key;
}

void MemoryFileSystem::Add(std::u16string_view path, Bytes bytes) {
    files_[Normalise(path)] = std::make_shared<Bytes>(std::move(bytes));
}

void MemoryFileSystem::Add(std::u16string_view path, std::string_view bytes) {
    Add(path, Bytes(bytes.begin(), bytes.end()));
}

void MemoryFileSystem::AddFolder(std::u16string_view path) {
    String key = Normalise(path);
    if (key.empty() || key.back() != u'/') key.push_back(u'/');
    folders_[key] = true;
}

void MemoryFileSystem::Clear() {
    files_.clear();
    folders_.clear();
}

bool MemoryFileSystem::IsFolder(const String& key) const {
    if (key.empty()) return true;  // the current folder
    String prefix = key;
    if (prefix.back() != u'/') prefix.push_back(u'/');
    if (prefix == u"/" || folders_.count(prefix)) return true;
    auto below = [&](const auto& map) {
        auto it = map.lower_bound(prefix);
        return it != map.end() && it->first.compare(0, prefix.size(), prefix) == 0;
    };
    return below(files_) || below(folders_);
}

std::optional<String> MemoryFileSystem::Resolve(const String& key, bool leafMayBeMissing) const {
    if (Exists(key)) return key;
    const std::vector<String> levels = Levels(key);
    String resolved = !key.empty() && key.front() == u'/' ? u"/" : u"";
    for (size_t i = 0; i < levels.size(); ++i) {
        const String exact = resolved + levels[i];
        if (Exists(exact)) {
            resolved = exact + u"/";
            continue;
        }
        // The names one level below resolved, from the files and the folders.
        std::set<String> names;
        auto collect = [&](const String& path) {
            if (path.compare(0, resolved.size(), resolved) != 0) return;
            const size_t end = path.find(u'/', resolved.size());
            String name =
                path.substr(resolved.size(), end == String::npos ? end : end - resolved.size());
            if (!name.empty()) names.insert(std::move(name));
        };
        for (const auto& [path, bytes] : files_) collect(path);
        for (const auto& [path, flag] : folders_) collect(path);
        std::optional<String> match;
        int matches = 0;
        for (const String& name : names) {
            if (SameNameIgnoringCase(name, levels[i])) {
                ++matches;
                match = name;
            }
        }
        if (matches == 1) {
            resolved += *match + u"/";
        } else if (leafMayBeMissing && i + 1 == levels.size()) {
            resolved = exact + u"/";
        } else {
            return std::nullopt;
        }
    }
    if (!resolved.empty() && resolved != u"/") resolved.pop_back();
    return resolved;
}

std::optional<MemoryFileSystem::Bytes> MemoryFileSystem::Contents(std::u16string_view path) const {
    const std::optional<String> key = Resolve(Normalise(path), false);
    if (!key) return std::nullopt;
    auto it = files_.find(*key);
    if (it == files_.end()) return std::nullopt;
    return *it->second;
}

std::unique_ptr<File> MemoryFileSystem::Open(const String& path, FileMode mode) {
    const String key = Normalise(path);
    if (key.empty() || key.find(u'\0') != String::npos) return nullptr;
    const std::optional<String> resolved = Resolve(key, mode == FileMode::Write);
    if (!resolved || IsFolder(*resolved)) return nullptr;
    auto it = files_.find(*resolved);
    if (mode == FileMode::Write) {
        const size_t slash = resolved->find_last_of(u'/');
        if (slash != String::npos && !IsFolder(resolved->substr(0, slash))) return nullptr;
        auto bytes = std::make_shared<Bytes>();
        files_[*resolved] = bytes;
        return std::make_unique<MemoryFile>(bytes, *resolved);
    }
    if (it == files_.end()) return nullptr;
    return std::make_unique<MemoryFile>(it->second, *resolved);
}

std::string MemoryFileSystem::ReplaceWhole(const String& path, std::string_view bytes) {
    const String key = Normalise(path);
    if (key.empty() || key.find(u'\0') != String::npos) return "the name is empty";
    const std::optional<String> resolved = Resolve(key, true);
    if (!resolved) return "No such file or directory";
    if (IsFolder(*resolved)) return "Is a directory";
    const size_t slash = resolved->find_last_of(u'/');
    if (slash != String::npos && !IsFolder(resolved->substr(0, slash)))
        return "No such file or directory";
    files_[*resolved] = std::make_shared<Bytes>(bytes.begin(), bytes.end());
    return {};
}

}  // namespace chordlane
