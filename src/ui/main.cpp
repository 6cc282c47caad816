// The composition root: builds the platform services and the main window.
#include "core/app/ift_option.h"
#include "core/codepage.h"
#include "core/time_zone.h"
#include "platform/qsettings_store.h"
#include "ui/application_identity.h"
#include "ui/main_form.h"
#include "ui/qt_prompts.h"

#include <QApplication>
#include <QLocale>

#include <clocale>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    nuvrel::ui::SetApplicationIdentity();

    nuvrel::QSettingsStore settings;
    nuvrel::CLibraryTimeZone timeZone;
    nuvrel::setActiveCodePage(nuvrel::codePageFromSettings(settings, QLocale::system().name().toStdString()));

    nuvrel::ui::QtPrompts prompts;
    nuvrel::ui::TMainForm form(settings, prompts, timeZone);
    prompts.setParent(&form);
    form.show();
    const QStringList args = QApplication::arguments();
    if (args.size() > 1)
        form.openDataFile(args.at(1));
    return QApplication::exec();
}
