#include "cli/csv.h"

#include <QFile>

#include <functional>

#include "config/catalog.h"
#include "live/liveconv.h"

namespace morlenta::cli {

namespace {

using device::route;
using device::Target;

// A column of watch: its header, the read it shows and what it makes of the read's words
// (empty when the page would show nothing).
struct Column
{
    QString header;
    device::Route read;
    std::function<QString(quint32 raw)> text;
};

QString number(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

template <typename T> QString shown(const std::optional<T> &value)
{
    if constexpr (std::is_same_v<T, QString>)
        return value.value_or(QString());
    else
        return value ? QString::number(*value) : QString();
}

QString floatText(quint32 raw, const live::Display &display)
{
    const std::optional<double> value = live::floatValue(raw, display.range);
    return value ? number(*value, display.decimals) : QString();
}

QVector<Column> watchColumns(const config::Settings &s)
{
    QVector<Column> columns = {
        {"valve", route(Target::Solenoid),
         [](quint32 raw) { return shown(live::valveText(quint16(raw >> 16))); }},
        {QStringLiteral("capacitor (0..%1)").arg(device::kCapacitorFull), route(Target::Capacitor),
         [](quint32 raw) { return shown(live::capacitorCharge(quint16(raw >> 16))); }},
        {QStringLiteral("temperature (°C)"), route(Target::Temperature),
         [](quint32 raw) { return shown(live::temperatureCelsius(raw)); }},
        {"clock (UTC)", route(Target::Clock), [](quint32 raw) {
             return QDateTime::fromSecsSinceEpoch(qint64(raw), Qt::UTC).toString(Qt::ISODate);
         }}};
    const QStringList units = config::unitNames();
    for (int input = 1; input <= device::kServedInputs; ++input) {
        const config::InputSettings &in = s.inputs[input - 1];
        const QString name = QStringLiteral("in%1 ").arg(input);
        if (in.type == device::InputDiscrete) {
            columns.append({name + "level", route(Target::Discrete, input),
                            [](quint32 raw) { return live::discreteText(raw >> 16 != 0); }});
        } else if (in.type == device::InputCounting) {
            const QString unit = units.value(in.counting.unit);
            const QString captions[device::kCounterQuantities] = {
                "absolute (" + live::impulseUnit() + ')',
                "absolute delta (" + live::impulseUnit() + ')', "physical (" + unit + ')',
                "physical delta (" + unit + ')'};
            for (int k = 0; k < device::kCounterQuantities; ++k) {
                const live::Display display = live::counterDisplay(k);
                columns.append({name + captions[k], route(Target::Counter, input, k),
                                [k, display](quint32 raw) {
                                    return k < 2 ? number(live::counterValue(raw, display.range),
                                                          display.decimals)
                                                 : floatText(raw, display);
                                }});
            }
        } else if (device::isAnalog(in.type)) {
            const QString electrical = live::electricalUnit(in.type);
            const QString unit = units.value(in.analog.unit);
            const QString captions[device::kAnalogQuantities] = {
                "value (" + electrical + ')',          "physical (" + unit + ')',
                "previous value (" + electrical + ')', "previous physical (" + unit + ')',
                "delta (" + electrical + ')',          "physical delta (" + unit + ')'};
            for (int k = 0; k < device::kAnalogQuantities; ++k) {
                const live::Display display = live::analogDisplay(k);
                columns.append({name + captions[k], route(Target::Analog, input, k),
                                [display](quint32 raw) { return floatText(raw, display); }});
            }
        }
    }
    return columns;
}

} // namespace

QString csvLine(const QStringList &fields)
{
    QStringList quoted;
    for (QString field : fields) {
        if (field.contains(QLatin1Char(',')) || field.contains(QLatin1Char('"')) ||
            field.contains(QLatin1Char('\n')) || field.contains(QLatin1Char('\r')))
            field = QLatin1Char('"') + field.replace(QLatin1Char('"'), QLatin1String("\"\"")) +
                    QLatin1Char('"');
        quoted << field;
    }
    return quoted.join(QLatin1Char(','));
}

QStringList watchHeader(const config::Settings &settings)
{
    QStringList header{"time (UTC)"};
    for (const Column &column : watchColumns(settings))
        header << column.header;
    return header;
}

QStringList watchRow(const QDateTime &time, const config::Settings &settings,
                     const QHash<int, QVector<quint16>> &words)
{
    QStringList row{time.toUTC().toString(Qt::ISODateWithMs)};
    for (const Column &column : watchColumns(settings)) {
        const QVector<quint16> got = words.value(column.read.start);
        // One-word values come as the high half, as two-word values are joined.
        row << (got.size() < column.read.words
                    ? QString()
                    : column.text(device::joinWords(got.at(0), got.value(1))));
    }
    return row;
}

QStringList reportHeader()
{
    return {"time (UTC)", "port",   "address", "identifier",
            "profile",    "sha256", "result",  "message"};
}

bool appendReport(const QString &path, const QStringList &fields, QString &error)
{
    QFile file(path);
    if (!file.open(QIODevice::Append | QIODevice::Text)) {
        error = QStringLiteral("отчёт %1 не записан: %2").arg(path, file.errorString());
        return false;
    }
    QByteArray text;
    if (file.size() == 0)
        text = csvLine(reportHeader()).toUtf8() + '\n';
    text += csvLine(fields).toUtf8() + '\n';
    if (file.write(text) != text.size() || !file.flush()) {
        error = QStringLiteral("отчёт %1 не записан: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace morlenta::cli
