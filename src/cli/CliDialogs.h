// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The core's questions answered without a person: a box's text goes to standard error as one
// line (a port failure's box with the failure's reason), the setup file's save dialog is
// answered with the file named on the command line, and the question whether to overwrite it
// with OK (the user named the file, so replacing it is what was asked for). Nothing here ever
// waits for input.

#include "core/Dialogs.h"

#include <QString>

#include <optional>

class CliDialogs : public Dialogs
{
public:
    MsgAnswer message(const QString& text, MsgIcon icon, MsgButtons buttons) override;
    // The file set with answerSaveWith(), once; nothing (a cancel) when none is set.
    std::optional<QString> saveFileName(const QString& filter, const QString& offeredName) override;
    // The command-line program loads nothing: always a cancel.
    std::optional<QString> openFileName(const QString& filter, const QString& offeredName) override;

    // The path the next save dialog answers with.
    void answerSaveWith(const QString& path) { savePath_ = path; }
    // How many boxes told of a failure or a fact (every box but the overwrite question).
    int reportsShown() const { return reportsShown_; }

    // The port's failure line, told with the next box (the report of that failure) on the same
    // line; takeAttached() returns it when the report shows no box.
    void attachToNextBox(const QString& failure) { attached_ = failure; }
    std::optional<QString> takeAttached();

    // A box's text as one line: its line breaks become blanks.
    static QString oneLine(const QString& text);

private:
    std::optional<QString> savePath_;
    std::optional<QString> attached_;
    int reportsShown_ = 0;
};
