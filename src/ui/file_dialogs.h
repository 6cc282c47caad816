// The program's file dialogs: one place that turns a dialog's title, default
// name, filter and remembered folder into a Qt file dialog. Dialogs are Qt's
// own (not the desktop's), so every one can be driven by the tests.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace nuvrel {
class IFTOption;
}

namespace nuvrel::ui {

struct FileDialogSpec {
    QString title;
    QString fileName;        // initial name, e.g. "*.nvl"
    QString filter;          // "Name|*.ext|All files|*.*"
    QString folderValue;     // settings value remembering the folder ("nuvreldata", "mappath"), or empty
    QString defaultSuffix;   // added to a typed name without one, e.g. "nvl"
    bool save = false;       // save dialog (asks before overwriting)
};

// Shows the dialog; returns the chosen path, or an empty string when cancelled.
// When the settings key exists, the folder is taken from and written back to
// spec.folderValue.
QString chooseFile(QWidget* parent, IFTOption& options, const FileDialogSpec& spec);

// An open dialog in which several files can be chosen; the paths in the
// dialog's order, or an empty list when cancelled.
QStringList chooseFiles(QWidget* parent, IFTOption& options, const FileDialogSpec& spec);

// "NUVREL file|*.nvl|All files|*.*" -> "NUVREL file (*.nvl);;All files (*)".
QString qtFilterFromPairs(const QString& pairs);

// Object name of every file dialog the program opens (tests look for it).
inline constexpr const char* kFileDialogName = "nuvrelFileDialog";

} // namespace nuvrel::ui
