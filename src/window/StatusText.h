// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The status line's text. The window keeps its size, so a text longer than the line ends in "…"
// where it is cut, and the whole text is its tooltip; a screen reader is given the whole text
// as the label's name, whatever the line shows.

#include <QLabel>

class StatusText : public QLabel
{
    Q_OBJECT

public:
    explicit StatusText(QWidget* parent = nullptr);

    void showText(const QString& text);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fit();

    QString whole_;
};
