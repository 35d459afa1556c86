#include "platform/headless/MemorySettings.h"

namespace chordlane {

namespace {

class MemoryKey : public SettingsKey {
  public:
    explicit MemoryKey(std::map<String, MemorySettings::Value>& values) : values_(values) {}

    std::optional<String> ReadString(const String& name, size_t maxBytes) override {
        auto it = values_.find(name);
        if (it == values_.end()) return std::nullopt;
        if (const auto* text = std::get_if<String>(&it->second)) {
            // The platform refuses a value that does not fit, terminator included.
            if ((text->size() + 1) * 2 > maxBytes) return std::nullopt;
            return *text;
        }
        return std::nullopt;
    }
    std::optional<uint32_t> ReadNumber(const String& name) override {
        auto it = values_.find(name);
        if (it == values_.end()) return std::nullopt;
        if (const auto* number = std::get_if<uint32_t>(&it->second)) return *number;
        return std::nullopt;
    }
    bool WriteString(const String& name, const String& value) override {
        values_[name] = value;
        return true;
    }
    bool WriteNumber(const String& name, uint32_t value) override {
        values_[name] = value;
        return true;
    }

  private:
    std::map<String, MemorySettings::Value>& values_;
};

}  // namespace

std::unique_ptr<SettingsKey> MemorySettings::CreateKey(SettingsRoot root, const String& path) {
    return std::make_unique<MemoryKey>(keys_[{root, path}]);
}

}  // namespace chordlane
