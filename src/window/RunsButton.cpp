// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/RunsButton.h"

#include "core/runs/RunsModel.h"

#include <QMainWindow>
#include <QShortcut>
#include <QStatusBar>

const QKeySequence RunsButton::kShortcut(Qt::CTRL | Qt::Key_R);

namespace {
const QString kCaption = QStringLiteral("Runs (%1)");
} // namespace

RunsButton::RunsButton(QMainWindow& window, RunsWindow::Source source, SettingsStore& settings)
    : QPushButton(window.statusBar()), source_(std::move(source)), settings_(settings)
{
    setFlat(true);
    // The main window's controls are reached by the mouse; the status line stays out of the
    // tab order so their focus order is the one it always was.
    setFocusPolicy(Qt::NoFocus);
    setToolTip(QStringLiteral("The runs of this session side by side (%1)")
                   .arg(kShortcut.toString(QKeySequence::NativeText)));
    setAccessibleDescription(toolTip());
    window.statusBar()->addPermanentWidget(this);
    auto* shortcut = new QShortcut(kShortcut, &window);
    connect(shortcut, &QShortcut::activated, this, &RunsButton::openRunsWindow);
    connect(this, &QPushButton::clicked, this, &RunsButton::openRunsWindow);
    connect(source_.live, &RunsModel::runCountChanged, this, &RunsButton::showCount);
    showCount(source_.live->runCount());
}

RunsButton::~RunsButton() = default;

void RunsButton::showCount(int runs)
{
    setText(kCaption.arg(runs));
    setAccessibleName(QStringLiteral("Runs: %1 in this session").arg(runs));
}

void RunsButton::openRunsWindow()
{
    if (!runsWindow_)
        runsWindow_ = std::make_unique<RunsWindow>(source_, settings_);
    else if (!runsWindow_->isVisible())
        runsWindow_->fillSessions();
    runsWindow_->show();
    runsWindow_->raise();
    runsWindow_->activateWindow();
}
