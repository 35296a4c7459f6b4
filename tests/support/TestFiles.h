// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Small file helpers for the tests of the file handlers.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace TestFiles {

inline QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Every entry of a folder, hidden ones included: a left-over temporary file shows here.
inline QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

// An empty temporary folder that is the working folder for as long as this lives: a save that
// ignored a cancel and wrote under the offered, relative name would land in it.
class WorkingFolder
{
public:
    WorkingFolder() : entered_(folder_.isValid() && QDir::setCurrent(folder_.path())) {}
    ~WorkingFolder() { QDir::setCurrent(previous_); }
    bool entered() const { return entered_; }
    QString path() const { return folder_.path(); }

private:
    QTemporaryDir folder_;
    QString previous_ = QDir::currentPath();
    bool entered_;
};

} // namespace TestFiles
