#include "platform/desktop_help.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>

#include <cstdlib>

namespace nuvrel {

namespace {

std::string askDefaultHtmlHandler() {
    QProcess xdgMime;
    xdgMime.setProcessChannelMode(QProcess::SeparateChannels);
    xdgMime.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/html")});
    if (!xdgMime.waitForStarted(kXdgMimeTimeoutMs))
        return {};
    if (!xdgMime.waitForFinished(kXdgMimeTimeoutMs)) {
        xdgMime.kill();
        xdgMime.waitForFinished(1000);
        return {};
    }
    if (xdgMime.exitStatus() != QProcess::NormalExit || xdgMime.exitCode() != 0)
        return {};
    // The first line names the desktop entry.
    const QString out = QString::fromLocal8Bit(xdgMime.readAllStandardOutput());
    return out.section(QLatin1Char('\n'), 0, 0).trimmed().toStdString();
}

} // namespace

HelpEnvironment SystemHelpEnvironment(const std::string& programFolder) {
    HelpEnvironment env;
    env.defaultHtmlHandler = askDefaultHtmlHandler;
    env.environment = [](const std::string& name) -> std::optional<std::string> {
        if (const char* v = std::getenv(name.c_str()))
            return std::string(v);
        return std::nullopt;
    };
    env.readFile = [](const std::string& path) -> std::optional<std::string> {
        QFile file(QString::fromStdString(path));
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        return file.readAll().toStdString();
    };
    env.fileExists = [](const std::string& path) { return QFileInfo(QString::fromStdString(path)).isFile(); };
    env.startDetached = [](const std::vector<std::string>& argv) {
        if (argv.empty())
            return false;
        QStringList args;
        for (std::size_t i = 1; i < argv.size(); ++i)
            args << QString::fromStdString(argv[i]);
        return QProcess::startDetached(QString::fromStdString(argv[0]), args);
    };
    env.programFolder = programFolder;
    return env;
}

} // namespace nuvrel
