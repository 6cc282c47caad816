#include "ui/print_commands.h"

#include "core/ift_option.h"
#include "core/data/ift_garmin_data.h"
#include "core/errors.h"
#include "render/image_file.h"
#include "render/map_canvas.h"
#include "render/print_page.h"
#include "ui/file_dialogs.h"
#include "ui/map_window.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

namespace nuvrel::ui {

PrintSetup::PrintSetup() = default;
PrintSetup::~PrintSetup() = default;

QPrinter& PrintSetup::printer() {
    if (!printer_)
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

bool PrintMap(const PrintServices& s) {
    render::MapCanvas& canvas = s.map.canvas();
    if (canvas.param().bitmap_height == 0) {
        ShowError(s.prompts, kErrLoadMapFirst);
        return false;
    }
    QPrinter& printer = s.setup.printer();
    const bool chosen = s.setup.askPrinter ? s.setup.askPrinter(s.parent, printer) : [&] {
        QPrintDialog dialog(&printer, s.parent);
        return dialog.exec() == QDialog::Accepted;
    }();
    if (!chosen)
        return false;

    s.progress.setTitle("Printing");
    s.progress.show();
    s.progress.repaint();
    struct HideProgress {
        Progress& progress;
        ~HideProgress() { progress.hide(); }
    } hideProgress{s.progress};

    printer.setDocName(QStringLiteral("NUVREL"));
    // Positions count from the paper's corner: the margins are the page's own.
    printer.setFullPage(true);

    // The map without the screen's drawings, apart from the screen picture.
    std::string unreadable;
    const render::PrintPageContent content = render::PrintContentOf(canvas, s.data, s.option, unreadable);
    if (!unreadable.empty())
        s.prompts.showMessage("Error", "The map can't be read again (" + unreadable +
                                           "): the page shows the data without it.");

    QPainter painter;
    if (!painter.begin(&printer)) {
        s.prompts.showMessage("Error", "Can't start printing" +
                                           (printer.outputFileName().isEmpty()
                                                ? std::string()
                                                : " to " + printer.outputFileName().toStdString()) +
                                           ".");
        return false;
    }
    render::PaintPrintPage(painter, render::pagedDevice(painter), content);
    painter.end();
    return true;
}

QString chooseImageFile(QWidget* parent, IFTOption& option) {
    FileDialogSpec spec;
    spec.title = QStringLiteral("Save Image");
    spec.fileName = QStringLiteral("*.bmp");
    spec.filter = QStringLiteral("Bitmap|*.bmp|All files|*.*");
    spec.folderValue = QString::fromLatin1(kDataFolderValue);
    spec.defaultSuffix = QStringLiteral("bmp");
    spec.save = true;
    return chooseFile(parent, option, spec);
}

std::string SaveMapImage(const QImage& image, const QString& path) {
    return render::SaveImageFile(image.convertToFormat(QImage::Format_RGB888), QFile::encodeName(path).toStdString(),
                                 "BMP");
}

} // namespace nuvrel::ui
