#pragma once
// The other end of a pseudo-terminal for tests of the real port: the simulated chip as a
// program, or a bare line the test writes to itself.

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <cstdlib>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

constexpr int kSimStartTimeoutMs = 5000;

// kdsp-sim on its own pseudo-terminal; stopped when this goes.
class SimProcess
{
public:
    explicit SimProcess(const QStringList& arguments = {})
    {
        process_.setProgram(QStringLiteral(KDSP_SIM_PATH));
        process_.setArguments(arguments);
        process_.start();
        QElapsedTimer clock;
        clock.start();
        while (!process_.canReadLine() && clock.elapsed() < kSimStartTimeoutMs)
            process_.waitForReadyRead(100);
        if (process_.canReadLine())
            path_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
    }
    ~SimProcess()
    {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.terminate();
        if (!process_.waitForFinished(2000))
            process_.kill();
        process_.waitForFinished(1000);
    }
    QString path() const { return path_; }
    bool waitForExit(int ms) { return process_.waitForFinished(ms); }
    bool running() const { return process_.state() != QProcess::NotRunning; }

private:
    QProcess process_;
    QString path_;
};

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
