#include "bench/wirelimit.h"

using namespace morlenta;

namespace bench {

static double charMs(const LineFormat &line)
{
    return 1000.0 * (1 + 8 + (line.parity == 'N' ? 0 : 1) + line.stopBits) / line.baud;
}

double t35Ms(const LineFormat &line)
{
    return line.baud <= 19200 ? 3.5 * charMs(line) : 1.75;
}

double readLimitMs(const LineFormat &line, int registers)
{
    return (8 + 5 + 2 * registers) * charMs(line) + 2 * t35Ms(line);
}

double cycleLimitMs(const LineFormat &line, const QVector<device::Route> &reads)
{
    double sum = 0;
    for (const device::Route &r : reads)
        sum += readLimitMs(line, r.words);
    return sum;
}

QStringList simArgs(const Setup &s, int baud)
{
    // --online 5 keeps the controller awake between the benchmark's exchanges
    return QStringLiteral("--awake --wire-time --online 5 --baud %1 --solenoid %2 --input1 %3 "
                          "--input2 %4")
        .arg(baud)
        .arg(s.solenoid)
        .arg(s.input1)
        .arg(s.input2)
        .split(QLatin1Char(' '));
}

} // namespace bench
