// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Runs (N)" at the right end of the main window's status line, below its client area, which
// stays as it is: it opens (or raises) the Runs window, also by its shortcut, which no control or
// menu of the main window uses. The Runs window is made the first time it is asked for.

#include "window/RunsWindow.h"

#include <QPushButton>

class QMainWindow;

class RunsButton : public QPushButton
{
    Q_OBJECT

public:
    static const QKeySequence kShortcut;

    RunsButton(QMainWindow& window, RunsWindow::Source source, SettingsStore& settings);
    ~RunsButton() override;

    // The Runs window; null until first opened.
    RunsWindow* runsWindow() const { return runsWindow_.get(); }
    void openRunsWindow();

private:
    void showCount(int runs);

    RunsWindow::Source source_;
    SettingsStore& settings_;
    std::unique_ptr<RunsWindow> runsWindow_;
};
