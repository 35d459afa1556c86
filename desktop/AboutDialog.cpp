#include "desktop/AboutDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>

#include "desktop/ProgramIcon.h"

namespace chordlane {

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent),
      icon_(new QLabel(this)),
      version_(new QLabel(this)),
      second_(new QLabel(this)) {
    setWindowTitle(QStringLiteral("About Chordlane"));
    setModal(true);
    icon_->setPixmap(ProgramIcon().pixmap(32, 32));
    icon_->setFixedSize(32, 32);
    // Plain text: no mnemonics, no markup, whatever the texts hold.
    version_->setTextFormat(Qt::PlainText);
    version_->setText(QStringLiteral("Chordlane Version " CHORDLANE_VERSION));
    second_->setTextFormat(Qt::PlainText);
    second_->setText(QStringLiteral("Tap or strum the screen to play."));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->addWidget(icon_, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(version_, 0, 1);
    layout->addWidget(second_, 1, 1);
    layout->addWidget(buttons, 2, 0, 1, 2);
    layout->setHorizontalSpacing(16);
}

}  // namespace chordlane
