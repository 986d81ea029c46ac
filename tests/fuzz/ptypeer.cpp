#include "ptypeer.h"

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

namespace fuzz {

namespace {

int g_master = -1;
int g_slave = -1;

} // namespace

bool openPeer(std::string &devicePath)
{
    char name[128] = {};
    if (::openpty(&g_master, &g_slave, name, nullptr, nullptr) != 0)
        return false;
    ::fcntl(g_master, F_SETFL, ::fcntl(g_master, F_GETFL) | O_NONBLOCK);
    devicePath = name;
    return true;
}

void closePeerSlave()
{
    if (g_slave >= 0)
        ::close(g_slave);
    g_slave = -1;
}

int drainPeer()
{
    int total = 0;
    std::uint8_t buffer[512];
    for (;;) {
        const ssize_t n = ::read(g_master, buffer, sizeof buffer);
        if (n <= 0)
            return total;
        total += int(n);
    }
}

long writePeer(const std::uint8_t *data, std::size_t size)
{
    const ssize_t n = ::write(g_master, data, size);
    return n < 0 ? -1 : long(n);
}

} // namespace fuzz
