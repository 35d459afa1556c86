#include "elements/InstrumentLint.h"

#include <algorithm>
#include <cstdint>
#include <set>

#include "elements/ActionTarget.h"
#include "elements/Element.h"
#include "elements/Instrument.h"
#include "elements/NameRegistry.h"
#include "elements/PlayAction.h"
#include "elements/SetFlagAction.h"
#include "elements/SetIntAction.h"
#include "elements/SetRectAction.h"
#include "elements/SetStringAction.h"

namespace chordlane {

namespace {

// Farther than this many edits a name is not offered as the one meant.
constexpr size_t MAX_SUGGESTION_EDITS = 2;
// Comparing every unresolved name with every defined one grows with the square of a file's
// lines; past this many table cells in one load the rest are reported without a suggestion,
// so a hostile file cannot hold the check or a reload (tens of milliseconds at most).
constexpr uint64_t MAX_SUGGESTION_CELLS = 20'000'000;

size_t EditDistance(const String& a, const String& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min({above + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// The first of the closest candidates within reach of name, or empty. cells counts down the
// work the load's suggestions may still take.
String Closest(const String& name, const std::set<String>& candidates, uint64_t& cells) {
    String best;
    size_t bestDistance = MAX_SUGGESTION_EDITS + 1;
    for (const String& candidate : candidates) {
        // The difference of the lengths is edits already.
        const size_t longer = std::max(name.size(), candidate.size());
        if (longer - std::min(name.size(), candidate.size()) > MAX_SUGGESTION_EDITS) continue;
        const uint64_t cost = uint64_t{name.size() + 1} * (candidate.size() + 1);
        if (cost > cells) return best;
        cells -= cost;
        const size_t distance = EditDistance(name, candidate);
        if (distance < bestDistance) {
            best = candidate;
            bestDistance = distance;
        }
    }
    return best;
}

// The names one instrument answers to: those registered now and those its hidden panels
// register when they are shown, looked up as NameRegistry::Lookup does.
class KnownNames {
  public:
    KnownNames(const NameRegistry& registry, const std::vector<Element*>& built)
        : registry_(registry) {
        for (const auto& [name, element] : registry.Entries()) names_.insert(name);
        // The root panel's name is no name an author gives.
        names_.erase(u"!");
        for (Element* element : built) {
            // Only these kinds ever register their names.
            if (dynamic_cast<IndexedElement*>(element) || dynamic_cast<VisualElement*>(element)) {
                names_.insert(element->Name());
            }
            if (element->GetKind() & KIND_SOUND) {
                sounds_.insert(element->Name());
                const String& sound = element->Name();
                soundSets_.insert(sound.substr(0, sound.find(u'-')));
            }
        }
    }

    //! Whether an action or a button finds an element by this name.
    bool Resolves(const String& name) const {
        if (registry_.Lookup(name)) return true;
        if (names_.contains(name)) return true;
        return !name.empty() && name[0] >= u'A' && name[0] <= u'Z' &&
               names_.contains(name.substr(1));
    }

    //! The set part of a voice's note name ("gtr" of "gtr-E2"), and whether it names a
    //! sound's set as a note (matched against the sound's name up to its '-') or the
    //! sound's whole name, as NameRegistry::FindSound reads it.
    static String SoundSet(const String& noteName, bool& byNote) {
        const String form = noteName.substr(0, 31);
        size_t cut = form.find(u'-');
        if (cut == String::npos) cut = form.find(u'+');
        byNote = false;
        if (cut == String::npos) return form;
        const char16_t next = cut + 1 < form.size() ? form[cut + 1] : u'\0';
        byNote = !(next >= u'0' && next <= u'9');
        return form.substr(0, cut);
    }

    //! Whether a voice finds a sound by this note name (whatever the note's range).
    bool ResolvesSound(const String& noteName) const {
        bool byNote = false;
        const String set = SoundSet(noteName, byNote);
        return byNote ? soundSets_.contains(set) : sounds_.contains(set);
    }

    const std::set<String>& Names() const { return names_; }
    const std::set<String>& Sounds() const { return sounds_; }

  private:
    const NameRegistry& registry_;
    std::set<String> names_;
    std::set<String> sounds_;
    std::set<String> soundSets_;  // each sound's name up to its '-'
};

// The element an action works on by name, empty when it has none (or is no such action).
String TargetOf(const Element& element) {
    const String& name = element.Name();
    if (dynamic_cast<const PlayAction*>(&element)) return ActionTarget(name, 1).Name();
    if (dynamic_cast<const SetFlagAction*>(&element) ||
        dynamic_cast<const SetIntAction*>(&element) ||
        dynamic_cast<const SetRectAction*>(&element) ||
        dynamic_cast<const SetStringAction*>(&element)) {
        return ActionTarget(name, 2).Name();
    }
    return {};
}

bool LiesOutside(const Rect& r, const Rect& screen) {
    return r.right <= screen.left || r.left > screen.right || r.bottom <= screen.top ||
           r.top > screen.bottom;
}

}  // namespace

void InstrumentLint::SkippedLine(const String&, int32_t, const String& reason) {
    // The parser's words for a prompt cancelled or skipped after a cancelled one.
    if (reason.find(u"no FILE: ") != String::npos) promptNotAnswered_ = true;
}

void InstrumentLint::ElementBuilt(Element& element, PanelElement*, const String& file,
                                  int32_t line) {
    built_.push_back({&element, file, line});
}

void InstrumentLint::Report(Instrument& instrument) const {
    std::vector<Element*> elements;
    for (const Built& b : built_) elements.push_back(b.element);
    const KnownNames known(instrument.names, elements);
    ListenerSet& listeners = instrument.listeners;
    uint64_t cells = MAX_SUGGESTION_CELLS;
    const auto unresolved = [&](const Built& b, const String& name) {
        if (!promptNotAnswered_ && !known.Resolves(name)) {
            listeners.UnresolvedName(b.file, b.line, name, Closest(name, known.Names(), cells));
        }
    };
    for (const Built& b : built_) {
        const Element& element = *b.element;
        if (const String target = TargetOf(element); !target.empty()) unresolved(b, target);
        if (const auto* set = dynamic_cast<const SetStringAction*>(&element)) {
            const String& property = set->Property();
            const String& value = set->Value();
            if (value.empty()) continue;
            if (property == u"na" || property == u"nb" || property == u"ng") {
                unresolved(b, value);
            } else if (property == u"ns" && !promptNotAnswered_ && !known.ResolvesSound(value)) {
                bool byNote = false;
                const String closest =
                    Closest(KnownNames::SoundSet(value, byNote), known.Sounds(), cells);
                listeners.UnresolvedName(b.file, b.line, value, closest);
            }
        }
        const auto* visual = dynamic_cast<const VisualElement*>(&element);
        if (visual && visual->Bounds() && LiesOutside(*visual->Bounds(), instrument.screen.rect)) {
            listeners.OutsideScreen(b.file, b.line, element.Name(), instrument.screen.width,
                                    instrument.screen.height);
        }
    }
}

}  // namespace chordlane
