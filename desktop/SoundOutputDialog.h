#pragma once
#include <QDialog>
#include <vector>

#include "app/SoundOutputSettings.h"
#include "platform/portaudio/PortAudioOutput.h"

class QComboBox;

namespace chordlane {

// Options -> Sound Output...: the output device, among those PortAudio offers under each
// host API (JACK's where a JACK server runs), and the buffer size.
class SoundOutputDialog : public QDialog {
  public:
    SoundOutputDialog(QWidget* parent, const std::vector<AudioDeviceInfo>& devices,
                      const SoundOutputChoice& current);

    //! What is selected now.
    SoundOutputChoice Choice() const;
    QComboBox* Devices() const { return devices_; }
    QComboBox* Buffers() const { return buffers_; }

  private:
    QComboBox* devices_ = nullptr;
    QComboBox* buffers_ = nullptr;
};

}  // namespace chordlane
