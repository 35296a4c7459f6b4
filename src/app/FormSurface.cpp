#include "app/FormSurface.h"

// In progress.
FormSurface::FormSurface(QWidget* parent) : QWidget(parent) {}
void FormSurface::printLine(const QString& text) { lines_ << text; }
void FormSurface::paintEvent(QPaintEvent*) {}
