#ifndef CLI_OPTIONS_H
#define CLI_OPTIONS_H

#include <QString>
#include <QStringList>

// The command line of morlenta-cli: line options, one command and its arguments.
namespace morlenta::cli {

// How the serial line is opened and how long a request may take.
struct LineOptions
{
    QString port;
    int address = 1;
    int baud = 9600;
    int dataBits = 8;     // QSerialPort::DataBits
    int parity = 0;       // QSerialPort::Parity
    int stopBits = 1;     // QSerialPort::StopBits
    int timeoutMs = 5000; // a request's; the probes keep their own second
    int retries = 5;
    bool trace = false;
};

struct Invocation
{
    LineOptions line;
    QString command;       // "ports", "wake", "read", ...
    QStringList arguments; // what follows the command
    bool raw = false;
    bool dryRun = false;
    QString report;        // CSV file of `write --report`
    int count = 0;         // rows of `watch`; 0: until stopped
    int intervalMs = 1000; // between the ticks of `watch`
    QString servicePassword;
    bool help = false;
    bool version = false;
};

// The command line without the program name; `error` says what is wrong with it (exit 2).
Invocation parseArguments(const QStringList &arguments, QString &error);

// --help, also the source of the manual page (help2man).
QString helpText();

// The parity names of the line option and the profile, in the order of the connection page's
// list ("нет", "чётн.", "нечет.").
QStringList parityNames();
// The name of a QSerialPort::Parity value of that list.
QString parityName(int qtParity);

} // namespace morlenta::cli

#endif // CLI_OPTIONS_H
