#include "platform/qt/QtSettingsStore.h"

#include <QSettings>
#include <QStandardPaths>

namespace chordlane {

namespace {

QString ToQString(const String& text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

String FromQString(const QString& text) {
    return String(reinterpret_cast<const char16_t*>(text.utf16()),
                  static_cast<size_t>(text.size()));
}

// A name as one QSettings key level. QSettings gives '/' and '\' a meaning of their own,
// so they are written as %2F and %5C, and '%' itself as %25 to keep the mapping one to
// one. The unnamed default value is "@", and a value really named "@" becomes %40.
QString EncodeName(const String& name) {
    if (name.empty()) return QStringLiteral("@");
    QString out;
    for (char16_t c : name) {
        switch (c) {
            case u'%':
                out += QStringLiteral("%25");
                break;
            case u'/':
                out += QStringLiteral("%2F");
                break;
            case u'\\':
                out += QStringLiteral("%5C");
                break;
            default:
                out += QChar(c);
                break;
        }
    }
    if (out == QStringLiteral("@")) return QStringLiteral("%40");
    return out;
}

QString RootGroup(SettingsRoot root) {
    switch (root) {
        case SettingsRoot::LocalMachine:
            return QStringLiteral("LocalMachine");
        case SettingsRoot::CurrentUser:
            return QStringLiteral("CurrentUser");
        case SettingsRoot::ClassesRoot:
            return QStringLiteral("ClassesRoot");
    }
    return QStringLiteral("CurrentUser");
}

// The key's group: the root, then one level per key name. Empty key names (a doubled or
// trailing backslash) name no level, as the registry ignores them too.
QString KeyGroup(SettingsRoot root, const String& path) {
    QString group = RootGroup(root);
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find(u'\\', start);
        if (end == String::npos) end = path.size();
        if (end > start) group += u'/' + EncodeName(path.substr(start, end - start));
        start = end + 1;
    }
    return group;
}

class QtSettingsKey : public SettingsKey {
  public:
    QtSettingsKey(std::shared_ptr<QSettings> settings, QString group)
        : settings_(std::move(settings)), group_(std::move(group)) {}

    std::optional<String> ReadString(const String& name, size_t maxBytes) override {
        const QVariant value = settings_->value(Key(name));
        if (!value.isValid()) return std::nullopt;
        const String text = FromQString(Text(value));
        // The registry refuses a value that does not fit the caller's buffer.
        if (text.size() >= maxBytes / 2) return std::nullopt;
        return text;
    }

    std::optional<uint32_t> ReadNumber(const String& name) override {
        const QVariant value = settings_->value(Key(name));
        if (!value.isValid()) return std::nullopt;
        bool ok = false;
        const uint number = Text(value).trimmed().toUInt(&ok, 10);
        if (!ok) return std::nullopt;
        return static_cast<uint32_t>(number);
    }

    bool WriteString(const String& name, const String& value) override {
        settings_->setValue(Key(name), ToQString(value));
        return Sync();
    }

    bool WriteNumber(const String& name, uint32_t value) override {
        settings_->setValue(Key(name), QString::number(value));
        return Sync();
    }

  private:
    // An unquoted value with commas, written by hand, reads back from the INI file as a
    // list; it is still the one text that was written.
    static QString Text(const QVariant& value) {
        if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(u',');
        return value.toString();
    }

    QString Key(const String& name) const { return group_ + u'/' + EncodeName(name); }

    // Written at once, so another run (or the user's editor) sees the value.
    bool Sync() {
        settings_->sync();
        return settings_->status() == QSettings::NoError;
    }

    // Shared, so a key stays usable after the store object that opened it is gone.
    std::shared_ptr<QSettings> settings_;
    QString group_;
};

}  // namespace

QtSettingsStore::QtSettingsStore() : QtSettingsStore(DefaultFileName()) {}

QtSettingsStore::QtSettingsStore(const QString& fileName)
    : settings_(std::make_shared<QSettings>(fileName, QSettings::IniFormat)) {}

QtSettingsStore::~QtSettingsStore() = default;

QString QtSettingsStore::DefaultFileName() {
    // Asked each time rather than left to QSettings, which fixes its folders on first use.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Chordlane/Chordlane.ini");
}

QString QtSettingsStore::FileName() const { return settings_->fileName(); }

std::unique_ptr<SettingsKey> QtSettingsStore::CreateKey(SettingsRoot root, const String& path) {
    return std::make_unique<QtSettingsKey>(settings_, KeyGroup(root, path));
}

}  // namespace chordlane
