#include "platform/qsettings_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStringList>

#include <vector>

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

// The comment lines of a settings file (";" or "#"), which QSettings drops
// whenever it writes the file: each block is kept with the line it stood
// before (a "[section]" or the name of a "name=value" line in its section),
// and put back there, or at the end when that line is gone.
class FileComments {
public:
    explicit FileComments(QString path) : path_(std::move(path)) {
        QFile f(path_);
        if (!f.open(QIODevice::ReadOnly))
            return;
        QStringList block;
        QString section;
        for (const QByteArray& raw : f.readAll().split('\n')) {
            const QString line = QString::fromUtf8(raw).trimmed();
            if (line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#'))) {
                block << QString::fromUtf8(raw).remove(QLatin1Char('\r'));
                continue;
            }
            if (line.isEmpty())
                continue;
            const QString anchor = anchorOf(line, section);
            if (line.startsWith(QLatin1Char('[')))
                section = line;
            if (!block.isEmpty())
                blocks_.push_back({anchor, block});
            block.clear();
        }
        if (!block.isEmpty())
            blocks_.push_back({QString(), block});
    }

    // Puts the comments back when the file lost them.
    void restore() const {
        if (blocks_.empty())
            return;
        QFile f(path_);
        if (!f.open(QIODevice::ReadOnly))
            return;
        const QList<QByteArray> lines = f.readAll().split('\n');
        f.close();
        for (const QByteArray& raw : lines)
            if (raw.trimmed().startsWith(';') || raw.trimmed().startsWith('#'))
                return; // not rewritten: still there
        std::vector<bool> placed(blocks_.size(), false);
        QByteArray out;
        QString section;
        for (int i = 0; i < lines.size(); ++i) {
            const QString line = QString::fromUtf8(lines[i]).trimmed();
            if (!line.isEmpty()) {
                const QString anchor = anchorOf(line, section);
                if (line.startsWith(QLatin1Char('[')))
                    section = line;
                for (std::size_t b = 0; b < blocks_.size(); ++b)
                    if (!placed[b] && !blocks_[b].anchor.isEmpty() && blocks_[b].anchor == anchor) {
                        for (const QString& c : blocks_[b].lines)
                            out += c.toUtf8() + '\n';
                        placed[b] = true;
                    }
            }
            out += lines[i];
            if (i + 1 < lines.size())
                out += '\n';
        }
        for (std::size_t b = 0; b < blocks_.size(); ++b)
            if (!placed[b]) {
                if (!out.isEmpty() && !out.endsWith('\n'))
                    out += '\n';
                for (const QString& c : blocks_[b].lines)
                    out += c.toUtf8() + '\n';
            }
        QSaveFile save(path_);
        if (save.open(QIODevice::WriteOnly) && save.write(out) == out.size())
            save.commit();
    }

private:
    static QString anchorOf(const QString& line, const QString& section) {
        if (line.startsWith(QLatin1Char('[')))
            return line;
        return section + QLatin1Char('\n') + line.section(QLatin1Char('='), 0, 0).trimmed();
    }

    struct Block {
        QString anchor;
        QStringList lines;
    };
    QString path_;
    std::vector<Block> blocks_;
};

class QSettingsKey final : public SettingsKey {
public:
    explicit QSettingsKey(const KeyPath& k)
        : settings_(QSettings::NativeFormat, QSettings::UserScope, k.organisation, k.application),
          comments_(settings_.fileName()) {
        if (!k.group.isEmpty())
            settings_.beginGroup(k.group);
    }
    ~QSettingsKey() override {
        settings_.sync();
        if (written_)
            comments_.restore();
    }

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
        written_ = true;
        settings_.setValue(QString::fromStdString(name), QString::fromStdString(value));
        return settings_.status() == QSettings::NoError;
    }
    bool writeInt(const std::string& name, std::int32_t value) override {
        written_ = true;
        settings_.setValue(QString::fromStdString(name), value);
        return settings_.status() == QSettings::NoError;
    }

private:
    QSettings settings_;
    FileComments comments_;
    bool written_ = false;
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
