#pragma once
// What a loaded instrument lets pass in silence though its author rarely meant it: names its
// lines use that find nothing when played, and elements placed where the screen never shows
// them. It remembers the line of every element built while it listens, and tells the
// instrument's listeners once the instrument is active.

#include <cstdint>
#include <vector>

#include "language/ParseListener.h"
#include "platform/Types.h"

namespace chordlane {

class Element;
class Instrument;

class InstrumentLint : public ParseListener {
  public:
    void SkippedLine(const String& file, int32_t line, const String& reason) override;
    void ElementBuilt(Element& element, PanelElement* panel, const String& file,
                      int32_t line) override;

    //! Reports to instrument's listeners every unresolved name and every element wholly
    //! outside the screen among the elements built so far; call it after activation.
    void Report(Instrument& instrument) const;

  private:
    struct Built {
        Element* element;  // not owned: a member of the instrument's tree
        String file;
        int32_t line;
    };

    std::vector<Built> built_;
    // A sound line left out because its prompt went unanswered (the person's choice) would
    // have defined names no one can know, so no name is reported as resolving to nothing.
    bool promptNotAnswered_ = false;
};

}  // namespace chordlane
