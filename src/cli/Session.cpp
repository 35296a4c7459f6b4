#include "cli/Session.h"

#include "cli/CliDialogs.h"
#include "cli/ExitStatus.h"
#include "core/Core.h"

#include <QEventLoop>
#include <QTimer>

#include <algorithm>

Session::Session(Core& core, CliDialogs& dialogs) : core(core), dialogs(dialogs)
{
    // Later reports are consequences of the first (a stop after a lost device, say).
    connect(&core, &Core::portErrorReported, this, [this](int number) {
        if (!firstPortError_)
            firstPortError_ = number;
    });
}

std::optional<int> Session::failureStatus() const
{
    if (!firstPortError_)
        return std::nullopt;
    return ExitStatus::forPortError(*firstPortError_);
}

bool Session::waitForQuietConsole(std::chrono::milliseconds quiet,
                                  std::chrono::milliseconds firstAnswer)
{
    if (failureStatus())
        return false;
    QEventLoop loop;
    QTimer silence;
    silence.setSingleShot(true);
    bool answered = false;
    connect(&silence, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(&core, &Core::consoleAppended, &loop, [&] {
        answered = true;
        silence.start(quiet);
    });
    connect(&core, &Core::portErrorReported, &loop, &QEventLoop::quit);
    silence.start(std::max(quiet, firstAnswer));
    loop.exec();
    return answered;
}
