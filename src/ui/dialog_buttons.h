// The OK and Cancel buttons that close the program's small dialogs.
#pragma once

class QHBoxLayout;
class QPushButton;
class QWidget;

namespace nuvrel::ui {

// Where the two buttons sit in their row.
enum class ButtonRow { Right, Centred, Filled };

// Makes "btnOK" (the default button) and "btnCancel" in dialog and returns
// the row that holds them.
QHBoxLayout* okCancelRow(QWidget* dialog, QPushButton*& ok, QPushButton*& cancel, ButtonRow row = ButtonRow::Right);

} // namespace nuvrel::ui
