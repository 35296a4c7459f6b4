// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Makes writes fail part-way: while a FileSizeLimit lives, no file of this process may grow beyond
// the limit, and a longer write fails with EFBIG instead of raising SIGXFSZ. Both are restored
// when it goes. It stays in the process on purpose: a forked copy of a threaded Qt process hangs
// as soon as QImage hands work to its thread pool, whose threads the copy does not have.

#include <csignal>
#include <sys/resource.h>

class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t limit)
    {
        active_ = getrlimit(RLIMIT_FSIZE, &saved_) == 0;
        rlimit lowered = saved_;
        lowered.rlim_cur = limit;
        active_ = active_ && setrlimit(RLIMIT_FSIZE, &lowered) == 0;
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    }
    ~FileSizeLimit()
    {
        if (active_)
            setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    // False when the limit could not be set; a test should not go on then.
    bool active() const { return active_; }

private:
    rlimit saved_{};
    bool active_ = false;
    void (*previousHandler_)(int) = SIG_DFL;
};
