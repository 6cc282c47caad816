// File > "&Print..." and File > "Sa&ve Image As...": the page with the map,
// the data and the track summary on the chosen printer, and the map picture
// as it stands on the screen written to a bitmap file.
#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <string>

class QImage;
class QPrinter;
class QWidget;

namespace nuvrel {
class IFTGarminData;
class IFTOption;
class Progress;
class UserPrompts;
} // namespace nuvrel

namespace nuvrel::ui {

class MapWindow;

// The printer of the run: created on first use and kept, so that the choices
// made in the print dialog stay for the next print.
class PrintSetup {
public:
    PrintSetup();
    ~PrintSetup();
    QPrinter& printer();

    // Shows the print dialog for the printer; false when it is cancelled.
    // Tests replace it (to print to a PDF file without a dialog).
    std::function<bool(QWidget* parent, QPrinter& printer)> askPrinter;

private:
    std::unique_ptr<QPrinter> printer_;
};

struct PrintServices {
    QWidget* parent;
    MapWindow& map;
    const IFTGarminData& data;
    const IFTOption& option;
    UserPrompts& prompts;
    Progress& progress;
    PrintSetup& setup;
};

// The print command. Without a map and without a fitted view: error 5. The
// screen picture is left as it is. False when nothing was printed.
bool PrintMap(const PrintServices& services);

// The image export's dialog: title "Save Image", initial name "*.bmp",
// filter "Bitmap|*.bmp|All files|*.*", the data files' folder, ".bmp" added
// to a name without an extension.
QString chooseImageFile(QWidget* parent, IFTOption& option);

// Writes the picture as a 24-bit Windows bitmap (a safe save); an empty
// text, or why the file can't be written.
std::string SaveMapImage(const QImage& image, const QString& path);

} // namespace nuvrel::ui
