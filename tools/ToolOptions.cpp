#include "tools/ToolOptions.h"

#include <charconv>
#include <cstdio>

namespace chordlane::tool {

std::optional<int64_t> ParseInteger(std::string_view text, int64_t low, int64_t high) {
    int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (value < low || value > high) return std::nullopt;
    return value;
}

std::optional<std::pair<int32_t, int32_t>> ParseScreenSize(std::string_view text) {
    const size_t x = text.find_first_of("xX");
    if (x == std::string_view::npos) return std::nullopt;
    const auto width = ParseInteger(text.substr(0, x), 1, MAX_SCREEN_SIDE);
    const auto height = ParseInteger(text.substr(x + 1), 1, MAX_SCREEN_SIDE);
    if (!width || !height) return std::nullopt;
    return std::pair{static_cast<int32_t>(*width), static_cast<int32_t>(*height)};
}

void OptionParser::AddValue(std::string name,
                            std::function<std::string(const std::string&)> handler) {
    options_.push_back({std::move(name), true, std::move(handler), nullptr});
}

void OptionParser::AddValue(std::string name, std::optional<std::string>* target) {
    AddValue(std::move(name), [target](const std::string& value) {
        *target = value;
        return std::string();
    });
}

void OptionParser::AddFlag(std::string name, bool* target) {
    options_.push_back({std::move(name), false, nullptr, target});
}

void OptionParser::AddCommon(CommonOptions* common) {
    AddValue("--screen", [common](const std::string& value) {
        const auto size = ParseScreenSize(value);
        if (!size) {
            return "--screen wants WxH with sides from 1 to " + std::to_string(MAX_SCREEN_SIDE) +
                   ", not '" + value + "'";
        }
        common->screenWidth = size->first;
        common->screenHeight = size->second;
        return std::string();
    });
    AddValue("--home", &common->home);
    AddValue("--answer", [common](const std::string& value) {
        common->answers.push_back(value);
        return std::string();
    });
    AddFlag("--time", &common->time);
    AddValue("--pitch", [common](const std::string& value) {
        if (value == "exact") {
            common->pitch = PitchMethod::Exact;
        } else if (value == "fine") {
            common->pitch = PitchMethod::Fine;
        } else {
            return "--pitch wants exact or fine, not '" + value + "'";
        }
        return std::string();
    });
}

const OptionParser::Option* OptionParser::Find(std::string_view name) const {
    for (const Option& option : options_) {
        if (option.name == name) return &option;
    }
    return nullptr;
}

bool OptionParser::Parse(std::span<const std::string> args, std::string& error) {
    positional_.clear();
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (optionsEnded || word.size() < 2 || word[0] != '-') {
            positional_.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        std::string name = word;
        std::optional<std::string> inlineValue;
        const size_t equals = word.find('=');
        if (word.starts_with("--") && equals != std::string::npos) {
            name = word.substr(0, equals);
            inlineValue = word.substr(equals + 1);
        }
        const Option* option = Find(name);
        if (!option) {
            error = "unknown option " + name;
            return false;
        }
        if (!option->takesValue) {
            if (inlineValue) {
                error = name + " takes no value";
                return false;
            }
            *option->flag = true;
            continue;
        }
        std::string value;
        if (inlineValue) {
            value = *inlineValue;
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            error = name + " needs a value";
            return false;
        }
        error = option->handler(value);
        if (!error.empty()) return false;
    }
    return true;
}

std::string_view CommonOptionsHelp() {
    return "COMMON options:\n"
           "  --screen WxH   the screen in logical pixels (default 240x320)\n"
           "  --home DIR     the home folder (default: the \"Home\" setting, else the\n"
           "                 documents folder)\n"
           "  --answer PATH  the answer of the next file dialog; repeatable, in order; once\n"
           "                 they are used up, a dialog is cancelled\n"
           "  --time         after loading, print 'time parse_ms=P activate_ms=A' on\n"
           "                 standard error\n"
           "  --pitch METHOD how pitch copies are made: exact (the default, bit for bit as\n"
           "                 ever) or fine (grains placed between samples, a cleaner sound)\n";
}

void PrintLoadTimes(double parseMs, double activateMs) {
    std::fprintf(stderr, "time parse_ms=%.3f activate_ms=%.3f\n", parseMs, activateMs);
}

}  // namespace chordlane::tool
