#pragma once
// The other end of a pseudo-terminal for tests of the real port: the simulated chip, or a bare
// line the test writes to itself.

#include "link/SimulatedChip.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTest>

#include <cstdlib>
#include <fcntl.h>
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

// A pseudo-terminal of the test's own, so it can put bytes on the line whenever it likes.
class OwnPty
{
public:
    OwnPty()
    {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
            return;
        slave_ = QString::fromLocal8Bit(::ptsname(master_));
        // Raw before anyone opens the slave: QSerialPort restores these settings on close.
        const int slave = ::open(QFile::encodeName(slave_).constData(), O_RDWR | O_NOCTTY);
        termios raw{};
        ::tcgetattr(slave, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(slave, TCSANOW, &raw);
        ::close(slave);
    }
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

private:
    int master_ = -1;
    QString slave_;
};
