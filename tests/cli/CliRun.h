// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The built trevalon-cli run as a program against the simulated chip: kdsp-sim on a
// pseudo-terminal, reached through a link in a folder of the test's own, logging (--verbose)
// every command it receives; and the program started with that link as its device.

#include "cli/ExitStatus.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

// A port number with no default device, so only the mapping reaches anything.
inline const QString kCliPort = QStringLiteral("250");
constexpr int kCliTimeoutMs = 60'000;

class LoggedChip
{
public:
    // Starts kdsp-sim with the extra arguments; false (with the reason) when it did not start.
    bool start(const QStringList& arguments = {})
    {
        link_ = folder_.filePath(QStringLiteral("kdsp"));
        process_.start(QStringLiteral(KDSP_SIM_PATH),
                       QStringList{QStringLiteral("--verbose"), QStringLiteral("--link"), link_} +
                           arguments);
        // The first line on standard output is the device's path, printed once it is ready.
        return process_.waitForStarted() && process_.waitForReadyRead(5000) &&
               QFile::exists(link_);
    }
    ~LoggedChip()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            if (!process_.waitForFinished(2000))
                process_.kill();
            process_.waitForFinished(1000);
        }
    }
    QString link() const { return link_; }
    QProcess& process() { return process_; }

    // Every byte the chip has received so far, in order, from its log.
    QByteArray received()
    {
        log_ += process_.readAllStandardError();
        static const QRegularExpression line(QStringLiteral("received \"([^\"]*)\""));
        QByteArray bytes;
        for (const auto& match : line.globalMatch(QString::fromLatin1(log_)))
            bytes += unescape(match.captured(1).toLatin1());
        return bytes;
    }

private:
    // The log writes CR and LF as \r and \n, other unprintable bytes as \xHH.
    static QByteArray unescape(const QByteArray& text)
    {
        QByteArray bytes;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i] != '\\' || i + 1 >= text.size()) {
                bytes += text[i];
                continue;
            }
            const char kind = text[++i];
            if (kind == 'r')
                bytes += '\r';
            else if (kind == 'n')
                bytes += '\n';
            else if (kind == 'x' && i + 2 < text.size()) {
                bytes += static_cast<char>(text.mid(i + 1, 2).toInt(nullptr, 16));
                i += 2;
            } else
                bytes += kind;
        }
        return bytes;
    }

    QTemporaryDir folder_;
    QString link_;
    QProcess process_;
    QByteArray log_;
};

struct CliResult
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// A trevalon-cli run with settings of its own (an empty settings folder), so nothing the user
// stored is read.
class CliProgram
{
public:
    CliProgram()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), settingsFolder_.path());
        process_.setProcessEnvironment(environment);
    }
    void start(const QStringList& arguments)
    {
        process_.start(QStringLiteral(TREVALON_CLI_PATH), arguments);
    }
    CliResult finish()
    {
        CliResult result;
        if (!process_.waitForFinished(kCliTimeoutMs) ||
            process_.exitStatus() != QProcess::NormalExit)
            return result;
        result.status = process_.exitCode();
        result.out = process_.readAllStandardOutput();
        result.err = process_.readAllStandardError();
        return result;
    }
    QProcess& process() { return process_; }
    // The settings file the program reads ($XDG_CONFIG_HOME/Trevalon/Trevalon.conf).
    QString settingsFile() const
    {
        return settingsFolder_.filePath(QStringLiteral("Trevalon/Trevalon.conf"));
    }

private:
    QTemporaryDir settingsFolder_;
    QProcess process_;
};

inline CliResult runCli(const QStringList& arguments)
{
    CliProgram program;
    program.start(arguments);
    return program.finish();
}

// The timing command waits 401 counted passes for the chip's reply, a capture 601 for the timing
// reply and then a while for each block. On a loaded machine the simulated chip, another
// process, may not get a processor in time for one run, while a fault in the program misses
// every one: a run that ends with "no answer" is repeated, at most `attempts` times, and the
// last run's result is returned. A test that expects no answer makes one attempt.
constexpr int kAnswerAttempts = 3;
inline CliResult untilAnswered(const std::function<CliResult()>& run,
                               int attempts = kAnswerAttempts)
{
    CliResult result;
    for (int attempt = 1; attempt <= attempts; ++attempt) {
        result = run();
        if (result.status != ExitStatus::kNoAnswer)
            break;
        qInfo("attempt %d: the chip's answer missed the wait", attempt);
    }
    return result;
}

// The arguments that reach the chip through kCliPort, followed by the command's own.
inline QStringList onChip(const LoggedChip& chip, const QStringList& command)
{
    return QStringList{QStringLiteral("--port"), kCliPort, QStringLiteral("--device"),
                       chip.link()} +
           command;
}

// A run repeated as untilAnswered repeats it, each time on a new chip started with `simulator`,
// so that the chip's log holds the last run's bytes alone and a chip that vanishes after some
// blocks is there again. `chip` is the last run's; null when the simulator did not start.
struct ChipRun
{
    std::unique_ptr<LoggedChip> chip;
    CliResult result;
};
inline ChipRun onNewChipUntilAnswered(const QStringList& simulator,
                                      const std::function<CliResult(LoggedChip&)>& run,
                                      int attempts = kAnswerAttempts)
{
    ChipRun last;
    last.result = untilAnswered(
        [&] {
            last.chip = std::make_unique<LoggedChip>();
            if (last.chip->start(simulator))
                return run(*last.chip);
            last.chip.reset();
            return CliResult{};
        },
        attempts);
    return last;
}

// trevalon-cli `command` on a new chip, as onNewChipUntilAnswered.
inline ChipRun runOnNewChip(const QStringList& command, const QStringList& simulator = {},
                            int attempts = kAnswerAttempts)
{
    return onNewChipUntilAnswered(
        simulator, [&](LoggedChip& chip) { return runCli(onChip(chip, command)); }, attempts);
}
