// Shared set-up of the libFuzzer targets: one offscreen application and one main window for the
// whole run, created in LLVMFuzzerInitialize.
#pragma once

#include <cstddef>
#include <cstdint>

class Valve;

namespace fuzz {

// Creates the application (offscreen platform) and installs a message handler that drops the
// debug lines every decode writes. Call once, from LLVMFuzzerInitialize.
void initApplication(int *argc, char ***argv);

// The one main window; created on first use and kept for the whole run.
Valve &valve();

// Runs the event loop briefly and deletes what was scheduled for deletion, so that replies and
// the two-second error-marking timers do not pile up over millions of runs.
void settle();

// Ends the run with a message on stderr and an abort, which libFuzzer records as a finding.
[[noreturn]] void fail(const char *what, int detail = 0);

// Big-endian 16-bit words from the input, zero past its end.
std::uint16_t wordAt(const std::uint8_t *data, std::size_t size, std::size_t index);

} // namespace fuzz
