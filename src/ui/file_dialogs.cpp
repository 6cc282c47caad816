#include "ui/file_dialogs.h"

#include "core/ift_option.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

namespace nuvrel::ui {

QString qtFilterFromPairs(const QString& pairs) {
    const QStringList parts = pairs.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // "*.*" means every file on the system this format comes from.
        if (patterns == QLatin1String("*.*"))
            patterns = QStringLiteral("*");
        filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
    }
    return filters.join(QStringLiteral(";;"));
}

namespace {

QStringList runDialog(QWidget* parent, IFTOption& options, const FileDialogSpec& spec, bool several) {
    QFileDialog dialog(parent, spec.title);
    dialog.setObjectName(QString::fromLatin1(kFileDialogName));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(spec.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(spec.save ? QFileDialog::AnyFile : several ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    dialog.setNameFilter(qtFilterFromPairs(spec.filter));
    if (!spec.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(spec.defaultSuffix);
    if (!spec.folderValue.isEmpty()) {
        const std::string folder = options.folderMemory(spec.folderValue.toStdString());
        if (!folder.empty())
            dialog.setDirectory(QString::fromStdString(folder));
    }
    if (!spec.fileName.isEmpty() && !spec.fileName.contains(QLatin1Char('*')))
        dialog.selectFile(spec.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QStringList paths = dialog.selectedFiles();
    if (!spec.folderValue.isEmpty())
        options.rememberFolder(spec.folderValue.toStdString(), FolderOf(paths.first().toStdString()));
    return paths;
}

} // namespace

QString chooseFile(QWidget* parent, IFTOption& options, const FileDialogSpec& spec) {
    const QStringList paths = runDialog(parent, options, spec, false);
    return paths.isEmpty() ? QString() : paths.first();
}

QStringList chooseFiles(QWidget* parent, IFTOption& options, const FileDialogSpec& spec) {
    return runDialog(parent, options, spec, true);
}

} // namespace nuvrel::ui
