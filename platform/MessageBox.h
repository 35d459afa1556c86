#pragma once
#include "platform/Types.h"

namespace chordlane {

// The platform's message box, owned by the main window: no caption, a stop icon, brought to
// the foreground. Modal: returns when the user has dismissed it.
class MessageBox {
  public:
    virtual ~MessageBox() = default;
    //! Shows text (which may end in a line feed) and waits for the user.
    virtual void ShowStop(const String& text) = 0;
};

}  // namespace chordlane
