#include "platform/StdFileSystem.h"

#include <cstdio>
#include <sys/stat.h>

#include "platform/Text.h"

namespace chordlane {

namespace {

class StdFile : public File {
public:
    explicit StdFile(std::FILE* f) : f_(f) {}
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

private:
    std::FILE* f_;
};

}  // namespace

std::unique_ptr<File> StdFileSystem::Open(const String& path, FileMode mode) {
    std::string name = ToUtf8(path);
    for (char& c : name) {
        if (c == '\\') c = '/';
    }
    if (name.empty() || name.find('\0') != std::string::npos) return nullptr;
    struct stat st {};
    if (stat(name.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return nullptr;
    std::FILE* f = std::fopen(name.c_str(), mode == FileMode::Read ? "rb" : "wb");
    if (!f) return nullptr;
    return std::make_unique<StdFile>(f);
}

}  // namespace chordlane
