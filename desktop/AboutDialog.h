#pragma once
#include <QDialog>

class QLabel;

namespace chordlane {

// Help -> About Chordlane: the program's icon, name and version.
class AboutDialog : public QDialog {
  public:
    explicit AboutDialog(QWidget* parent = nullptr);

    QLabel* VersionLabel() const { return version_; }
    QLabel* SecondLabel() const { return second_; }
    QLabel* IconLabel() const { return icon_; }

  private:
    QLabel* icon_;
    QLabel* version_;
    QLabel* second_;
};

}  // namespace chordlane
