// Answers the program's file dialogs in the offscreen tests.
#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>
#include <QtTest>

namespace nuvrel::test {

// Answers the next file dialog with path (or cancels it when empty), and
// records its title and, when asked, its name filters.
inline void answerFileDialog(const QString& path, QString* title, QStringList* filters = nullptr) {
    QTimer::singleShot(50, [path, title, filters] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        *title = dialog->windowTitle();
        if (filters)
            *filters = dialog->nameFilters();
        if (path.isEmpty()) {
            dialog->reject();
            return;
        }
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        name->setText(path);
        QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
    });
}

} // namespace nuvrel::test
