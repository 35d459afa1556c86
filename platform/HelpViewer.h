#pragma once
#include "platform/Types.h"

namespace chordlane {

// Opens the help document in the platform's viewer.
class HelpViewer {
  public:
    virtual ~HelpViewer() = default;
    //! Opens the named document of the program folder; answers whether a viewer started.
    virtual bool Open(const String& document) = 0;
};

}  // namespace chordlane
