#include "ui/import_export_commands.h"

#include "core/ift_option.h"
#include "core/codepage.h"
#include "core/formats/datum_info.h"
#include "core/formats/format_export.h"
#include "core/app/gpx_options.h"
#include "core/formats/format_import.h"
#include "core/formats/igc_import.h"
#include "core/formats/plain_text_format.h"
#include "render/code_page_text.h"
#include "ui/file_dialogs.h"
#include "ui/main_form.h"
#include "ui/map_window.h"
#include "ui/tfrm_igc_span.h"
#include "ui/work_runner.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>

#include <ctime>
#include <exception>
#include <iterator>

namespace nuvrel::ui {

namespace {

constexpr ImportExportCommand kCommands[] = {
    {"Textfile1", false, "text", DataKind::Track, "Read Track from Text file", "*.txt", "TXT file|*.txt|All files|*.*"},
    {"POTfile1", false, "pot", DataKind::Track, "Read Track from POT file", "*.pot", "POT file|*.pot|All files|*.*"},
    {"fromLogfile1", false, "proatlas", DataKind::Track, "Read Track from Pro Atlas Log file", "*.log",
     "Log file|*.log|All files|*.*"},
    {"fromNMEAfile1", false, "nmea", DataKind::Track, "Read Track from NMEA file", "*.nme",
     "NMEA file|*.nme|All files|*.*"},
    {"Textfile2", false, "text", DataKind::Waypoints, "Read Waypoint from Text file", "*.txt",
     "Text file|*.txt|All files|*.*"},
    {"POTfile2", false, "pot", DataKind::Waypoints, "Read Waypoint from POT file", "*.pot",
     "POT file|*.pot|All files|*.*"},
    {"fromProAtlasfile1", false, "proatlas", DataKind::Waypoints, "Read Waypoint from Pro Atlas file", "*.csv",
     "CSV file|*.csv|All files|*.*"},
    {"fromPOTfile1", false, "pot", DataKind::Routes, "Read Route from POT file", "*.pot",
     "POT file|*.pot|All files|*.*"},
    {"Textfile3", true, "text", DataKind::Track, "Save As Text", "*.txt", "Text file|*.txt|All files|*.*"},
    {"toPOTfile1", true, "pot", DataKind::Track, "Save As POT", "*.pot", "POT file|*.pot|All files|*.*|"},
    {"toProAtlasfile1", true, "proatlas", DataKind::Track, "Save Track for Pro Atlas", "*.log",
     "Log file|*.log|All files|*.*"},
    {"toPCX5file1", true, "pcx5", DataKind::Track, "Save As trk", "*.trk", "TRK file|*.trk|All files|*.*|"},
    {"Textfile4", true, "text", DataKind::Waypoints, "Save As Text", "*.txt", "Text file|*.txt|All files|*.*"},
    {"toPOTfile2", true, "pot", DataKind::Waypoints, "Save As POT", "*.pot", "POT file|*.pot|All files|*.*|"},
    {"toProAtlasfile2", true, "proatlas", DataKind::Waypoints, "Save Waypoint for Pro Atlas", "*.csv",
     "CSV file|*.csv|All files|*.*"},
    {"toPCX5file2", true, "pcx5", DataKind::Waypoints, "Save As WPT", "*.wpt", "WPT file|*.wpt|All files|*.*|"},
    {"toPOTfile3", true, "pot", DataKind::Routes, "Save As POT", "*.pot", "POT file|*.pot|All files|*.*|"},
    {"toPCX5file3", true, "pcx5", DataKind::Routes, "Save As RTE", "*.rte", "RTE file|*.rte|All files|*.*|"},
    {"fromIGCfile1", false, "igc", DataKind::Track, "Read IGC flight logs", "*.igc", "IGC file|*.igc|All files|*.*"},
    {"fromGPXfile1", false, "gpx", DataKind::Track, "Read GPX file", "*.gpx", "GPX file|*.gpx|All files|*.*", true},
    {"toGPXfile1", true, "gpx", DataKind::Track, "Save As GPX", "*.gpx", "GPX file|*.gpx|All files|*.*", true},
    {"toIGCfile1", true, "igc", DataKind::Track, "Save Flight As IGC", "*.igc", "IGC file|*.igc|All files|*.*"},
    {"toKMLfile1", true, "kml", DataKind::Track, "Save As KML", "*.kml", "KML file|*.kml|All files|*.*"},
};

// The default suffix of a save dialog: the extension of its initial name.
QString suffixOf(const char* fileName) {
    const QString name = QString::fromLatin1(fileName);
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot + 1);
}

bool hasSomethingToExport(TMainForm& form, const ImportExportCommand& command) {
    if (command.everyKind) {
        for (const CRouteField::Route& r : form.routes().routes())
            if (!r.entries.empty())
                return true;
        return form.data().track() || form.data().waypoints();
    }
    switch (command.kind) {
    case DataKind::Track:
        return form.data().track() != nullptr;
    case DataKind::Waypoints:
        return form.data().waypoints() != nullptr;
    case DataKind::Routes:
        return true; // the route store lives for the whole run
    }
    return false;
}

// Shows the imported data: a view fitted to it when no map is loaded.
void showImported(TMainForm& form) {
    MapWindow& map = form.mapWindow();
    if (!map.HasValidMap()) {
        map.FillBackground();
        map.FitViewToData();
    }
    map.RedrawAll();
    map.Refresh();
    form.followData();
}

// For an IGC export of a log with several flights or segments, asks which
// one to write; false when the pilot cancels.
bool chooseIgcPart(TMainForm& form, IgcChoice& part) {
    const IFTGarminTrack& track = *form.data().track();
    std::vector<IgcChoice> choices = igcChoices(track, datumInfoFor(form.options().DatumName()).name);
    if (choices.empty())
        return true;
    TfrmIgcSpan dialog(track, std::move(choices), form.data().timeOffset(), &form);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    part = dialog.chosen();
    return true;
}

void runCommand(TMainForm& form, const ImportExportCommand& command) {
    if (command.isExport && !hasSomethingToExport(form, command))
        return;
    const FormatDescriptor* format = findFormat(command.format);
    IgcChoice igcPart;
    if (command.isExport && format && format->id == FormatId::Igc && !chooseIgcPart(form, igcPart))
        return;
    FileDialogSpec spec;
    spec.title = QString::fromLatin1(command.title);
    spec.fileName = QString::fromLatin1(command.fileName);
    spec.filter = QString::fromLatin1(command.filter);
    spec.folderValue = QString::fromLatin1(kDataFolderValue);
    spec.save = command.isExport;
    if (command.isExport)
        spec.defaultSuffix = suffixOf(command.fileName);
    if (!command.isExport && format && format->id == FormatId::Igc) {
        RunIgcImport(form, chooseFiles(&form, form.options(), spec));
        return;
    }
    const QString path = chooseFile(&form, form.options(), spec);
    RunImportExport(form, command, path, igcPart);
}

} // namespace

const ImportExportCommand* importExportCommands(int& count) {
    count = static_cast<int>(std::size(kCommands));
    return kCommands;
}

void RunImportExport(TMainForm& form, const ImportExportCommand& command, const QString& path,
                     const IgcChoice& igcPart) {
    if (path.isEmpty())
        return;
    const FormatDescriptor* format = findFormat(command.format);
    if (!format)
        return;
    const std::string file = path.toStdString();
    UserPrompts& prompts = form.data().context().prompts;
    if (!command.isExport && format->id == FormatId::Igc) {
        RunIgcImport(form, QStringList{path});
        return;
    }
    if (!command.isExport) {
        // A failed import leaves the data, and so the picture, as it was.
        bool changed = false;
        TextConversion converted = TextConversion::None;
        if (command.everyKind)
            changed = ImportGpx(form.data(), form.routes(), file, GpxKinds{}, gpxSettingsFrom(form.options()))
                          .error.empty();
        else if (command.kind == DataKind::Track)
            changed = ImportTrack(form.data(), format->trackKind, file, nullptr, nullptr, &converted);
        else if (command.kind == DataKind::Waypoints)
            changed = ImportWaypoints(form.data(), format->waypointKind, file, nullptr, &converted);
        else
            changed = ImportPotRoutes(form.routes(), file, prompts, nullptr, &converted) > 0;
        if (changed)
            showImported(form);
        // A file whose characters changed on the way in is a warning; a
        // conversion alone is a notice.
        if (converted.changed)
            prompts.showMessage("Warning", conversionNote(converted) + ": " + QFileInfo(path).fileName().toStdString());
        else if (!conversionNote(converted).empty())
            form.showNotice(QString::fromStdString(conversionNote(converted)) + QStringLiteral(": ") +
                            QFileInfo(path).fileName());
        return;
    }
    ExportSettings settings;
    settings.dms = form.options().TextCoordinateFormat() == kTextFormatDMS;
    settings.datum = datumInfoFor(form.options().DatumName());
    settings.now = static_cast<std::int64_t>(std::time(nullptr));
    settings.productId = form.options().GPSModelID();
    settings.softwareVersion = form.options().GPSSoftwareVersion();
    const IFTOption& o = form.options();
    settings.igc = IgcHeader{o.PilotName(), o.GliderType(), o.GliderID(), o.GPSModel()};
    settings.igcSpan = igcPart.span;
    settings.igcNumber = igcPart.number;
    settings.kml = KmlStyle{o.PenColor(), o.PenWidth(), activeCodePage()};
    const ExportSource source{&form.data(), &form.routes()};
    const ExportResult result = command.everyKind ? exportGpxFile(file, GpxKinds{}, source, settings)
                                                  : exportFile(file, *format, command.kind, source, settings);
    if (result == ExportResult::CantCreate)
        prompts.showMessage("Error", "Cannot write " + render::toCodePage(path));
}

void RunIgcImport(TMainForm& form, const QStringList& paths) {
    if (paths.isEmpty())
        return;
    std::vector<std::string> files;
    for (const QString& p : paths)
        files.push_back(p.toStdString());
    const IgcImport read = ImportIgc(form.data(), files, datumInfoFor(form.options().DatumName()).name);
    if (!read.error.empty())
        return; // reported; the data is as it was
    showImported(form);
    form.showNotice(QStringLiteral("IGC: %1 fixes in %2 segment%3")
                        .arg(read.points)
                        .arg(read.segments)
                        .arg(read.segments == 1 ? QString() : QStringLiteral("s")) +
                    (read.notes.size() > 1 ? QStringLiteral("; ") + QString::fromStdString(read.notes[1])
                                           : QString()));
}

void InstallImportExportCommands(TMainForm& form) {
    for (const ImportExportCommand& command : kCommands) {
        QAction* action = form.command(QString::fromLatin1(command.objectName));
        if (!action)
            continue;
        action->setEnabled(true);
        QObject::connect(action, &QAction::triggered, &form, [&form, &command] {
            try {
                runCommand(form, command);
            } catch (const std::exception& e) {
                CursorAside aside;
                QMessageBox::critical(&form, QApplication::applicationName(), render::fromCodePage(e.what()));
            }
        });
    }
}

} // namespace nuvrel::ui
