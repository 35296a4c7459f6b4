// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window's client area. Besides holding the controls it paints lines of text on its own
// surface, behind the controls: one line per text, starting at the top left and moving down, in
// black in the window's font (the error numbers). Lines that fall below the area are kept but
// not seen.

#include <QStringList>
#include <QWidget>

class FormSurface : public QWidget
{
    Q_OBJECT

public:
    // Where the first line starts.
    static constexpr int kLeft = 2;
    static constexpr int kTop = 0;

    explicit FormSurface(QWidget* parent = nullptr);

    void printLine(const QString& text);
    QStringList lines() const { return lines_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QStringList lines_;
};
