#include "app/RecentInstruments.h"

#include <algorithm>
#include <limits>
#include <string>

#include "platform/Text.h"

namespace chordlane {

namespace {

String PathValue(size_t index) { return u"File" + FromUtf8(std::to_string(index + 1)); }
String AnswersValue(size_t index) { return u"Answers" + FromUtf8(std::to_string(index + 1)); }

bool IsSeparator(char16_t c) { return c == u'/' || c == u'\\'; }

// A folder as Open Recent writes it: the home folder as "~", an absolute folder's root as
// "", then the names of the folders below, outermost first.
std::vector<String> FolderNames(const String& path, const String& home) {
    size_t end = path.size();
    while (end > 0 && !IsSeparator(path[end - 1])) --end;  // the file's name goes
    std::vector<String> names;
    size_t start = 0;
    if (!home.empty() && end >= home.size() && path.compare(0, home.size(), home) == 0 &&
        IsSeparator(home.back())) {
        names.push_back(u"~");
        start = home.size();
    } else if (end > 0 && IsSeparator(path[0])) {
        names.push_back(String());
        start = 1;
    }
    for (size_t i = start; i < end; ++i) {
        if (IsSeparator(path[i])) continue;
        size_t next = i;
        while (next < end && !IsSeparator(path[next])) ++next;
        names.push_back(path.substr(i, next - i));
        i = next;
    }
    return names;
}

// The last count names of a folder, each followed by "/"; the root and "~" are shown whole
// when nothing else is left before them, as "~/mine/" says more than "mine/".
String FolderTail(const std::vector<String>& names, size_t count) {
    size_t first = names.size() > count ? names.size() - count : 0;
    if (first == 1 && (names[0] == u"~" || names[0].empty())) first = 0;
    String tail;
    for (size_t i = first; i < names.size(); ++i) tail += names[i] + u"/";
    return tail.empty() ? String(u"./") : tail;
}

String FileNamePart(const String& path) {
    size_t start = path.size();
    while (start > 0 && !IsSeparator(path[start - 1])) --start;
    return path.substr(start);
}

}  // namespace

std::vector<String> RecentLabels(const std::vector<RecentInstrument>& list, const String& home) {
    std::vector<String> labels;
    for (const RecentInstrument& entry : list)
        labels.push_back(entry.path == u"!" ? String(BUILTIN_LABEL) : FileNamePart(entry.path));
    // The list is short (MAX_RECENT_INSTRUMENTS): each name is compared with every other.
    std::vector<bool> done(list.size(), false);
    for (size_t i = 0; i < list.size(); ++i) {
        if (done[i] || list[i].path == u"!") continue;
        std::vector<size_t> same;
        for (size_t j = i; j < list.size(); ++j)
            if (!done[j] && list[j].path != u"!" && labels[j] == labels[i]) same.push_back(j);
        for (size_t j : same) done[j] = true;
        if (same.size() < 2) continue;
        std::vector<std::vector<String>> folders;
        size_t deepest = 0;
        for (size_t j : same) {
            folders.push_back(FolderNames(list[j].path, home));
            deepest = std::max(deepest, folders.back().size());
        }
        // The fewest trailing folder names that tell every one of them apart.
        std::vector<String> tails;
        for (size_t count = 1; count <= std::max<size_t>(deepest, 1); ++count) {
            tails.clear();
            for (const auto& names : folders) tails.push_back(FolderTail(names, count));
            std::vector<String> sorted = tails;
            std::sort(sorted.begin(), sorted.end());
            if (std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end()) break;
        }
        for (size_t k = 0; k < same.size(); ++k) labels[same[k]] += u" \u2014 " + tails[k];
    }
    return labels;
}

std::vector<RecentInstrument> ReadRecentInstruments(SettingsStore* store) {
    std::vector<RecentInstrument> list;
    std::unique_ptr<SettingsKey> key =
        store ? store->CreateKey(SettingsRoot::CurrentUser, RECENT_KEY) : nullptr;
    if (!key) return list;
    // Paths and answers are read whole: one cut short would open some other file.
    constexpr size_t ANY_LENGTH = std::numeric_limits<size_t>::max();
    for (size_t i = 0; i < MAX_RECENT_INSTRUMENTS; ++i) {
        const std::optional<String> path = key->ReadString(PathValue(i), ANY_LENGTH);
        if (!path || path->empty()) continue;
        const std::optional<String> answers = key->ReadString(AnswersValue(i), ANY_LENGTH);
        list.push_back({*path, answers.value_or(String())});
    }
    return list;
}

void WriteRecentInstruments(SettingsStore* store, const std::vector<RecentInstrument>& list) {
    std::unique_ptr<SettingsKey> key =
        store ? store->CreateKey(SettingsRoot::CurrentUser, RECENT_KEY) : nullptr;
    if (!key) return;
    for (size_t i = 0; i < MAX_RECENT_INSTRUMENTS; ++i) {
        const bool used = i < list.size();
        key->WriteString(PathValue(i), used ? list[i].path : String());
        key->WriteString(AnswersValue(i), used ? list[i].answersLog : String());
    }
}

std::vector<RecentInstrument> WithRecent(std::vector<RecentInstrument> list,
                                         RecentInstrument entry) {
    std::erase_if(list, [&](const RecentInstrument& old) { return old.path == entry.path; });
    list.insert(list.begin(), std::move(entry));
    if (list.size() > MAX_RECENT_INSTRUMENTS) list.resize(MAX_RECENT_INSTRUMENTS);
    return list;
}

std::vector<String> AnswersOfLog(const String& answersLog) {
    std::vector<String> answers;
    size_t start = 0;
    while (start < answersLog.size()) {
        size_t end = answersLog.find(u'\n', start);
        if (end == String::npos) end = answersLog.size();
        std::u16string_view line(answersLog.data() + start, end - start);
        start = end + 1;
        // Lines are written as ? "PATH"; a quote inside the path stays part of it.
        if (!line.starts_with(u"? ")) continue;
        line.remove_prefix(2);
        if (line.size() >= 2 && line.front() == u'"' && line.back() == u'"')
            line = line.substr(1, line.size() - 2);
        if (!line.empty()) answers.emplace_back(line);
    }
    return answers;
}

std::optional<String> GivenAnswers::ChooseFile(const FileDialogRequest& request) {
    if (!answers_.empty()) {
        String answer = std::move(answers_.front());
        answers_.pop_front();
        return answer;
    }
    return next_ ? next_->ChooseFile(request) : std::nullopt;
}

}  // namespace chordlane
