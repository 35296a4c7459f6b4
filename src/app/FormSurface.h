#pragma once
// The window's client area. Besides holding the controls it paints lines of text on its own
// surface, behind the controls, one line per text, moving down (the error numbers).

#include <QStringList>
#include <QWidget>

class FormSurface : public QWidget {
    Q_OBJECT

public:
    explicit FormSurface(QWidget* parent = nullptr);

    void printLine(const QString& text);
    QStringList lines() const { return lines_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QStringList lines_;
};
