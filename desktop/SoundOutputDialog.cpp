#include "desktop/SoundOutputDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>

#include "platform/qt/QtStringConversion.h"

namespace chordlane {

SoundOutputDialog::SoundOutputDialog(QWidget* parent, const std::vector<AudioDeviceInfo>& devices,
                                     const SoundOutputChoice& current)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Sound Output"));
    devices_ = new QComboBox(this);
    devices_->addItem(QStringLiteral("Default device"), QString());
    for (const AudioDeviceInfo& d : devices) {
        const QString label = QString::fromStdString(d.Label());
        devices_->addItem(d.isDefault ? label + QStringLiteral(" (default)") : label, label);
    }
    const QString chosen = ToQString(current.device);
    int index = devices_->findData(chosen);
    if (index < 0 && !chosen.isEmpty()) {
        // A remembered device that is not there now stays selectable, marked, so that
        // pressing OK does not quietly forget it.
        devices_->addItem(chosen + QStringLiteral(" (not found)"), chosen);
        index = devices_->count() - 1;
    }
    devices_->setCurrentIndex(std::max(index, 0));

    buffers_ = new QComboBox(this);
    for (uint32_t frames = MIN_BUFFER_FRAMES; frames <= MAX_BUFFER_FRAMES; frames *= 2)
        buffers_->addItem(QStringLiteral("%1 frames").arg(frames), frames);
    buffers_->setCurrentIndex(std::max(buffers_->findData(current.bufferFrames),
                                       buffers_->findData(DEFAULT_BUFFER_FRAMES)));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QFormLayout(this);
    layout->addRow(QStringLiteral("&Device:"), devices_);
    layout->addRow(QStringLiteral("&Buffer:"), buffers_);
    layout->addRow(new QLabel(
        QStringLiteral(
            "Smaller buffers sound sooner after a tap; a busy machine may then stutter."),
        this));
    layout->addRow(buttons);
}

SoundOutputChoice SoundOutputDialog::Choice() const {
    SoundOutputChoice choice;
    choice.device = FromQString(devices_->currentData().toString());
    choice.bufferFrames = buffers_->currentData().toUInt();
    return choice;
}

}  // namespace chordlane
