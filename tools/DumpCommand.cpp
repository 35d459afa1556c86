// chordlane-tool dump FILE [--registry]: loads FILE and prints the element tree after
// activation, one element a line, and with --registry every registry entry.
#include <algorithm>
#include <cstdio>
#include <string>

#include "elements/EllipseButtonElement.h"
#include "elements/GroupElement.h"
#include "elements/HiddenButtonElement.h"
#include "elements/ImageElement.h"
#include "elements/Instrument.h"
#include "elements/NameRegistry.h"
#include "elements/PanelElement.h"
#include "elements/PlayAction.h"
#include "elements/RectElement.h"
#include "elements/SetFlagAction.h"
#include "elements/SetIntAction.h"
#include "elements/SetRectAction.h"
#include "elements/SetStringAction.h"
#include "elements/SoundElement.h"
#include "elements/TextElement.h"
#include "elements/VoiceElement.h"
#include "tools/ToolCommand.h"
#include "tools/ToolLoad.h"

namespace chordlane::tool {
namespace {

std::string Int(int32_t value) {
    return value == NO_VALUE ? std::string("none") : std::to_string(value);
}

std::string RectText(const Rect* rect) {
    if (!rect) return "none";
    return std::to_string(rect->left) + "," + std::to_string(rect->top) + "," +
           std::to_string(rect->right) + "," + std::to_string(rect->bottom);
}

std::string ColourText(Colour colour) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%06X", static_cast<unsigned>(colour));
    return text;
}

std::string RealText(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return text;
}

class Line {
  public:
    Line(const Element& element, int depth) {
        text_.assign(static_cast<size_t>(depth) * 2, ' ');
        text_ += element.ClassName();
        text_ += ' ';
        text_ += JsonString(element.Name());
        Field("active", element.IsActive() ? "1" : "0");
    }
    void Field(const char* key, const std::string& value) {
        text_ += ' ';
        text_ += key;
        text_ += '=';
        text_ += value;
    }
    void Visual(const VisualElement& v, bool pressed) {
        Field("bounds", RectText(v.Bounds()));
        Field("colours", ColourText(v.FillColour()) + "," + ColourText(v.PressedFillColour()) +
                             "," + ColourText(v.LineColour()) + "," +
                             ColourText(v.PressedLineColour()));
        if (pressed) Field("pressed", v.IsPressed() ? "1" : "0");
    }
    void Print() const { std::printf("%s\n", text_.c_str()); }

  private:
    std::string text_;
};

template <typename T>
const T* As(const Element& element) {
    return dynamic_cast<const T*>(&element);
}

// The kind-specific fields, most derived classes first.
void Describe(Element& element, Line& line) {
    if (auto* panel = As<PanelElement>(element)) {
        line.Field("number", std::to_string(panel->Number()));
        line.Field("init", panel->InitDone() ? "1" : "0");
        line.Visual(*panel, false);
    } else if (auto* button = As<HiddenButtonElement>(element)) {
        line.Visual(*button, true);
        line.Field("na", JsonString(button->TargetName()));
        line.Field("nb", JsonString(button->LinkedName()));
    } else if (auto* image = As<ImageElement>(element)) {
        line.Field("file", JsonString(image->GetFileName()));
        line.Visual(*image, false);
        const auto& bitmap = image->GetBitmap();
        line.Field("bitmap",
                   bitmap ? std::to_string(bitmap->Width()) + "x" + std::to_string(bitmap->Height())
                          : std::string("none"));
    } else if (auto* text = As<TextElement>(element)) {
        line.Field("text", JsonString(text->Text()));
        line.Visual(*text, false);
        line.Field("at", Int(text->Angle()));
        line.Field("ns", Int(text->Shift()));
        line.Field("nm", Int(text->Multiplier()));
        line.Field("nd", Int(text->Divisor()));
        line.Field("display", JsonString(text->FormatLabel()));
    } else if (auto* shape = As<RectElement>(element)) {
        line.Visual(*shape, true);
    } else if (auto* voice = As<VoiceElement>(element)) {
        auto& v = const_cast<VoiceElement&>(*voice);
        line.Field("ns", JsonString(voice->SampleName()));
        line.Field("shift", Int(v.GetInt(u"ns")));
        line.Field("va", Int(v.GetInt(u"va")));
        line.Field("vm", Int(v.GetInt(u"vm")));
        line.Field("dm", Int(v.GetInt(u"dm")));
        line.Field("ng", JsonString(voice->GroupName()));
    } else if (auto* sound = As<SoundElement>(element)) {
        line.Field("file", JsonString(sound->FileName()));
        line.Field("freq", RealText(sound->Frequency()));
        line.Field("base", Int(sound->BaseNote()));
        line.Field("low", Int(sound->Low()));
        line.Field("high", Int(sound->High()));
        line.Field("quiet", sound->IsQuiet() ? "1" : "0");
        line.Field("samples", sound->HasSamples() ? Int(sound->SampleCount()) : "none");
    } else if (auto* play = As<PlayAction>(element)) {
        line.Field("value", Int(play->Value()));
    } else if (auto* setInt = As<SetIntAction>(element)) {
        line.Field("prop", JsonString(setInt->Property()));
        line.Field("value", Int(setInt->Value()));
        line.Field("step", Int(setInt->Step()));
        line.Field("limit", Int(setInt->Limit()));
        line.Field("restart", Int(setInt->Restart()));
    } else if (auto* setString = As<SetStringAction>(element)) {
        line.Field("prop", JsonString(setString->Property()));
        line.Field("value", JsonString(setString->Value()));
    } else if (auto* setFlag = As<SetFlagAction>(element)) {
        line.Field("prop", JsonString(setFlag->Property()));
        line.Field("value", setFlag->Value() ? "1" : "0");
    } else if (auto* setRect = As<SetRectAction>(element)) {
        line.Field("prop", JsonString(setRect->Property()));
        line.Field("rect", RectText(setRect->GetRect()));
    }
}

const std::vector<Element*>* MembersOf(Element& element) {
    if (auto* panel = dynamic_cast<PanelElement*>(&element)) return &panel->Group().Members();
    if (auto* group = dynamic_cast<GroupElement*>(&element)) return &group->Members();
    return nullptr;
}

// ancestors guards against a list that holds one of its own containers.
void DumpTree(Element& element, int depth, std::vector<const Element*>& ancestors) {
    Line line(element, depth);
    Describe(element, line);
    line.Print();
    const std::vector<Element*>* members = MembersOf(element);
    if (!members || std::find(ancestors.begin(), ancestors.end(), &element) != ancestors.end()) {
        return;
    }
    ancestors.push_back(&element);
    for (Element* member : *members) DumpTree(*member, depth + 1, ancestors);
    ancestors.pop_back();
}

int RunDump(std::span<const std::string> args) {
    OptionParser parser;
    CommonOptions common;
    bool registry = false;
    parser.AddCommon(&common);
    parser.AddFlag("--registry", &registry);
    std::string error;
    if (!parser.Parse(args, error)) return UsageError("dump: " + error);
    if (parser.Positional().size() != 1) return UsageError("dump wants one FILE");

    ToolSession session(common);
    const int loaded = LoadForTool(session, parser.Positional()[0], common);
    if (loaded != EXIT_DONE) return loaded;
    std::vector<const Element*> ancestors;
    const Instrument& instrument = session.GetInstrument();
    if (instrument.root) DumpTree(*instrument.root, 0, ancestors);
    if (registry) {
        // The map orders its names by 16-bit code units already.
        for (const auto& [name, element] : instrument.names.Entries()) {
            std::printf("registry %s %s %s\n", JsonString(name).c_str(), element->ClassName(),
                        JsonString(element->Name()).c_str());
        }
    }
    std::fflush(stdout);
    return EXIT_DONE;
}

const ToolCommand kDump{
    .name = "dump",
    .arguments = "FILE [--registry]",
    .help =
        "  Loads FILE and prints the element tree after activation: one line per element,\n"
        "  depth first in member order from the root panel, two spaces per depth, the\n"
        "  class name, the name as a JSON string and 'key=value' fields (strings as JSON\n"
        "  strings, 'none' for no value, rectangles as L,T,R,B, colours as 0xBBGGRR).\n"
        "  --registry adds one line 'registry NAME CLASS ELEMENT-NAME' per registry\n"
        "  entry, in order of name.\n",
    .order = 20,
    .takesCommon = true,
    .run = RunDump,
};
const ToolCommandRegistration kRegisterDump{kDump};

}  // namespace
}  // namespace chordlane::tool
