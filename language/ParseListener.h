#pragma once
// What loading an instrument finds wrong, as it finds it: every problem goes to the listeners
// of the instrument being loaded, with the file (its name as the loader used it) and the
// physical line (a file's header is line 1). The program shows the messages meant for the
// user, chordlane-tool check prints every problem, tests collect them.

#include <cstdint>
#include <vector>

#include "platform/Types.h"

namespace chordlane {

class Element;
class PanelElement;

// How the message a sound that cannot be loaded shows its user begins; the file's name follows.
inline constexpr char16_t COULD_NOT_LOAD[] = u"Could not load: ";

class ParseListener {
  public:
    virtual ~ParseListener() = default;
    //! A directive line was skipped; reason names the missing or malformed argument.
    virtual void SkippedLine(const String& file, int32_t line, const String& reason);
    //! The file an include line names cannot be found by the file search.
    virtual void MissingInclude(const String& file, int32_t line, const String& name);
    //! A wave file or picture of an element built from this line cannot be loaded; reason
    //! says why when the file was found (empty when the file search found nothing).
    virtual void FileNotLoaded(const String& file, int32_t line, const String& what,
                               const String& name, const String& reason);
    //! A line starting with blanks and then a directive character: ignored, rarely meant.
    virtual void IndentedDirective(const String& file, int32_t line, const String& directive);
    //! A name this line uses (an action's target, a button's or a voice's name property)
    //! resolves to nothing in the loaded instrument; closest is a defined name within two
    //! edits of it, or empty.
    virtual void UnresolvedName(const String& file, int32_t line, const String& name,
                                const String& closest);
    //! A group ('{', panel false) or panel ('[') opened on this line is still open when its
    //! file ends.
    virtual void UnclosedBlock(const String& file, int32_t line, bool panel, const String& name);
    //! The rectangle of the element built from this line lies wholly outside the screen.
    virtual void OutsideScreen(const String& file, int32_t line, const String& name,
                               int32_t screenWidth, int32_t screenHeight);
    //! An element was built from this line and added to the instrument.
    virtual void ElementBuilt(Element& element, PanelElement* panel, const String& file,
                              int32_t line);
    //! A message the program shows its user ("Could not load: NAME" and a line feed).
    virtual void UserMessage(const String& text);
};

// Passes everything on to each listener added, in the order they were added.
class ListenerSet : public ParseListener {
  public:
    //! listener must stay alive until it is removed; adding one twice adds it once.
    void Add(ParseListener* listener);
    void Remove(ParseListener* listener);

    void SkippedLine(const String& file, int32_t line, const String& reason) override;
    void MissingInclude(const String& file, int32_t line, const String& name) override;
    void FileNotLoaded(const String& file, int32_t line, const String& what, const String& name,
                       const String& reason) override;
    void IndentedDirective(const String& file, int32_t line, const String& directive) override;
    void UnresolvedName(const String& file, int32_t line, const String& name,
                        const String& closest) override;
    void UnclosedBlock(const String& file, int32_t line, bool panel, const String& name) override;
    void OutsideScreen(const String& file, int32_t line, const String& name, int32_t screenWidth,
                       int32_t screenHeight) override;
    void ElementBuilt(Element& element, PanelElement* panel, const String& file,
                      int32_t line) override;
    void UserMessage(const String& text) override;

  private:
    std::vector<ParseListener*> listeners_;
};

// Adds a listener to a set for as long as it lives. A null listener adds nothing.
class ListenerScope {
  public:
    ListenerScope(ListenerSet& set, ParseListener* listener) : set_(set), listener_(listener) {
        if (listener_) set_.Add(listener_);
    }
    ~ListenerScope() {
        if (listener_) set_.Remove(listener_);
    }
    ListenerScope(const ListenerScope&) = delete;
    ListenerScope& operator=(const ListenerScope&) = delete;

  private:
    ListenerSet& set_;
    ParseListener* listener_;
};

}  // namespace chordlane
