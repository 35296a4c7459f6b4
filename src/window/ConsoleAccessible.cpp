// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/ConsoleAccessible.h"

#include "window/ConsoleView.h"

#include <QScrollBar>

namespace {

QAccessibleInterface* consoleFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String(ConsoleView::staticMetaObject.className()) && object &&
        object->isWidgetType())
        return new ConsoleAccessible(static_cast<ConsoleView*>(object));
    return nullptr;
}

} // namespace

ConsoleAccessible::ConsoleAccessible(ConsoleView* view)
    : QAccessibleWidget(view, QAccessible::EditableText)
{
}

void ConsoleAccessible::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(consoleFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

ConsoleView* ConsoleAccessible::view() const
{
    return static_cast<ConsoleView*>(widget());
}

QAccessible::State ConsoleAccessible::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    s.readOnly = true;
    s.editable = false;
    s.multiLine = true;
    s.selectableText = true;
    return s;
}

void* ConsoleAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

// The console has no selection of its own (Copy All copies everything).
void ConsoleAccessible::selection(int, int* startOffset, int* endOffset) const
{
    *startOffset = 0;
    *endOffset = 0;
}

int ConsoleAccessible::selectionCount() const { return 0; }
void ConsoleAccessible::addSelection(int, int) {}
void ConsoleAccessible::removeSelection(int) {}
void ConsoleAccessible::setSelection(int, int, int) {}

int ConsoleAccessible::cursorPosition() const { return characterCount(); }

void ConsoleAccessible::setCursorPosition(int) {}

QString ConsoleAccessible::text(int startOffset, int endOffset) const
{
    const QString& all = view()->buffer().text();
    const qsizetype from = std::clamp<qsizetype>(startOffset, 0, all.size());
    const qsizetype to = endOffset < 0 ? all.size() : std::clamp<qsizetype>(endOffset, from, all.size());
    return all.mid(from, to - from);
}

int ConsoleAccessible::characterCount() const
{
    return static_cast<int>(view()->length());
}

QRect ConsoleAccessible::characterRect(int offset) const
{
    const QRect local = view()->characterRect(offset);
    if (local.isNull())
        return QRect();
    return QRect(view()->viewport()->mapToGlobal(local.topLeft()), local.size());
}

int ConsoleAccessible::offsetAtPoint(const QPoint& point) const
{
    return static_cast<int>(view()->offsetAt(view()->viewport()->mapFromGlobal(point)));
}

void ConsoleAccessible::scrollToSubstring(int startIndex, int)
{
    view()->scrollToOffset(startIndex);
}

QString ConsoleAccessible::attributes(int offset, int* startOffset, int* endOffset) const
{
    // One look for the whole text.
    Q_UNUSED(offset);
    *startOffset = 0;
    *endOffset = characterCount();
    return QString();
}
