#pragma once
// File -> Open Recent: the last instruments opened, newest first, each with the answers its
// file prompts were given, so that opening it again asks nothing that was answered before.
// The list lives in the settings store under the current user.

#include <cstddef>
#include <deque>
#include <optional>
#include <vector>

#include "platform/FileDialogs.h"
#include "platform/SettingsStore.h"
#include "platform/Types.h"

namespace chordlane {

inline constexpr char16_t RECENT_KEY[] = u"SOFTWARE\\Larkspur Labs\\Chordlane\\Recent";
inline constexpr size_t MAX_RECENT_INSTRUMENTS = 8;
inline constexpr char16_t BUILTIN_LABEL[] = u"Built-in Guitar";

struct RecentInstrument {
    String path;
    String answersLog;  // the load's answers, "? \"PATH\"" a line, as Save As writes them
    bool operator==(const RecentInstrument&) const = default;
};

//! The stored list, newest first; entries without a path are skipped.
std::vector<RecentInstrument> ReadRecentInstruments(SettingsStore* store);
//! Stores the list (at most MAX_RECENT_INSTRUMENTS); places no longer used are emptied.
void WriteRecentInstruments(SettingsStore* store, const std::vector<RecentInstrument>& list);
//! The list with entry in front: an older entry of the same path goes, the oldest drops off.
std::vector<RecentInstrument> WithRecent(std::vector<RecentInstrument> list,
                                         RecentInstrument entry);
//! What Open Recent shows for each entry of list, in order: the file's name, or "Built-in
//! Guitar" for "!". Where entries share a name, each is followed by " \u2014 " and as much of
//! its folder as tells them apart, the home folder home written "~/": "keyboard.clx \u2014
//! instruments/" and "keyboard.clx \u2014 ~/mine/".
std::vector<String> RecentLabels(const std::vector<RecentInstrument>& list, const String& home);
//! The answers of an answers log, in order.
std::vector<String> AnswersOfLog(const String& answersLog);

// File dialogs that take given answers first, in order, then leave the rest to the real
// dialogs: reopening a recent instrument replays its prompt answers.
class GivenAnswers : public FileDialogs {
  public:
    GivenAnswers(FileDialogs* next, std::vector<String> answers)
        : next_(next), answers_(answers.begin(), answers.end()) {}
    std::optional<String> ChooseFile(const FileDialogRequest& request) override;

  private:
    FileDialogs* next_;
    std::deque<String> answers_;
};

}  // namespace chordlane
