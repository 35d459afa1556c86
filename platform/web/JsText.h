#pragma once
// Text handed to the page's JavaScript: UTF-16 with its length, which the JavaScript side
// copies out of memory at once (the browser's decoders refuse views of shared memory).

#include <cstdint>

#include "platform/Types.h"

namespace chordlane::web {

struct JsText {
    explicit JsText(const String& s)
        : data(reinterpret_cast<uintptr_t>(s.data())), length(static_cast<int32_t>(s.size())) {}
    uintptr_t data;
    int32_t length;
};

}  // namespace chordlane::web
