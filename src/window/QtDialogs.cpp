// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/QtDialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

MsgAnswer QtDialogs::message(const QString& text, MsgIcon icon, MsgButtons buttons)
{
    QMessageBox box(parent_);
    box.setWindowTitle(kMessageBoxTitle);
    // Texts carry file names, which may hold anything ("<b>x.bmp"): never read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")));
    switch (icon) {
    case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MsgIcon::Critical: box.setIcon(QMessageBox::Critical); break;
    case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    }
    if (buttons == MsgButtons::OkCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    return box.exec() == QMessageBox::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
}

QString QtDialogs::toQtFilter(const QString& barSeparated)
{
    const QStringList parts = barSeparated.split(QLatin1Char('|'));
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        // The description normally shows its pattern already; add it where it does not.
        if (!description.contains(parts[i + 1]))
            description += QStringLiteral(" (%1)").arg(parts[i + 1]);
        entries << description;
    }
    return entries.join(QLatin1String(";;"));
}

std::optional<QString> QtDialogs::saveFileName(const QString& filter, const QString& offeredName)
{
    QFileDialog dialog(parent_);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The overwrite question is the program's own, asked after the dialog.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilter(toQtFilter(filter));
    dialog.selectFile(offeredName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> QtDialogs::openFileName(const QString& filter, const QString& offeredName)
{
    QFileDialog dialog(parent_);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Any name may be typed: the program itself tells the user when the file does not exist.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(toQtFilter(filter));
    dialog.selectFile(offeredName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}
