#pragma once
// What reading an instrument's files needs of the instrument they are read for: where files
// are searched, what the user answered to its prompts, how far the load got, which files it
// read, the platform services and where its problems go. The instrument holds one; the
// parser, the file search, the prompts and Save As work on it alone.

#include <cstdint>
#include <unordered_set>
#include <vector>

#include "language/ParseListener.h"
#include "platform/Platform.h"
#include "platform/Types.h"

namespace chordlane {

// Load status values (a cancelled file prompt changes it).
inline constexpr int32_t LOAD_LOADING = 1;
inline constexpr int32_t LOAD_SKIP_PROMPTS = 2;
inline constexpr int32_t LOAD_ABORTED = 3;

struct LoadState {
    //! Both belong to the owner and must outlive the state.
    LoadState(const Platform& services, ListenerSet& problems)
        : platform(services), listeners(problems) {}
    LoadState(const LoadState&) = delete;
    LoadState& operator=(const LoadState&) = delete;

    //! Notes a file this load read: resolved as the file system told it (File::ResolvedPath),
    //! or the path it was opened by when that is empty. Each file is noted once.
    void NoteUsedFile(const String& resolved, const String& openedBy);
    //! The files this load read (instrument files, wave files, pictures), in the order first
    //! read: what an edit of the instrument may change.
    const std::vector<String>& UsedFiles() const { return usedFiles_; }
    //! Empties the current path, the answers log and the used files, for the next load.
    void Forget();

    const Platform& platform;  // a service the owner replaces there is used from then on
    ListenerSet& listeners;    // learn every problem of the files read, as it is found

    String programFolder;  // ends with a separator
    String homeFolder;     // ends with a separator
    String currentPath;    // the loaded instrument's path as passed to the Open flow
    String answersLog;     // "? \"path\"\n" per confirmed prompt of this load
    uint8_t loaded = 0;    // an instrument is loaded and shown
    int32_t status = 0;    // LOAD_*

  private:
    std::vector<String> usedFiles_;
    std::unordered_set<String> usedFileSet_;  // the same, to tell a new one quickly
};

}  // namespace chordlane
