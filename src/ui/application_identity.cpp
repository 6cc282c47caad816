#include "ui/application_identity.h"

#include <QApplication>
#include <QIcon>

namespace nuvrel::ui {

void SetApplicationIdentity() {
    QApplication::setApplicationName(QStringLiteral("NUVREL"));
    QApplication::setOrganizationName(QStringLiteral("Ostrel"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/nuvrel.svg")));
}

} // namespace nuvrel::ui
