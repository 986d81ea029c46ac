#ifndef LINK_LINKTUNING_H
#define LINK_LINKTUNING_H

// Response time-out and retries of the Modbus client, applied each time the port is opened.
// The program never changes them; tests shorten the time-out so that a silent controller
// costs them less than the half minute it costs the user.
namespace morlenta::link {

struct Tuning
{
    int responseTimeoutMs = 5000;
    int retries = 5;
};

Tuning &tuning();

} // namespace morlenta::link

#endif // LINK_LINKTUNING_H
