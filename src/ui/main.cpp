// The composition root: builds the platform services and the main window.
#include "core/ift_option.h"
#include "core/app/start_arguments.h"
#include "core/codepage.h"
#include "core/time_zone.h"
#include "platform/qsettings_store.h"
#include "ui/application_identity.h"
#include "ui/main_form.h"
#include "ui/qt_prompts.h"
#include "ui/tfrm_logbook.h"

#include <QApplication>
#include <QFile>

#include <clocale>
#include <cstdio>
#include <string_view>
#include <vector>

int main(int argc, char** argv) {
    // "--help" needs no display: it is answered before any window exists.
    for (int i = 1; i < argc && std::string_view(argv[i]) != "--"; ++i)
        if (std::string_view(argv[i]) == "--help" || std::string_view(argv[i]) == "-h") {
            std::fputs(nuvrel::StartUsage().c_str(), stdout);
            return 0;
        }
    QApplication app(argc, argv); // takes Qt's own options (-platform ...) away
    std::vector<std::string> args;
    for (const QString& arg : QApplication::arguments().mid(1))
        args.push_back(QFile::encodeName(arg).toStdString());
    const nuvrel::StartArguments start = nuvrel::ParseStartArguments(args);
    if (!start.error.empty()) {
        std::fprintf(stderr, "nuvrel: %s\n%s", start.error.c_str(), nuvrel::StartUsage().c_str());
        return 2;
    }
    std::setlocale(LC_NUMERIC, "C");
    nuvrel::ui::SetApplicationIdentity();

    nuvrel::QSettingsStore settings;
    nuvrel::CLibraryTimeZone timeZone;
    nuvrel::setActiveCodePage(nuvrel::chooseCodePage(settings));

    nuvrel::ui::QtPrompts prompts;
    nuvrel::ui::TMainForm form(settings, prompts, timeZone);
    prompts.setParent(&form);
    form.setAfterTrackDownload([&form] { nuvrel::ui::OfferDownloadedFlights(form); });
    form.show();
    if (!start.file.empty())
        form.openDataFile(QFile::decodeName(QByteArray::fromStdString(start.file)));
    return QApplication::exec();
}
