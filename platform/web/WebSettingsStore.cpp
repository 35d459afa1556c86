#include "platform/web/WebSettingsStore.h"

#include <emscripten.h>

#include <cstdlib>
#include <cwctype>
#include <string>

#include "platform/Text.h"
#include "platform/web/JsText.h"

// clang-format off
// The stored text of the entry, UTF-16 in a buffer of the C library's heap that the caller
// frees, or 0 when it is missing (or storage is refused, as in some private windows).
EM_JS(char16_t*, cl_storage_get, (int name, int length, int* outLength), {
    let value = null;
    try { value = localStorage.getItem(Module.page.text(name, length)); } catch (e) {}
    if (value === null) return 0;
    const p = _malloc((value.length + 1) * 2);
    for (let i = 0; i < value.length; ++i) HEAPU16[(p >> 1) + i] = value.charCodeAt(i);
    HEAP32[outLength >> 2] = value.length;
    return p;
});
EM_JS(int, cl_storage_set, (int name, int nameLength, int value, int valueLength), {
    try {
        localStorage.setItem(Module.page.text(name, nameLength), Module.page.text(value, valueLength));
        return 1;
    } catch (e) {
        return 0;
    }
});
// clang-format on

namespace chordlane::web {

namespace {

String RootName(SettingsRoot root) {
    switch (root) {
        case SettingsRoot::LocalMachine:
            return u"LocalMachine";
        case SettingsRoot::CurrentUser:
            return u"CurrentUser";
        case SettingsRoot::ClassesRoot:
            return u"ClassesRoot";
    }
    return u"CurrentUser";
}

String Lower(String s) {
    for (char16_t& c : s) c = static_cast<char16_t>(std::towlower(c));
    return s;
}

std::optional<String> Get(const String& name) {
    const JsText js(name);
    int length = 0;
    char16_t* text = cl_storage_get(static_cast<int>(js.data), js.length, &length);
    if (!text) return std::nullopt;
    String value(text, static_cast<size_t>(length));
    std::free(text);
    return value;
}

bool Set(const String& name, const String& value) {
    const JsText n(name), v(value);
    return cl_storage_set(static_cast<int>(n.data), n.length, static_cast<int>(v.data), v.length) !=
           0;
}

class WebSettingsKey : public SettingsKey {
  public:
    explicit WebSettingsKey(String prefix) : prefix_(std::move(prefix)) {}

    std::optional<String> ReadString(const String& name, size_t maxBytes) override {
        const std::optional<String> stored = Get(prefix_ + Lower(name));
        if (!stored || stored->empty() || stored->front() != u's') return std::nullopt;
        String value = stored->substr(1);
        if ((value.size() + 1) * 2 > maxBytes) return std::nullopt;
        return value;
    }

    std::optional<uint32_t> ReadNumber(const String& name) override {
        const std::optional<String> stored = Get(prefix_ + Lower(name));
        if (!stored || stored->size() < 2 || stored->front() != u'n') return std::nullopt;
        uint64_t value = 0;
        for (size_t i = 1; i < stored->size(); ++i) {
            const char16_t c = (*stored)[i];
            if (c < u'0' || c > u'9') return std::nullopt;
            value = value * 10 + static_cast<uint64_t>(c - u'0');
            if (value > UINT32_MAX) return std::nullopt;
        }
        return static_cast<uint32_t>(value);
    }

    bool WriteString(const String& name, const String& value) override {
        return Set(prefix_ + Lower(name), u"s" + value);
    }

    bool WriteNumber(const String& name, uint32_t value) override {
        return Set(prefix_ + Lower(name), u"n" + FromUtf8(std::to_string(value)));
    }

  private:
    String prefix_;
};

}  // namespace

std::unique_ptr<SettingsKey> WebSettingsStore::CreateKey(SettingsRoot root, const String& path) {
    return std::make_unique<WebSettingsKey>(u"chordlane:" + RootName(root) + u"\\" + Lower(path) +
                                            u"\\");
}

}  // namespace chordlane::web
