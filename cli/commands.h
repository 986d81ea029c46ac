#ifndef CLI_COMMANDS_H
#define CLI_COMMANDS_H

#include "cli/options.h"
#include "cli/outcome.h"

namespace morlenta::cli {

// Runs the command of `invocation`: what it produces goes to stdout, notes to stderr; the
// outcome carries the exit status and the message of a failure.
Outcome runCommand(const Invocation &invocation);

} // namespace morlenta::cli

#endif // CLI_COMMANDS_H
