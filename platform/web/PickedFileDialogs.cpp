#include "platform/web/PickedFileDialogs.h"

#include <cwctype>

namespace chordlane::web {

namespace {

char16_t Lower(char16_t c) { return static_cast<char16_t>(std::towlower(c)); }

// '*' any run, '?' one character.
bool Glob(const char16_t* name, const char16_t* nameEnd, const char16_t* pattern,
          const char16_t* patternEnd) {
    const char16_t* starPattern = nullptr;
    const char16_t* starName = nullptr;
    while (name != nameEnd) {
        if (pattern != patternEnd && *pattern == u'*') {
            starPattern = ++pattern;
            starName = name;
        } else if (pattern != patternEnd && (*pattern == u'?' || Lower(*pattern) == Lower(*name))) {
            ++pattern;
            ++name;
        } else if (starPattern) {
            pattern = starPattern;
            name = ++starName;
        } else {
            return false;
        }
    }
    while (pattern != patternEnd && *pattern == u'*') ++pattern;
    return pattern == patternEnd;
}

String BaseName(const String& path) {
    const size_t slash = path.find_last_of(u'/');
    return slash == String::npos ? path : path.substr(slash + 1);
}

}  // namespace

void PickedFileDialogs::SetPicked(std::vector<String> paths) {
    picked_ = std::move(paths);
    used_.clear();
}

bool PickedFileDialogs::Matches(const String& name, const String& pattern) {
    size_t start = 0;
    while (start <= pattern.size()) {
        size_t end = pattern.find(u';', start);
        if (end == String::npos) end = pattern.size();
        String glob = pattern.substr(start, end - start);
        while (!glob.empty() && glob.front() == u' ') glob.erase(glob.begin());
        while (!glob.empty() && glob.back() == u' ') glob.pop_back();
        // "*.*" means every file, also one without a dot.
        if (glob == u"*.*") glob = u"*";
        if (!glob.empty() &&
            Glob(name.data(), name.data() + name.size(), glob.data(), glob.data() + glob.size()))
            return true;
        start = end + 1;
    }
    return false;
}

std::optional<String> PickedFileDialogs::ChooseFile(const FileDialogRequest& request) {
    // Saving has nowhere to go in a page: the person keeps the files they picked.
    if (!request.open) return std::nullopt;
    for (const String& path : picked_) {
        if (used_.count(path)) continue;
        bool matches = request.filters.empty();
        for (const auto& filter : request.filters)
            matches = matches || Matches(BaseName(path), filter.second);
        if (!matches) continue;
        used_.insert(path);
        return path;
    }
    return std::nullopt;
}

}  // namespace chordlane::web
