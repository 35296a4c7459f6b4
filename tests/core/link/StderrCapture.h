// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Catches what the process writes on standard error (descriptor 2) while it lives, so a test can
// count the port's "trevalon: Comm ..." lines. Qt's own warnings land here too; lines() keeps
// only the program's.

#include <QString>
#include <QStringList>

#include <cstdio>
#include <unistd.h>

class StderrCapture
{
public:
    StderrCapture()
    {
        std::fflush(stderr);
        saved_ = ::dup(STDERR_FILENO);
        file_ = std::tmpfile();
        if (file_)
            ::dup2(::fileno(file_), STDERR_FILENO);
    }
    ~StderrCapture()
    {
        std::fflush(stderr);
        if (saved_ >= 0) {
            ::dup2(saved_, STDERR_FILENO);
            ::close(saved_);
        }
        if (file_)
            std::fclose(file_);
    }
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    QString text() const
    {
        std::fflush(stderr);
        if (!file_)
            return {};
        QByteArray all;
        char chunk[4096];
        for (off_t at = 0;;) {
            const ssize_t got = ::pread(::fileno(file_), chunk, sizeof chunk, at);
            if (got <= 0)
                break;
            all.append(chunk, got);
            at += got;
        }
        return QString::fromLocal8Bit(all);
    }

    // The lines the program wrote ("trevalon: ..."), in order.
    QStringList lines() const
    {
        QStringList ours;
        const QStringList all = text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (const QString& line : all)
            if (line.startsWith(QLatin1String("trevalon: ")))
                ours << line;
        return ours;
    }

private:
    int saved_ = -1;
    std::FILE* file_ = nullptr;
};
