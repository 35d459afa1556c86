#pragma once
// Builds an instrument's elements from the directives the parser reads: names them with the
// open panel's prefix, places their rectangles on the screen and in the open panel, and adds
// each to the innermost open group, the open panel or the root panel. It keeps what each
// level has open (a block's group, a panel) and the panels numbered so far in the load.

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "language/DirectiveListener.h"
#include "language/ParseListener.h"
#include "language/Parser.h"
#include "platform/Types.h"

namespace chordlane {

class Element;
class GroupElement;
class Instrument;
class PanelElement;

// The name buffer holds 255 characters and the terminator.
inline constexpr size_t MAX_QUALIFIED_NAME = 255;

// One load of instrument text into an instrument's root panel.
class InstrumentBuilder : public DirectiveListener {
  public:
    //! listener, when given, is added to the instrument's listeners while the builder lives.
    explicit InstrumentBuilder(Instrument& instrument, ParseListener* listener = nullptr,
                               ParseLimits limits = {});
    InstrumentBuilder(const InstrumentBuilder&) = delete;
    InstrumentBuilder& operator=(const InstrumentBuilder&) = delete;

    //! Loads the file at path as the top level (Parser::ParseFile); answers whether it was
    //! found.
    bool ParseFile(const String& path) { return parser_.ParseFile(path); }
    //! Parses UTF-8 text as the lines of a file called fileName (Parser::ParseString).
    void ParseString(std::string_view text, const String& fileName) {
        parser_.ParseString(text, fileName);
    }

    //! The name with the prefix of the open panel (none when it begins with '!', which is
    //! dropped), then the suffix; at most MAX_QUALIFIED_NAME characters.
    String QualifyName(std::u16string_view name, std::u16string_view suffix = {}) const;
    //! Scales rect from the design size to the screen (a design size of 0 is the screen's)
    //! and, with a panel, moves it into the panel's bounds and clips it to them.
    void PlaceRect(Rect& rect, const PanelElement* panel, int32_t designWidth,
                   int32_t designHeight) const;

    void BeginFile(const String& file) override;
    void EndFile() override;
    void BeginBlock(const Directive& directive) override;
    void EndBlock() override;
    void OpenPanel(const Directive& directive) override;
    void ClosePanel(const String& file, int32_t line) override;
    void Build(const Directive& directive) override;

  private:
    // What one level of the load has open; a nested level starts with a copy of its
    // enclosing level's.
    struct Level {
        PanelElement* panel = nullptr;      // opened by the last '[' of this level
        GroupElement* container = nullptr;  // the group whose block is being read
    };

    //! The directive's rectangle, placed on the screen and in panel.
    std::unique_ptr<Rect> Placed(const Directive& directive, const PanelElement* panel) const;
    //! Adds the element by the adding rule; answers it, or null when there is nowhere to put
    //! it (no root panel) and it was destroyed.
    Element* Add(const Directive& directive, std::unique_ptr<Element> element);
    void Skip(const Directive& directive, std::string_view reason);
    void LeaveLevel();

    Instrument& instrument_;
    ListenerScope listener_;
    Parser parser_;
    std::vector<Level> levels_{Level{}};
    int32_t panelCounter_ = 0;
    int32_t currentPanelNumber_ = 0;
};

}  // namespace chordlane
