// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One widget alone in a shown (offscreen) window, for tests of how it paints.

#include <QTest>
#include <QWidget>

// A Widget of the given size (by default its own) at the top left of a window just as large.
template <typename Widget> struct ShownAlone
{
    explicit ShownAlone(QSize size = QSize()) : widget(new Widget(&window))
    {
        if (size.isValid())
            widget->setGeometry(QRect(QPoint(0, 0), size));
        window.resize(widget->size());
        window.show();
    }
    // Waits until the window is on the screen; paints are worth looking at only after this.
    bool exposed() { return QTest::qWaitForWindowExposed(&window); }
    QWidget window;
    Widget* widget; // owned by window
};
