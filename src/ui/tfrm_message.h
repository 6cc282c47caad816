// The progress window of the serial transfers and of printing: a caption and
// one line of large text, repainted by the caller after each step (the work
// blocks the event loop). No buttons, no cancel.
#pragma once

#include "core/platform.h"

#include <QWidget>

class QLabel;

namespace nuvrel::ui {

class TfrmMessage : public QWidget, public Progress {
    Q_OBJECT
public:
    explicit TfrmMessage(QWidget* parent = nullptr);

    QLabel* lblMessage;

    // Progress: the title goes to the caption and the line, a label to the line.
    void setTitle(const std::string& title) override;
    void setLabel(const std::string& text) override;
    void show() override;
    void repaint() override;
    void hide() override;
};

} // namespace nuvrel::ui
