#pragma once
// Keeps the sound going through the output a person chose. Sound servers restart and USB or
// Bluetooth devices come and go while the program runs: when the output stops playing, the
// keeper says so once, plays on through the real-time null output (so notices keep their
// time), tries the chosen output again at every tick and says so when it is back. Where no
// output at all opened at start, the chosen one is taken up the same way once it appears.
// (Where another device stands in for the chosen one, it is kept: trying the chosen one
// would interrupt the sound every second.)
//
// Threads: interface thread only; Tick about once a second from its timer.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/AudioOutput.h"

namespace chordlane {

class SoundOutputKeeper {
  public:
    //! Opens the chosen output. With fallback it never answers a null output: it falls back
    //! to another device or to the null output and says why in problem; without, it answers
    //! the chosen output or null with the reason in problem.
    using Opener = std::function<AudioOpenResult(bool fallback)>;
    //! The real-time null output, to play on while the chosen one is away.
    using NullMaker = std::function<std::unique_ptr<AudioOutput>()>;
    //! One sentence for the person (status bar and standard error). A lasting one holds until
    //! the next notice (the output is away); one that does not lasting says it is over.
    using Notice = std::function<void(const std::string& text, bool lasting)>;

    SoundOutputKeeper(Opener open, NullMaker makeNull, Notice notice);
    ~SoundOutputKeeper();

    //! Opens the chosen output, or what stands in for it, and tells any problem.
    void Open();
    //! Notices a failed output and reopens the chosen one when it can.
    void Tick();
    //! Stops the output; nothing renders once it returns. Open starts again.
    void Stop();

    AudioOutput& Output() { return *output_; }
    bool HasOutput() const { return output_ != nullptr; }
    //! Playing on the null output.
    bool Silent() const { return silent_; }
    //! The problem told last, empty while the chosen output plays.
    const std::string& Problem() const { return problem_; }
    //! Underruns of every output since Open, those already closed included.
    uint64_t Underruns() const;

  private:
    void Tell(std::string problem);

    Opener open_;
    NullMaker makeNull_;
    Notice notice_;
    std::unique_ptr<AudioOutput> output_;
    bool silent_ = false;
    std::string problem_;
    uint64_t closedUnderruns_ = 0;
};

}  // namespace chordlane
