#include "platform/std/StdFileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/Text.h"

namespace chordlane {

namespace {

class StdFile : public File {
  public:
    StdFile(std::FILE* f, std::string resolved) : f_(f), resolved_(std::move(resolved)) {}
    ~StdFile() override { std::fclose(f_); }
    size_t Read(void* buffer, size_t size) override { return std::fread(buffer, 1, size, f_); }
    size_t Write(const void* buffer, size_t size) override {
        return std::fwrite(buffer, 1, size, f_);
    }
    bool Seek(int64_t position) override {
        return std::fseek(f_, static_cast<long>(position), SEEK_SET) == 0;
    }
    int64_t Size() override {
        struct stat st {};
        if (fstat(fileno(f_), &st) != 0) return -1;
        return static_cast<int64_t>(st.st_size);
    }
    String ResolvedPath() const override { return FromUtf8(resolved_); }

  private:
    std::FILE* f_;
    std::string resolved_;
};

char16_t FoldCase(char16_t c) {
    if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 0x20);
    // Latin-1 capitals; 0xD7 is the multiplication sign, which has no small form.
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 0x20);
    return c;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

// The one entry of folder whose name equals name ignoring case; nothing when there is no
// such entry or more than one (then neither is more right than the other).
std::optional<std::string> FindIgnoringCase(const std::string& folder, const std::string& name) {
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return std::nullopt;
    const String wanted = FromUtf8(name);
    std::optional<std::string> found;
    int matches = 0;
    while (const dirent* entry = readdir(dir)) {
        const std::string entryName = entry->d_name;
        if (entryName == "." || entryName == "..") continue;
        if (SameNameIgnoringCase(FromUtf8(entryName), wanted)) {
            ++matches;
            found = entryName;
        }
    }
    closedir(dir);
    if (matches != 1) return std::nullopt;
    return found;
}

// The native path for a '/'-separated name: the name itself when it exists, else the path
// built level by level from the existing entries. With leafMayBeMissing (creating a file)
// a last level that matches nothing keeps its name as written.
std::optional<std::string> Resolve(const std::string& name, bool leafMayBeMissing) {
    if (Exists(name)) return name;
    std::vector<std::string> levels;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find('/', start);
        if (end == std::string::npos) end = name.size();
        if (end > start) levels.push_back(name.substr(start, end - start));
        start = end + 1;
    }
    std::string resolved = name.front() == '/' ? "/" : "";
    for (size_t i = 0; i < levels.size(); ++i) {
        const std::string& level = levels[i];
        const std::string exact = Join(resolved, level);
        if (level == "." || level == ".." || Exists(exact)) {
            resolved = exact;
            continue;
        }
        if (auto match = FindIgnoringCase(resolved, level)) {
            resolved = Join(resolved, *match);
        } else if (leafMayBeMissing && i + 1 == levels.size()) {
            resolved = exact;
        } else {
            return std::nullopt;
        }
    }
    return resolved;
}

std::string NativeName(const String& path) {
    std::string name = ToUtf8(path);
    for (char& c : name) {
        if (c == '\\') c = '/';
    }
    return name;
}

}  // namespace

bool SameNameIgnoringCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    }
    return true;
}

std::string ResolveExistingPath(const String& path) {
    const std::string name = NativeName(path);
    if (name.empty() || name.find('\0') != std::string::npos) return {};
    return Resolve(name, false).value_or(std::string());
}

std::unique_ptr<File> StdFileSystem::Open(const String& path, FileMode mode) {
    const std::string name = NativeName(path);
    if (name.empty() || name.find('\0') != std::string::npos) return nullptr;
    const std::optional<std::string> resolved = Resolve(name, mode == FileMode::Write);
    if (!resolved) return nullptr;
    // A folder opens as a stream on Linux; as an instrument or sample it is simply absent.
    struct stat st {};
    if (stat(resolved->c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return nullptr;
    std::FILE* f = std::fopen(resolved->c_str(), mode == FileMode::Read ? "rb" : "wb");
    if (!f) return nullptr;
    // Without "." and "..", links or a relative start, so that every name of one file gives
    // one path.
    std::string canonical = *resolved;
    if (char* real = realpath(resolved->c_str(), nullptr)) {
        canonical = real;
        std::free(real);
    }
    return std::make_unique<StdFile>(f, std::move(canonical));
}

std::string StdFileSystem::ReplaceWhole(const String& path, std::string_view bytes) {
    const std::string name = NativeName(path);
    if (name.empty() || name.find('\0') != std::string::npos) return "the name is empty";
    const std::optional<std::string> resolved = Resolve(name, true);
    if (!resolved) return std::strerror(ENOENT);
    struct stat st {};
    if (stat(resolved->c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return std::strerror(EISDIR);
    // In the same folder, so that the rename never crosses file systems; created with the
    // permissions any new file gets, and never over an existing one.
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temporary =
            *resolved + ".saving-" + std::to_string(getpid()) + "-" + std::to_string(attempt);
        fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return std::strerror(errno);
    }
    if (fd < 0) return std::strerror(EEXIST);
    size_t written = 0;
    int error = 0;
    while (written < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = n < 0 ? errno : ENOSPC;
            break;
        }
        written += static_cast<size_t>(n);
    }
    if (!error && fsync(fd) != 0) error = errno;
    if (close(fd) != 0 && !error) error = errno;
    if (!error && std::rename(temporary.c_str(), resolved->c_str()) != 0) error = errno;
    if (error) {
        std::remove(temporary.c_str());
        return std::strerror(error);
    }
    return {};
}

}  // namespace chordlane
