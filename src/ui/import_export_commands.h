// File > Import and File > Export: every command of those menus with its
// dialog (title, default name, filter, remembered folder) and its work, in
// one table. The main window calls InstallImportExportCommands once.
#pragma once

#include "core/formats/format_registry.h"
#include "core/formats/igc_format.h"

#include <QString>
#include <QStringList>

namespace nuvrel::ui {

class TMainForm;

struct ImportExportCommand {
    const char* objectName; // the menu item ("Textfile1", "toPCX5file3", ...)
    bool isExport;
    const char* format;     // name in the format table
    DataKind kind;
    const char* title;      // dialog title
    const char* fileName;   // initial name
    const char* filter;     // "Name|*.ext|All files|*.*"
    bool everyKind = false; // GPX: the track, the waypoints and the routes in one file
};

// The table of the commands, in menu order.
const ImportExportCommand* importExportCommands(int& count);

// Enables the Import and Export items of the form's menus and connects each
// one to its work.
void InstallImportExportCommands(TMainForm& form);

// The work of one command with the file already chosen (the tests call it
// directly); path empty means the dialog was cancelled. An IGC export writes
// the part of the track log that igcPart names.
void RunImportExport(TMainForm& form, const ImportExportCommand& command, const QString& path,
                     const IgcChoice& igcPart = {});

// Reads IGC flight logs into the track log, several as its segments (see
// ImportIgc); an empty list does nothing.
void RunIgcImport(TMainForm& form, const QStringList& paths);

} // namespace nuvrel::ui
