#include "elements/InstrumentBuilder.h"

#include <algorithm>
#include <limits>

#include "elements/EllipseButtonElement.h"
#include "elements/EllipseElement.h"
#include "elements/GroupElement.h"
#include "elements/HiddenButtonElement.h"
#include "elements/ImageElement.h"
#include "elements/Instrument.h"
#include "elements/NameRegistry.h"
#include "elements/PanelElement.h"
#include "elements/PlayAction.h"
#include "elements/RectButtonElement.h"
#include "elements/RectElement.h"
#include "elements/SetFlagAction.h"
#include "elements/SetIntAction.h"
#include "elements/SetRectAction.h"
#include "elements/SetStringAction.h"
#include "elements/SoundElement.h"
#include "elements/StopAction.h"
#include "elements/TextElement.h"
#include "elements/VoiceElement.h"
#include "platform/Text.h"

namespace chordlane {

namespace {

// Coordinates are 32-bit values that wrap as the machine words of the file format did; the
// arithmetic is done unsigned so that wild input has no undefined behaviour.
int32_t WrapAdd(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

int32_t Scale(int32_t value, int32_t screen, int32_t design) {
    const auto product =
        static_cast<int32_t>(static_cast<uint32_t>(value) * static_cast<uint32_t>(screen));
    // INT32_MIN / -1 does not fit; the wrapped quotient is INT32_MIN again.
    if (design == -1) return static_cast<int32_t>(0u - static_cast<uint32_t>(product));
    return product / design;
}

template <typename Button>
std::unique_ptr<Element> MakeButton(Instrument& owner, String name, std::unique_ptr<Rect> bounds) {
    auto button = std::make_unique<Button>(owner, std::move(name));
    button->SetBounds(std::move(bounds));
    return button;
}

}  // namespace

InstrumentBuilder::InstrumentBuilder(Instrument& instrument, ParseListener* listener,
                                     ParseLimits limits)
    : instrument_(instrument),
      listener_(instrument.listeners, listener),
      parser_(instrument.load, *this, limits) {}

void InstrumentBuilder::BeginFile(const String&) { levels_.push_back(levels_.back()); }

void InstrumentBuilder::EndFile() { LeaveLevel(); }

void InstrumentBuilder::BeginBlock(const Directive& d) {
    PanelElement* panel = levels_.back().panel;
    auto* group = static_cast<GroupElement*>(
        Add(d, std::make_unique<GroupElement>(instrument_, QualifyName(d.name))));
    levels_.push_back(Level{panel, group});
}

void InstrumentBuilder::EndBlock() { LeaveLevel(); }

void InstrumentBuilder::LeaveLevel() {
    if (levels_.size() > 1) levels_.pop_back();
}

void InstrumentBuilder::OpenPanel(const Directive& d) {
    // Panel bounds are always relative to the screen, never to the open panel.
    auto bounds = Placed(d, nullptr);
    if (!instrument_.root) {
        Skip(d, "no instrument is being loaded");
        return;
    }
    if (panelCounter_ < std::numeric_limits<int32_t>::max()) ++panelCounter_;
    currentPanelNumber_ = panelCounter_;
    auto panel =
        std::make_unique<PanelElement>(instrument_, d.name, std::move(bounds), panelCounter_);
    PanelElement* added = panel.get();
    instrument_.root->Add(std::move(panel));
    instrument_.names.Register(d.name, added);
    instrument_.listeners.ElementBuilt(*added, nullptr, d.file, d.line);
    levels_.back().panel = added;
}

void InstrumentBuilder::ClosePanel(const String&, int32_t) {
    levels_.back().panel = nullptr;
    currentPanelNumber_ = 0;
}

void InstrumentBuilder::Build(const Directive& d) {
    Instrument& owner = instrument_;
    const PanelElement* panel = levels_.back().panel;
    switch (d.kind) {
        case DirectiveKind::Ellipse:
            Add(d, std::make_unique<EllipseElement>(owner, QualifyName(d.name), Placed(d, panel)));
            break;
        case DirectiveKind::Rectangle:
            Add(d, std::make_unique<RectElement>(owner, QualifyName(d.name), Placed(d, panel)));
            break;
        case DirectiveKind::Image:
            Add(d, std::make_unique<ImageElement>(owner, QualifyName(d.name), d.text,
                                                  Placed(d, panel)));
            break;
        case DirectiveKind::Text:
            Add(d, std::make_unique<TextElement>(owner, QualifyName(d.name), d.text,
                                                 Placed(d, panel)));
            break;
        case DirectiveKind::EllipseButton:
            Add(d, MakeButton<EllipseButtonElement>(owner, QualifyName(d.name), Placed(d, panel)));
            break;
        case DirectiveKind::RectButton:
            Add(d, MakeButton<RectButtonElement>(owner, QualifyName(d.name), Placed(d, panel)));
            break;
        case DirectiveKind::HiddenButton: {
            // Event names carry no panel prefix: a hidden button keeps its name as written.
            String name = d.name;
            if (!name.empty() && name[0] == u'!') name.erase(0, 1);
            Add(d, std::make_unique<HiddenButtonElement>(owner, std::move(name)));
            break;
        }
        case DirectiveKind::Voice:
            Add(d, std::make_unique<VoiceElement>(owner, QualifyName(d.name)));
            break;
        case DirectiveKind::Sound:
            // LOW counts by its magnitude.
            Add(d, std::make_unique<SoundElement>(owner, QualifyName(d.name), d.file, d.text,
                                                  d.frequency, d.low < 0 ? -d.low : d.low, d.high,
                                                  d.quiet));
            break;
        case DirectiveKind::Stop:
            Add(d, std::make_unique<StopAction>(owner, QualifyName(d.name, u"<")));
            break;
        case DirectiveKind::Play:
            Add(d, std::make_unique<PlayAction>(owner, QualifyName(d.name, u">"), d.value));
            break;
        case DirectiveKind::SetFlag:
            Add(d, std::make_unique<SetFlagAction>(owner, QualifyName(d.name, u"=b"), d.property,
                                                   d.flag));
            break;
        case DirectiveKind::SetInt:
            if (d.step) {
                Add(d, std::make_unique<SetIntAction>(owner, QualifyName(d.name, u"=i"), d.property,
                                                      d.value, d.limit, d.restart));
            } else {
                Add(d, std::make_unique<SetIntAction>(owner, QualifyName(d.name, u"=i"), d.property,
                                                      d.value));
            }
            break;
        case DirectiveKind::SetRect:
            Add(d, std::make_unique<SetRectAction>(owner, QualifyName(d.name, u"=r"), d.property,
                                                   Placed(d, panel)));
            break;
        case DirectiveKind::SetString:
            if (d.step && d.value != 0) {
                // A step written as a string value becomes an integer action, named as one.
                Add(d, std::make_unique<SetIntAction>(owner, QualifyName(d.name, u"=i"), d.property,
                                                      d.value, NO_VALUE, NO_VALUE));
            } else {
                // String values are mostly element names, so they get the panel prefix unless
                // written in double quotes; a "+" that steps nothing sets the empty string.
                String text = d.step ? String() : d.quoted ? d.text : QualifyName(d.text);
                Add(d, std::make_unique<SetStringAction>(owner, QualifyName(d.name, u"=s"),
                                                         d.property, std::move(text)));
            }
            break;
        default:  // the structure goes to the other calls
            break;
    }
}

std::unique_ptr<Rect> InstrumentBuilder::Placed(const Directive& d,
                                                const PanelElement* panel) const {
    const RectFields& f = d.rect;
    auto rect = std::make_unique<Rect>(Rect{f.x, f.y, WrapAdd(f.x, f.w), WrapAdd(f.y, f.h)});
    PlaceRect(*rect, panel, d.designWidth, d.designHeight);
    return rect;
}

Element* InstrumentBuilder::Add(const Directive& d, std::unique_ptr<Element> element) {
    const Level& level = levels_.back();
    Element* added = element.get();
    if (level.container) {
        level.container->Add(std::move(element));
    } else if (level.panel) {
        level.panel->Add(std::move(element));
    } else if (instrument_.root) {
        instrument_.root->Add(std::move(element));
    } else {
        return nullptr;
    }
    if (added->GetKind() & (KIND_SOUND | KIND_IMAGE)) added->SetOrigin(d.file, d.line);
    instrument_.listeners.ElementBuilt(*added, level.panel, d.file, d.line);
    return added;
}

void InstrumentBuilder::Skip(const Directive& d, std::string_view reason) {
    String text(d.keyword);
    text += u": ";
    text += Ascii(reason);
    instrument_.listeners.SkippedLine(d.file, d.line, text);
}

String InstrumentBuilder::QualifyName(std::u16string_view name, std::u16string_view suffix) const {
    String result;
    if (!name.empty() && name[0] == u'!') {
        result = name.substr(1);
    } else {
        const int32_t number = currentPanelNumber_;
        // Past the 26th panel the prefixes run on beyond 'Z' as 16-bit characters.
        if (number != 0) {
            result.push_back(static_cast<char16_t>(64u + static_cast<uint32_t>(number)));
        }
        result += name;
    }
    result += suffix;
    if (result.size() > MAX_QUALIFIED_NAME) result.resize(MAX_QUALIFIED_NAME);
    return result;
}

void InstrumentBuilder::PlaceRect(Rect& rect, const PanelElement* panel, int32_t designWidth,
                                  int32_t designHeight) const {
    const int32_t screenWidth = instrument_.screen.width;
    const int32_t screenHeight = instrument_.screen.height;
    const int32_t dw = designWidth != 0 ? designWidth : screenWidth;
    const int32_t dh = designHeight != 0 ? designHeight : screenHeight;
    // With no screen measured yet there is nothing to scale to; coordinates stay as written.
    if (dw != 0) {
        rect.left = Scale(rect.left, screenWidth, dw);
        rect.right = Scale(rect.right, screenWidth, dw);
    }
    if (dh != 0) {
        rect.top = Scale(rect.top, screenHeight, dh);
        rect.bottom = Scale(rect.bottom, screenHeight, dh);
    }
    if (!panel || !panel->Bounds()) return;
    const Rect& p = *panel->Bounds();
    rect.left = std::max(WrapAdd(rect.left, p.left), p.left);
    rect.top = std::max(WrapAdd(rect.top, p.top), p.top);
    rect.right = std::min(WrapAdd(rect.right, p.left), p.right);
    rect.bottom = std::min(WrapAdd(rect.bottom, p.top), p.bottom);
}

}  // namespace chordlane
