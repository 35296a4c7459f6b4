#pragma once
// Text, the console: shows what the chip sent. Appending costs the same however long the text
// is; it holds at most kMaxChars characters, dropping whole oldest lines beyond that. text()
// reads back exactly what was appended (lines separated by CR LF), minus what was dropped.
// The view knows no device.

#include <QWidget>

class ConsoleView : public QWidget {
    Q_OBJECT

public:
    static constexpr qsizetype kMaxChars = 1'000'000;

    explicit ConsoleView(QWidget* parent = nullptr);
    ~ConsoleView() override;

    void append(QStringView characters);
    QString text() const;
    void setText(const QString& text);
    qsizetype length() const;

Q_SIGNALS:
    // A click with the mouse into the console.
    void clicked();
};
