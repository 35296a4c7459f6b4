// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Dialogs for tests: every box shown is recorded, answers and chosen file names come from
// queues the test fills (an empty queue answers OK, and cancels a file dialog).

#include "core/Dialogs.h"

#include <QList>
#include <QQueue>
#include <QStringList>

#include <functional>

class ScriptedDialogs : public Dialogs {
public:
    struct Shown {
        QString text;
        MsgIcon icon;
        MsgButtons buttons;
    };
    struct FileDialog {
        bool save;
        QString filter;
        QString offeredName;
    };

    MsgAnswer message(const QString& text, MsgIcon icon, MsgButtons buttons) override;
    std::optional<QString> saveFileName(const QString& filter, const QString& offeredName) override;
    std::optional<QString> openFileName(const QString& filter, const QString& offeredName) override;

    QList<Shown> shown;
    QList<FileDialog> fileDialogs;
    QQueue<MsgAnswer> answers;
    QQueue<std::optional<QString>> chosenFiles;
    // Run when a box is shown (e.g. to check the state at that moment).
    std::function<void(const Shown&)> onMessage;

    QStringList texts() const;
    // The user picks this file in the next file dialog and answers OK to the question after it
    // (the file exists: replace it).
    void chooseAndConfirm(const QString& path)
    {
        chosenFiles.enqueue(path);
        answers.enqueue(MsgAnswer::Ok);
    }
};
