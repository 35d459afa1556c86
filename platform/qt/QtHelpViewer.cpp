#include "platform/qt/QtHelpViewer.h"

#include <QDesktopServices>
#include <QFileInfo>

#include "platform/qt/QtStringConversion.h"

namespace chordlane {

QtHelpViewer::QtHelpViewer(UrlOpener opener) : opener_(std::move(opener)) {
    if (!opener_) opener_ = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

bool QtHelpViewer::Open(const String& document) {
    // Folder strings keep their trailing separator: the name is appended as it is.
    const QString path = ToQString(programFolder_ + document);
    const QFileInfo info(path);
    if (!info.isFile()) return false;
    return opener_(QUrl::fromLocalFile(info.absoluteFilePath()));
}

}  // namespace chordlane
