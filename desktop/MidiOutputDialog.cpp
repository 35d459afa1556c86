#include "desktop/MidiOutputDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace chordlane {

MidiOutputDialog::MidiOutputDialog(const MidiOutChoice& choice, const QString& status,
                                   QWidget* parent)
    : QDialog(parent),
      send_(new QCheckBox(QStringLiteral("&Send the notes to the MIDI port \"Chordlane\""), this)),
      ownSound_(new QCheckBox(QStringLiteral("&Play Chordlane's own sound as well"), this)),
      status_(new QLabel(this)) {
    setWindowTitle(QStringLiteral("MIDI Output"));
    setModal(true);
    send_->setChecked(choice.on);
    ownSound_->setChecked(choice.ownSound);
    // Without the port the own sound always plays: the choice only matters with it.
    ownSound_->setEnabled(choice.on);
    connect(send_, &QCheckBox::toggled, ownSound_, &QWidget::setEnabled);
    status_->setTextFormat(Qt::PlainText);
    status_->setWordWrap(true);
    status_->setText(status);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(send_);
    layout->addWidget(ownSound_);
    layout->addWidget(status_);
    layout->addWidget(buttons);
}

MidiOutChoice MidiOutputDialog::Choice() const {
    return {.on = send_->isChecked(), .ownSound = ownSound_->isChecked()};
}

}  // namespace chordlane
