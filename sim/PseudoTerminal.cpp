// SPDX-License-Identifier: GPL-3.0-or-later
#include "PseudoTerminal.h"

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>

namespace kdsp {

namespace {

constexpr std::size_t kPathBufferSize = 128;

[[noreturn]] void fail(const char* what)
{
    throw std::system_error(errno, std::generic_category(), what);
}

void makeRaw(int fd, const char* what)
{
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0) {
        fail(what);
    }
    ::cfmakeraw(&settings);
    ::cfsetispeed(&settings, B115200);
    ::cfsetospeed(&settings, B115200);
    if (::tcsetattr(fd, TCSANOW, &settings) != 0) {
        fail(what);
    }
}

} // namespace

PseudoTerminal::PseudoTerminal()
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0) {
        fail("posix_openpt");
    }
    try {
        if (::grantpt(m_master) != 0) {
            fail("grantpt");
        }
        if (::unlockpt(m_master) != 0) {
            fail("unlockpt");
        }
        std::array<char, kPathBufferSize> path{};
        if (::ptsname_r(m_master, path.data(), path.size()) != 0) {
            fail("ptsname_r");
        }
        m_slavePath = path.data();
        makeRaw(m_master, "raw mode on the master");

        // Open the slave once to set its termios; they stay with the pair while the master is
        // open. Closing it again leaves the master in the hung-up state that means "nobody has
        // the port open", which the server handles.
        const int slave = ::open(m_slavePath.c_str(), O_RDWR | O_NOCTTY);
        if (slave < 0) {
            fail("open slave");
        }
        try {
            makeRaw(slave, "raw mode on the slave");
        } catch (...) {
            ::close(slave);
            throw;
        }
        ::close(slave);

        // Packet mode: a read of the master also tells when the program has flushed its input
        // (see PtyServer::readCommands).
        int packetMode = 1;
        if (::ioctl(m_master, TIOCPKT, &packetMode) != 0) {
            fail("packet mode on the master");
        }

        const int flags = ::fcntl(m_master, F_GETFL);
        if (flags < 0 || ::fcntl(m_master, F_SETFL, flags | O_NONBLOCK) != 0) {
            fail("non-blocking master");
        }
    } catch (...) {
        close();
        throw;
    }
}

PseudoTerminal::~PseudoTerminal()
{
    close();
}

void PseudoTerminal::close()
{
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
}

} // namespace kdsp
