#include "platform/qsettings_store.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

namespace nuvrel {

namespace {

struct KeyPath {
    QString organisation;
    QString application;
    QString group;
};

bool splitPath(const std::string& path, KeyPath& out) {
    const QStringList parts = QString::fromStdString(path).split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (parts.size() < 3)
        return false;
    out.organisation = parts[1];
    out.application = parts[2];
    out.group = parts.mid(3).join(QLatin1Char('/'));
    return true;
}

class QSettingsKey final : public SettingsKey {
public:
    explicit QSettingsKey(const KeyPath& k)
        : settings_(QSettings::NativeFormat, QSettings::UserScope, k.organisation, k.application) {
        if (!k.group.isEmpty())
            settings_.beginGroup(k.group);
    }
    ~QSettingsKey() override { settings_.sync(); }

    std::optional<std::string> readString(const std::string& name) override {
        const QVariant v = settings_.value(QString::fromStdString(name));
        if (!v.isValid() || v.typeId() == QMetaType::QStringList)
            return std::nullopt;
        return v.toString().toStdString();
    }
    std::optional<std::int32_t> readInt(const std::string& name) override {
        const QVariant v = settings_.value(QString::fromStdString(name));
        if (!v.isValid())
            return std::nullopt;
        bool ok = false;
        // Decimal, leading zeros and all ("010" is 10); "0x" marks hexadecimal.
        const QString text = v.toString().trimmed();
        const bool hex = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ||
                         text.startsWith(QLatin1String("-0x"), Qt::CaseInsensitive);
        const qlonglong n = text.toLongLong(&ok, hex ? 16 : 10);
        if (!ok || n < INT32_MIN || n > INT32_MAX)
            return std::nullopt;
        return static_cast<std::int32_t>(n);
    }
    bool writeString(const std::string& name, const std::string& value) override {
        settings_.setValue(QString::fromStdString(name), QString::fromStdString(value));
        return settings_.status() == QSettings::NoError;
    }
    bool writeInt(const std::string& name, std::int32_t value) override {
        settings_.setValue(QString::fromStdString(name), value);
        return settings_.status() == QSettings::NoError;
    }

private:
    QSettings settings_;
};

} // namespace

std::string QSettingsStore::fileFor(const std::string& path) {
    KeyPath k;
    if (!splitPath(path, k))
        return {};
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, k.organisation, k.application)
        .fileName()
        .toStdString();
}

std::unique_ptr<SettingsKey> QSettingsStore::openKey(const std::string& path, bool create) {
    KeyPath k;
    if (!splitPath(path, k))
        return nullptr;
    const QString file = QString::fromStdString(fileFor(path));
    if (!QFileInfo::exists(file)) {
        if (!create)
            return nullptr;
        // Create the file now so that the key exists from here on.
        if (!QDir().mkpath(QFileInfo(file).absolutePath()))
            return nullptr;
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly))
            return nullptr;
    }
    return std::make_unique<QSettingsKey>(k);
}

} // namespace nuvrel
