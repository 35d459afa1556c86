#include "elements/NameRegistry.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "elements/Element.h"
#include "elements/EventTrace.h"
#include "elements/Instrument.h"
#include "elements/ListHelpers.h"
#include "elements/SoundElement.h"
#include "platform/Text.h"

namespace chordlane {

namespace {

constexpr uint32_t kShift = 1;
constexpr uint32_t kControl = 2;

bool IsLetterCode(uint32_t code) {
    // Virtual key codes that the character classification counts as letters: the ASCII
    // letters and the letters of Latin-1 (codes 193 to 207 never get here).
    if ((code >= 65 && code <= 90) || (code >= 97 && code <= 122)) return true;
    if (code == 170 || code == 181 || code == 186) return true;
    return code >= 192 && code <= 255 && code != 215 && code != 247;
}

// Builds "b" + two characters the way a formatted %c%c would: a 0 character ends the name.
String NameWithKey(char16_t second, int32_t key) {
    String name = u"b";
    name.push_back(second);
    const auto c = static_cast<char16_t>(key & 0xFFFF);
    if (c != 0) name.push_back(c);
    return name;
}

// Reads an optional sign and decimal digits, saturating, as a C library conversion would.
int64_t DecimalValue(const String& text, size_t pos) {
    bool negative = false;
    if (pos < text.size() && (text[pos] == u'+' || text[pos] == u'-')) {
        negative = text[pos] == u'-';
        ++pos;
    }
    int64_t value = 0;
    while (pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9') {
        value = value * 10 + (text[pos] - u'0');
        if (value > std::numeric_limits<int32_t>::max()) value = int64_t{1} << 31;
        ++pos;
    }
    value = negative ? -value : value;
    return std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                               std::numeric_limits<int32_t>::max());
}

int32_t ClampToInt32(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

}  // namespace

void NameRegistry::RaiseEvent(const String& name, int32_t value) {
    Element* element = Lookup(name);
    if (EventTrace* trace = owner_.trace) trace->Event(name, element != nullptr);
    if (element) element->Trigger(value, nullptr);
}

void NameRegistry::Register(const String& name, Element* element) {
    registry_[name] = element;
    if (element->GetKind() & KIND_SOUND) AddUnlessPresent(sounds_, element);
}

void NameRegistry::Unregister(const String& name) {
    Element* element = Lookup(name);
    if (!element) return;
    if (element->GetKind() & KIND_SOUND) RemoveFirst(sounds_, element);
}

Element* NameRegistry::Lookup(const String& name) const {
    auto it = registry_.find(name);
    if (it != registry_.end()) return it->second;
    if (!name.empty() && name[0] >= u'A' && name[0] <= u'Z') {
        it = registry_.find(name.substr(1));
        if (it != registry_.end()) return it->second;
    }
    return nullptr;
}

void NameRegistry::Clear() {
    registry_.clear();
    sounds_.clear();
    playing_.clear();
}

void NameRegistry::StartPlaying(Element* voice) { AddUnlessPresent(playing_, voice); }

void NameRegistry::StopPlaying(Element* voice) { RemoveFirst(playing_, voice); }

void NameRegistry::ReleaseOthers(char16_t key, Element* spare) {
    // Releasing a voice takes it out of the list, so walk a copy and skip whatever has
    // already left it.
    const std::vector<Element*> playing = playing_;
    for (Element* element : playing) {
        if (element == spare) continue;
        if (std::find(playing_.begin(), playing_.end(), element) == playing_.end()) {
            continue;
        }
        if (key != 0) {
            const String& name = element->Name();
            if (name.empty() || name.back() != key) continue;
        }
        element->Trigger(NO_VALUE, nullptr);
        if (key != 0) return;
    }
}

void NameRegistry::OnKeyDown(uint32_t code) {
    String name;
    if (code >= 193 && code <= 207) {
        name = u"b" + Ascii(std::to_string(code - 192));
    } else if (code == 131 || code == 132) {
        if (lastKey_ == NO_VALUE) return;
        name = NameWithKey(code == 131 ? u't' : u'd', lastKey_);
    } else if (code == 134) {
        name = u"ba";
        lastKey_ = 134;
    } else if (code == 16) {
        modifiers_ |= kShift;
        return;
    } else if (code == 17) {
        modifiers_ |= kControl;
        return;
    } else if (code >= 37 && code <= 40) {
        static constexpr char16_t kDirections[] = u"lurd";
        lastKey_ = kDirections[code - 37];
        return;
    } else if (code >= 48 && code <= 57) {
        name = u"bk";
        name.push_back(static_cast<char16_t>(code));
        lastKey_ = static_cast<int32_t>(code);
    } else if (IsLetterCode(code)) {
        uint32_t c = code + 32;
        if (modifiers_ & kControl) {
            c = code & 31;
        } else if (modifiers_ & kShift) {
            c = code;
        }
        name = u"bk";
        if (c != 0) name.push_back(static_cast<char16_t>(c));
        lastKey_ = static_cast<int32_t>(c);
    } else if (code >= 1 && code <= 127) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "bx%02x", code);
        name = Ascii(hex);
        lastKey_ = static_cast<int32_t>(code);
    } else {
        lastKey_ = NO_VALUE;
        return;
    }
    RaiseEvent(name, owner_.variables.sp);
}

void NameRegistry::OnKeyUp(uint32_t code) {
    lastKey_ = NO_VALUE;
    if (code == 16) modifiers_ &= ~kShift;
    if (code == 17) modifiers_ &= ~kControl;
}

void NameRegistry::ResetKeyState() {
    lastKey_ = 0;
    modifiers_ = 0;
}

void NameRegistry::SetHeldModifiers(bool shift, bool control) {
    modifiers_ = (shift ? kShift : 0) | (control ? kControl : 0);
}

void NameRegistry::FireInitEvent(int32_t panelNumber) {
    String name = u"init";
    if (panelNumber > 0) name.insert(name.begin(), static_cast<char16_t>(64 + panelNumber));
    RaiseEvent(name, 0);
}

Sample* NameRegistry::FindSound(const String& noteName, int32_t offset) const {
    const String form = noteName.substr(0, 31);
    size_t cut = form.find(u'-');
    if (cut == String::npos) cut = form.find(u'+');

    enum class Mode { Name, Number, Note } mode = Mode::Name;
    String setName = form;
    int64_t number = 0;
    if (cut != String::npos) {
        setName = form.substr(0, cut);
        const size_t rest = cut + 1;
        const char16_t next = rest < form.size() ? form[rest] : u'\0';
        if (next >= u'0' && next <= u'9') {
            mode = Mode::Number;
            number = DecimalValue(form, rest);
            if (form[cut] == u'-') number = -number;
        } else {
            mode = Mode::Note;
            int32_t semitone = 0;
            switch (next) {
                case u'A':
                case u'a':
                    semitone = 0;
                    break;
                case u'B':
                case u'b':
                    semitone = 2;
                    break;
                case u'C':
                case u'c':
                    semitone = 3;
                    break;
                case u'D':
                case u'd':
                    semitone = 5;
                    break;
                case u'E':
                case u'e':
                    semitone = 7;
                    break;
                case u'F':
                case u'f':
                    semitone = 8;
                    break;
                case u'G':
                case u'g':
                    semitone = 10;
                    break;
                default:
                    semitone = 0;
                    break;
            }
            size_t pos = rest < form.size() ? rest + 1 : rest;
            if (pos < form.size() && form[pos] == u'#') {
                semitone += 1;
                ++pos;
            } else if (pos < form.size() && form[pos] == u'b') {
                semitone = semitone == 0 ? 11 : semitone - 1;
                ++pos;
            }
            if (pos < form.size() && form[pos] == u'+') ++pos;
            number = 12 * DecimalValue(form, pos) + semitone;
        }
    }
    if (offset != NO_VALUE) number += offset;

    for (Element* element : sounds_) {
        auto* sound = static_cast<SoundElement*>(element);
        if (mode != Mode::Note) {
            if (sound->Name() == setName) return sound->GetSample(ClampToInt32(number));
            continue;
        }
        const String& name = sound->Name();
        if (name.substr(0, name.find(u'-')) != setName) continue;
        // Note numbers count up from A0 (A4 is 48); a sound's base note counts from 440 Hz.
        const int64_t d = number - 48 - sound->BaseNote();
        if (d >= -static_cast<int64_t>(sound->Low()) && d <= sound->High()) {
            return sound->GetSample(static_cast<int32_t>(d));
        }
    }
    return nullptr;
}

}  // namespace chordlane
