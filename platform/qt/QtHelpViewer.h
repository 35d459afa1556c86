#pragma once
#include <QUrl>
#include <functional>

#include "platform/HelpViewer.h"

namespace chordlane {

// Opens the help document of the program folder in the desktop's browser.
class QtHelpViewer : public HelpViewer {
public:
    using UrlOpener = std::function<bool(const QUrl&)>;

    //! The opener defaults to QDesktopServices::openUrl.
    explicit QtHelpViewer(UrlOpener opener = {});
    void SetProgramFolder(const String& folder) { programFolder_ = folder; }

    bool Open(const String& document) override;

private:
    UrlOpener opener_;
    String programFolder_;
};

}  // namespace chordlane
