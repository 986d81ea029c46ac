// The fuzzing peer's end of a pseudo-terminal. Kept apart from the tool's headers: the POSIX
// function link() of <unistd.h> and the tool's namespace link cannot meet in one file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// Opens a pty pair; the master stays with the peer (non-blocking), `devicePath` names the slave
// the tool opens. False, with errno set, on failure.
bool openPeer(std::string &devicePath);
// Closes the peer's descriptor of the slave once the tool holds its own.
void closePeerSlave();
// Reads and discards what the tool has written; returns the number of bytes.
int drainPeer();
// Writes what fits without blocking; returns the number of bytes written, -1 on error.
long writePeer(const std::uint8_t *data, std::size_t size);

} // namespace fuzz
