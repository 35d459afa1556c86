#include "app/RecentInstruments.h"

#include <algorithm>
#include <limits>
#include <string>

#include "platform/Text.h"

namespace chordlane {

namespace {

String PathValue(size_t index) { return u"File" + FromUtf8(std::to_string(index + 1)); }
String AnswersValue(size_t index) { return u"Answers" + FromUtf8(std::to_string(index + 1)); }

}  // namespace

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
