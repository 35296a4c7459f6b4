#include "console/ConsoleView.h"

// In progress: a plain version until the console view is finished.
namespace {
QString gText;
}
ConsoleView::ConsoleView(QWidget* parent) : QWidget(parent) {}
ConsoleView::~ConsoleView() = default;
void ConsoleView::append(QStringView characters) { gText += characters; }
QString ConsoleView::text() const { return gText; }
void ConsoleView::setText(const QString& text) { gText = text; }
qsizetype ConsoleView::length() const { return gText.size(); }
