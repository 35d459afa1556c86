#pragma once
#include "platform/MessageBox.h"

class QWidget;

namespace chordlane {

// The stop message box over QMessageBox: critical icon, no caption, one OK button, modal on
// the window that holds the parent and centred over it.
class QtMessageBox : public MessageBox {
  public:
    explicit QtMessageBox(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }

    void ShowStop(const String& text) override;

  private:
    QWidget* parent_;
};

}  // namespace chordlane
