#include "desktop/LibraryDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace chordlane {

namespace {

// The combo box's entries, in the order of ImportLayout.
constexpr ImportLayout kLayouts[] = {ImportLayout::Keyboard, ImportLayout::Pads,
                                     ImportLayout::Strummer};

int LayoutIndex(ImportLayout layout) {
    for (int i = 0; i < 3; ++i)
        if (kLayouts[i] == layout) return i;
    return 0;
}

}  // namespace

QString LibraryDialog::PresetLabel(const LibraryPreset& preset) {
    return QStringLiteral("%1:%2 %3")
        .arg(preset.bank)
        .arg(preset.program)
        .arg(QString::fromStdString(preset.name));
}

LibraryDialog::LibraryDialog(const QString& libraryName, std::vector<LibraryPreset> presets,
                             std::function<bool(const LibraryPreset&)> isPercussion,
                             size_t selected, QWidget* parent)
    : QDialog(parent),
      presets_(std::move(presets)),
      isPercussion_(std::move(isPercussion)),
      list_(new QListWidget(this)),
      layout_(new QComboBox(this)) {
    setObjectName(QStringLiteral("LibraryDialog"));
    setWindowTitle(QStringLiteral("Open a Sound Library"));
    setModal(true);
    auto* heading = new QLabel(QStringLiteral("&Preset of %1:").arg(libraryName), this);
    heading->setTextFormat(Qt::PlainText);
    heading->setBuddy(list_);
    list_->setObjectName(QStringLiteral("presets"));
    for (const LibraryPreset& preset : presets_) list_->addItem(PresetLabel(preset));
    layout_->setObjectName(QStringLiteral("layout"));
    layout_->addItem(QStringLiteral("Keyboard"));
    layout_->addItem(QStringLiteral("Pads"));
    layout_->addItem(QStringLiteral("Strummer"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&Import"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(list_, &QListWidget::currentRowChanged, this, [this] { FollowPreset(); });
    connect(layout_, &QComboBox::activated, this, [this] { layoutPicked_ = true; });

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Layout:"), layout_);
    auto* column = new QVBoxLayout(this);
    column->addWidget(heading);
    column->addWidget(list_);
    column->addLayout(form);
    column->addWidget(buttons);

    if (!presets_.empty())
        list_->setCurrentRow(static_cast<int>(std::min(selected, presets_.size() - 1)));
    FollowPreset();
}

void LibraryDialog::FollowPreset() {
    if (layoutPicked_ || list_->currentRow() < 0) return;
    const bool percussion = isPercussion_ && isPercussion_(Preset());
    layout_->setCurrentIndex(LayoutIndex(percussion ? ImportLayout::Pads : ImportLayout::Keyboard));
}

const LibraryPreset& LibraryDialog::Preset() const {
    const int row = std::max(list_->currentRow(), 0);
    return presets_.at(static_cast<size_t>(row));
}

ImportLayout LibraryDialog::Layout() const {
    return kLayouts[std::clamp(layout_->currentIndex(), 0, 2)];
}

}  // namespace chordlane
