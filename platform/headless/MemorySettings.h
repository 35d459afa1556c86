#pragma once
#include <map>
#include <memory>
#include <tuple>
#include <variant>

#include "platform/SettingsStore.h"

namespace chordlane {

// A settings store in memory, with the same create-on-open and size-limit behaviour as the
// real one.
class MemorySettings : public SettingsStore {
  public:
    using Value = std::variant<String, uint32_t>;
    using KeyId = std::pair<SettingsRoot, String>;

    std::unique_ptr<SettingsKey> CreateKey(SettingsRoot root, const String& path) override;

    bool HasKey(SettingsRoot root, const String& path) const {
        return keys_.count({root, path}) != 0;
    }
    const std::map<String, Value>* Values(SettingsRoot root, const String& path) const {
        auto it = keys_.find({root, path});
        return it == keys_.end() ? nullptr : &it->second;
    }
    void Set(SettingsRoot root, const String& path, const String& name, Value value) {
        keys_[{root, path}][name] = std::move(value);
    }

  private:
    std::map<KeyId, std::map<String, Value>> keys_;
};

}  // namespace chordlane
