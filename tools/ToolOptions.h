#pragma once
// The command-line parser every chordlane-tool command uses: its own options, the COMMON
// options of the commands that load an instrument, and its positional words.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Surface.h"
#include "sound/PitchMethod.h"

namespace chordlane::tool {

// The options shared by the commands that load an instrument.
struct CommonOptions {
    int32_t screenWidth = 240;
    int32_t screenHeight = 320;
    std::optional<std::string> home;         // --home DIR; else the program's default
    std::vector<std::string> answers;        // --answer PATH, in order
    bool time = false;                       // --time
    PitchMethod pitch = PitchMethod::Exact;  // --pitch exact|fine
};

// The largest screen side accepted: a rendered image is the screen times the zoom, and a
// typing slip must not ask for gigabytes.
inline constexpr int32_t MAX_SCREEN_SIDE = 8192;
// Pictures are bounded to cover any screen pixel for pixel.
static_assert(MAX_SCREEN_SIDE <= MAX_PICTURE_SIDE);

//! Parses "WxH" (both 1 to MAX_SCREEN_SIDE); nothing when it is not one.
std::optional<std::pair<int32_t, int32_t>> ParseScreenSize(std::string_view text);

//! Parses a whole decimal number in [low, high]; nothing otherwise.
std::optional<int64_t> ParseInteger(std::string_view text, int64_t low, int64_t high);

// Options are "--name VALUE", "--name=VALUE" or "-n VALUE"; "--" ends the options and
// every later word is positional, so file names may begin with '-'. A lone "-" is a word.
class OptionParser {
  public:
    //! An option with a value; the handler answers an error reason, or empty when fine.
    void AddValue(std::string name, std::function<std::string(const std::string&)> handler);
    //! An option with a value kept in target (given twice: the last wins).
    void AddValue(std::string name, std::optional<std::string>* target);
    //! An option without a value.
    void AddFlag(std::string name, bool* target);
    //! Accepts --screen, --home, --answer, --time and --pitch into common.
    void AddCommon(CommonOptions* common);

    //! Parses args; on a bad command line answers false with a one-line reason in error.
    bool Parse(std::span<const std::string> args, std::string& error);

    const std::vector<std::string>& Positional() const { return positional_; }

  private:
    struct Option {
        std::string name;
        bool takesValue = false;
        std::function<std::string(const std::string&)> handler;
        bool* flag = nullptr;
    };
    const Option* Find(std::string_view name) const;

    std::vector<Option> options_;
    std::vector<std::string> positional_;
};

//! The COMMON options' description for --help.
std::string_view CommonOptionsHelp();

//! Prints "time parse_ms=P activate_ms=A" (milliseconds, three decimals) on standard error.
void PrintLoadTimes(double parseMs, double activateMs);

}  // namespace chordlane::tool
