// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The other end of a pseudo-terminal for tests of the real port: the simulated chip, or a bare
// line the test writes to itself.

#include "core/link/SimulatedChip.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTest>

#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

// Starts the simulated chip built with the tests.
inline bool startChip(SimulatedChip& chip, const QStringList& arguments = {})
{
    chip.setProgram(QStringLiteral(KDSP_SIM_PATH));
    return chip.start(arguments);
}

// Waits, without running the event loop (so an open port does not notice), until the chip's
// device has gone: a pseudo-terminal's slave path disappears as soon as its master is closed.
inline bool deviceGoneWithin(const QString& path, int ms)
{
    constexpr int kStepMs = 10;
    for (int waited = 0; waited < ms; waited += kStepMs) {
        if (!QFile::exists(path))
            return true;
        QTest::qSleep(kStepMs);
    }
    return !QFile::exists(path);
}

// Opens a pseudo-terminal whose slave is in raw mode before anyone opens it (QSerialPort restores
// these settings on close, and a line discipline in canonical mode would hold text back until a
// line break). Returns the master's descriptor, or -1; the slave's path goes to slavePath.
inline int openRawPty(int extraFlags, QString& slavePath)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | extraFlags);
    if (master < 0)
        return -1;
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        ::close(master);
        return -1;
    }
    slavePath = QString::fromLocal8Bit(::ptsname(master));
    const int slave = ::open(QFile::encodeName(slavePath).constData(), O_RDWR | O_NOCTTY);
    termios raw{};
    ::tcgetattr(slave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(slave, TCSANOW, &raw);
    ::close(slave);
    return master;
}

// A pseudo-terminal of the test's own, so it can put bytes on the line whenever it likes.
class OwnPty
{
public:
    OwnPty() : master_(openRawPty(0, slave_)) {}
    ~OwnPty()
    {
        if (master_ >= 0)
            ::close(master_);
    }
    QString slavePath() const { return slave_; }
    bool send(const QByteArray& bytes) const
    {
        return ::write(master_, bytes.constData(), bytes.size()) == bytes.size();
    }
    // Whatever the port has written to the line and the test has not taken yet; never blocks.
    QByteArray takeReceived() const
    {
        QByteArray taken;
        char buffer[256];
        pollfd ready{master_, POLLIN, 0};
        while (::poll(&ready, 1, 0) > 0 && (ready.revents & POLLIN) != 0) {
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n <= 0)
                break;
            taken.append(buffer, n);
        }
        return taken;
    }

private:
    QString slave_; // before master_: filled while master_ is opened
    int master_ = -1;
};
