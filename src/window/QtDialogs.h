// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Dialogs shown with Qt's own message boxes and file dialogs.

#include "core/Dialogs.h"

class QWidget;

class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    MsgAnswer message(const QString& text, MsgIcon icon, MsgButtons buttons) override;
    std::optional<QString> saveFileName(const QString& filter,
                                        const QString& offeredName) override;
    std::optional<QString> openFileName(const QString& filter,
                                        const QString& offeredName) override;

    // "a (*.x)|*.x|b (*.*)|*.*" -> "a (*.x);;b (*.*)"
    static QString toQtFilter(const QString& barSeparated);

private:
    QWidget* parent_;
};
