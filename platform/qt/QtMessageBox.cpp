#include "platform/qt/QtMessageBox.h"

#include <QMessageBox>
#include <QWidget>

#include "platform/qt/QtStringConversion.h"
#include "platform/qt/QtWindow.h"

namespace chordlane {

void QtMessageBox::ShowStop(const String& text) {
    QString shown = ToQString(text);
    // The program's messages end in a line feed, which would show as an empty last line.
    if (shown.endsWith(QLatin1Char('\n'))) shown.chop(1);
    QMessageBox box(QMessageBox::Critical, QString(), shown, QMessageBox::Ok,
                    parent_ ? parent_->window() : nullptr);
    CentreOverWindow(box, parent_);
    box.raise();
    box.activateWindow();
    box.exec();
}

}  // namespace chordlane
