#ifndef LINK_COMMANDPLAN_H
#define LINK_COMMANDPLAN_H

#include <QString>
#include <QVector>

#include "device/registermap.h"

// What each pending command does once the controller is awake, kept as data: the requests it
// sends, in order, and what the form shows afterwards. The main window carries it out.
namespace morlenta::link {

// Pending command codes: what a button asks for, run once the controller is awake.
enum Command : quint16 {
    NoCommand = 0,
    ConnectDevice = 1,
    ReadConfig = 2,
    ApplyConfig = 3,
    SetClock = 4,
    OpenValve = 5,
    CloseValve = 6,
    ResetCounters = 7,
};

constexpr int kMessageMs = 5000; // how long a status message stays

// After a configuration write the port is released and opened again, so that the controller can
// take the new block (and perhaps new line parameters): times from the write.
constexpr int kReleaseMs = 3000;
constexpr int kReopenMs = 4000;

// Where the words of a write come from.
enum class Source {
    Value, // the request's own value
    Block, // the configuration block as just encoded, from its first word
    Clock, // the PC's clock: seconds since 1970-01-01 00:00 UTC
};

struct Request
{
    device::Target target = device::Target::None; // its start and word count: the register map
    bool write = false;
    Source source = Source::Value;
    quint16 value = 0;
};

struct Message
{
    QString text;
    int ms = 0;
};

struct CommandPlan
{
    // A configuration write: it needs a whole block read since the port was opened, and the form
    // is encoded first; without the block or with an input error the refusal shows instead.
    bool encodesForm = false;
    Message notRead;
    Message inputError;

    QVector<Request> requests;
    bool ledGreen = false;
    bool connected = false; // conn_dev off; GBox_2 and the settings and inputs pages on
    Message message;
    bool restartsPoll = false; // the next poll cycle a tick after the write, on any page
    bool reconnects = false;   // release the port after 3 s, open it and connect after 4 s
};

// The plan of a pending command code (Command); an empty plan for any other code.
CommandPlan commandPlan(quint16 command);

} // namespace morlenta::link

#endif // LINK_COMMANDPLAN_H
