#include "cli/options.h"

#include <QCommandLineParser>

#include <cmath>

#include "link/commparams.h"

namespace morlenta::cli {

namespace {

// A command, the number of arguments it takes and the options that belong to it alone.
struct CommandRow
{
    const char *name;
    int arguments;
    QStringList options;
};

const QVector<CommandRow> &commands()
{
    static const QVector<CommandRow> rows = {
        {"ports", 0, {}},
        {"wake", 0, {}},
        {"read", 0, {"raw"}},
        {"write", 1, {"dry-run", "report"}},
        {"watch", 0, {"count", "interval"}},
        {"valve", 1, {}},
        {"clock", 1, {}},
        {"reset-counters", 0, {}},
        {"set-identifier", 1, {"service-password"}},
    };
    return rows;
}

// Options with a value; the others are flags.
const QVector<QPair<QString, QString>> kValueOptions = {
    {"port", "PATH"},
    {"address", "N"},
    {"baud", "N"},
    {"data-bits", "7|8"},
    {"parity", "none|even|odd"},
    {"stop-bits", "1|2"},
    {"timeout", "MS"},
    {"retries", "N"},
    {"report", "CSV"},
    {"count", "N"},
    {"interval", "S"},
    {"service-password", "TEXT"},
};
const QStringList kFlags = {"trace", "raw", "dry-run", "help", "version"};

// The index of `text` among the texts of a connection-page list, or -1.
int itemIndex(const link::CommList &list, const QString &text)
{
    for (int i = 0; i < list.items.size(); ++i)
        if (list.items.at(i).text == text)
            return i;
    return -1;
}

bool toInt(const QString &text, int min, int max, int &out)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < min || value > max)
        return false;
    out = value;
    return true;
}

QString badValue(const QString &option, const QString &value, const QString &expected)
{
    return QStringLiteral("--%1 %2: ожидается %3").arg(option, value, expected);
}

// Reads the line options; false with `error` set on a bad value.
bool readLineOptions(const QCommandLineParser &p, LineOptions &line, QString &error)
{
    line.port = p.value("port");
    line.trace = p.isSet("trace");
    const auto listed = [&](const char *option, const link::CommList &list, int &out) {
        if (!p.isSet(option))
            return true;
        const int index = itemIndex(list, p.value(option));
        if (index < 0) {
            QStringList texts;
            for (const link::CommItem &item : list.items)
                texts << item.text;
            error = badValue(option, p.value(option), texts.join('|'));
            return false;
        }
        out = list.items.at(index).data.isValid() ? list.items.at(index).data.toInt()
                                                  : list.items.at(index).text.toInt();
        return true;
    };
    const auto number = [&](const char *option, int min, int max, int &out) {
        if (!p.isSet(option) || toInt(p.value(option), min, max, out))
            return true;
        error = badValue(option, p.value(option), QStringLiteral("число %1..%2").arg(min).arg(max));
        return false;
    };
    if (!listed("address", link::addressList(), line.address) ||
        !listed("baud", link::baudRateList(), line.baud) ||
        !listed("data-bits", link::dataBitsList(), line.dataBits) ||
        !listed("stop-bits", link::stopBitsList(), line.stopBits) ||
        !number("timeout", 10, 600000, line.timeoutMs) || !number("retries", 0, 50, line.retries))
        return false;
    if (p.isSet("parity")) {
        const int index = parityNames().indexOf(p.value("parity"));
        if (index < 0) {
            error = badValue("parity", p.value("parity"), parityNames().join('|'));
            return false;
        }
        line.parity = link::parityList().items.at(index).data.toInt();
    }
    return true;
}

} // namespace

QStringList parityNames()
{
    return {QStringLiteral("none"), QStringLiteral("even"), QStringLiteral("odd")};
}

QString parityName(int qtParity)
{
    const QVector<link::CommItem> items = link::parityList().items;
    for (int i = 0; i < items.size(); ++i)
        if (items.at(i).data.toInt() == qtParity)
            return parityNames().value(i);
    return QString::number(qtParity);
}

Invocation parseArguments(const QStringList &arguments, QString &error)
{
    Invocation inv;
    QCommandLineParser p;
    for (const auto &[name, value] : kValueOptions)
        p.addOption(QCommandLineOption(name, QString(), value));
    for (const QString &flag : kFlags)
        p.addOption(QCommandLineOption(flag));
    if (!p.parse(QStringList{QStringLiteral("morlenta-cli")} + arguments)) {
        error = QStringLiteral("ошибка в командной строке: ") + p.errorText();
        return inv;
    }
    inv.help = p.isSet("help");
    inv.version = p.isSet("version");
    if (inv.help || inv.version)
        return inv;

    QStringList positional = p.positionalArguments();
    if (positional.isEmpty()) {
        error = QStringLiteral("не указана команда (morlenta-cli --help)");
        return inv;
    }
    inv.command = positional.takeFirst();
    inv.arguments = positional;
    const CommandRow *row = nullptr;
    for (const CommandRow &r : commands())
        if (inv.command == QLatin1String(r.name))
            row = &r;
    if (!row) {
        error = QStringLiteral("неизвестная команда «%1» (morlenta-cli --help)").arg(inv.command);
        return inv;
    }
    if (inv.arguments.size() != row->arguments) {
        error =
            QStringLiteral("команде %1 нужно аргументов: %2").arg(inv.command).arg(row->arguments);
        return inv;
    }
    for (const CommandRow &r : commands())
        for (const QString &option : r.options)
            if (p.isSet(option) && &r != row) {
                error = QStringLiteral("--%1 относится к команде %2").arg(option, r.name);
                return inv;
            }
    const QString &argument = inv.arguments.value(0);
    if ((inv.command == "valve" && argument != "open" && argument != "close") ||
        (inv.command == "clock" && argument != "set")) {
        error = QStringLiteral("%1 %2: ожидается %3")
                    .arg(inv.command, argument, inv.command == "valve" ? "open|close" : "set");
        return inv;
    }

    if (!readLineOptions(p, inv.line, error))
        return inv;
    if (inv.command != "ports" && inv.line.port.isEmpty()) {
        error = QStringLiteral("не указан порт: --port PATH (список: morlenta-cli ports)");
        return inv;
    }
    inv.raw = p.isSet("raw");
    inv.dryRun = p.isSet("dry-run");
    inv.report = p.value("report");
    if (p.isSet("count") && !toInt(p.value("count"), 1, 1000000000, inv.count)) {
        error = badValue("count", p.value("count"), QStringLiteral("число строк от 1"));
        return inv;
    }
    if (p.isSet("interval")) {
        bool ok = false;
        const double seconds = p.value("interval").toDouble(&ok);
        if (!ok || !(seconds >= 0.1 && seconds <= 86400)) {
            error = badValue("interval", p.value("interval"), QStringLiteral("секунды 0.1..86400"));
            return inv;
        }
        inv.intervalMs = int(std::lround(seconds * 1000));
    }
    if (inv.command == "set-identifier") {
        if (!p.isSet("service-password")) {
            error = QStringLiteral("set-identifier требует --service-password TEXT");
            return inv;
        }
        inv.servicePassword = p.value("service-password");
    }
    return inv;
}

QString helpText()
{
    return QStringLiteral(
        "Usage: morlenta-cli [line options] COMMAND [ARGS]\n"
        "Commissions a solenoid-valve controller on a Modbus RTU serial line from the command\n"
        "line: wakes it, reads and writes its configuration as a JSON profile, checks every write\n"
        "by reading it back, and watches its live values as CSV.\n"
        "\n"
        "Line options:\n"
        "  --port PATH            the serial port: a name from \"ports\" or a device path\n"
        "  --address N            the controller's address, 1..246 (default 1)\n"
        "  --baud N               1200|2400|4800|9600|19200|38400|57600|115200 (default 9600)\n"
        "  --data-bits 7|8        (default 8)\n"
        "  --parity none|even|odd  (default none)\n"
        "  --stop-bits 1|2        (default 1)\n"
        "  --timeout MS           a request's reply time-out, 10..600000 (default 5000)\n"
        "  --retries N            a request's retries, 0..50 (default 5)\n"
        "  --trace                every request and reply on stderr: time, direction, latency,\n"
        "                         function, start, count, data in hex, outcome; and the frames\n"
        "                         with address and CRC as the Modbus client logs them\n"
        "\n"
        "Commands:\n"
        "  ports                  the serial ports, with USB vendor and product where known\n"
        "  wake                   probe until the controller answers 0xFACE: at most six\n"
        "                         probes, each given one second whatever --timeout and\n"
        "                         --retries say\n"
        "  read [--raw]           the configuration as a JSON profile on stdout; --raw: the 85\n"
        "                         words of the block and word 153, one \"REGISTER 0xVALUE\" a "
        "line\n"
        "  write FILE|- [--dry-run] [--report CSV]\n"
        "                         wake, read the block, apply the profile (FILE, or stdin for\n"
        "                         -), validate as the settings page does, write the block and\n"
        "                         apply it (register 256), release the port at 3 s, reopen it at\n"
        "                         4 s with the line settings just written, wake, read the block\n"
        "                         back and compare it word by word. --dry-run: list the fields\n"
        "                         and words that would change and write nothing. --report:\n"
        "                         append a line to the CSV file (UTC time, port, address after\n"
        "                         the write, identifier, profile file, SHA-256 of the profile,\n"
        "                         result, message), its header first when the file is new\n"
        "  watch [--count N] [--interval S]\n"
        "                         live values as CSV on stdout, one row a tick (every S seconds,\n"
        "                         default 1), the reads of the inputs page; N rows, or until\n"
        "                         interrupted\n"
        "  valve open|close       open or close the valve\n"
        "  clock set              set the controller's clock to this computer's\n"
        "  reset-counters         reset the counters of the counting inputs\n"
        "  set-identifier TEXT --service-password TEXT\n"
        "                         write a new device identifier (16 hex digits, dashes\n"
        "                         anywhere), behind the service page's password; checked by\n"
        "                         reading the block back as write is\n"
        "\n"
        "Exit status:\n"
        "  0  success\n"
        "  1  any other failure, e.g. the controller answered with an exception\n"
        "  2  usage: an unknown command or option, a bad value, an unreadable file\n"
        "  3  the port does not open\n"
        "  4  the profile was refused: a key, a type or a value, or the settings page's checks;\n"
        "     nothing was written\n"
        "  5  the block read back differs from the block written\n"
        "  6  no answer after six probes, or a request timed out\n"
        "\n"
        "Environment:\n"
        "  MORLENTA_EXTRA_PORTS   device paths, separated by \":\", that \"ports\" lists after "
        "the\n"
        "                         system's (virtual lines, which the system does not list)\n");
}

} // namespace morlenta::cli
