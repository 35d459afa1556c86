#pragma once
#include <QDialog>

#include "app/Settings.h"

class QCheckBox;
class QLabel;

namespace chordlane {

// Options -> MIDI Output: whether the notes played go to the MIDI port "Chordlane", and
// whether the program's own sound plays as well (off: strum a synthesiser or a DAW alone).
class MidiOutputDialog : public QDialog {
  public:
    //! choice is what is in effect; status says where the port is, or why it is closed.
    MidiOutputDialog(const MidiOutChoice& choice, const QString& status, QWidget* parent = nullptr);

    //! What the person chose.
    MidiOutChoice Choice() const;
    QCheckBox* SendBox() const { return send_; }
    QCheckBox* OwnSoundBox() const { return ownSound_; }

  private:
    QCheckBox* send_;
    QCheckBox* ownSound_;
    QLabel* status_;
};

}  // namespace chordlane
