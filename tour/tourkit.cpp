#include "tourkit.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

namespace tour {

namespace {

constexpr int kPollMs = 20;

bool takeValue(const QStringList &args, int &i, QString &value, QString &error)
{
    if (i + 1 >= args.size() || args.at(i + 1).startsWith(QLatin1String("--"))) {
        error = QStringLiteral("%1 needs a value").arg(args.at(i));
        return false;
    }
    value = args.at(++i);
    return true;
}

} // namespace

QString usage()
{
    return QStringLiteral("usage: morlenta-tour --port PATH --out DIR --sim-log FILE "
                          "[--wait-seconds N]\n"
                          "  --port PATH        the tool's end of the simulator's line\n"
                          "  --out DIR          folder for the pictures (created if missing)\n"
                          "  --sim-log FILE     the simulator's request log\n"
                          "  --wait-seconds N   longest wait for one condition (default 30)\n");
}

bool parseArguments(const QStringList &args, Options &options, QString &error)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString &name = args.at(i);
        QString value;
        if (name == QLatin1String("--port") || name == QLatin1String("--out") ||
            name == QLatin1String("--sim-log") || name == QLatin1String("--wait-seconds")) {
            if (!takeValue(args, i, value, error))
                return false;
        } else {
            error = QStringLiteral("unknown argument %1").arg(name);
            return false;
        }
        if (name == QLatin1String("--port")) {
            options.port = value;
        } else if (name == QLatin1String("--out")) {
            options.outDir = value;
        } else if (name == QLatin1String("--sim-log")) {
            options.simLog = value;
        } else {
            bool ok = false;
            const int seconds = value.toInt(&ok);
            if (!ok || seconds < 1 || seconds > 3600) {
                error = QStringLiteral("--wait-seconds needs 1..3600, not %1").arg(value);
                return false;
            }
            options.waitMs = seconds * 1000;
        }
    }
    for (const auto &required :
         {std::make_pair(&options.port, "--port"), std::make_pair(&options.outDir, "--out"),
          std::make_pair(&options.simLog, "--sim-log")}) {
        if (required.first->isEmpty()) {
            error = QStringLiteral("%1 is required").arg(QLatin1String(required.second));
            return false;
        }
    }
    return true;
}

QString shotFileName(int step, const QString &name)
{
    QString slug;
    for (const QChar c : name.toLower()) {
        const bool plain = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                           (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
        if (plain)
            slug += c;
        else if (!slug.isEmpty() && !slug.endsWith(QLatin1Char('-')))
            slug += QLatin1Char('-');
    }
    while (slug.endsWith(QLatin1Char('-')))
        slug.chop(1);
    return QStringLiteral("%1-%2.png").arg(step, 2, 10, QLatin1Char('0')).arg(slug);
}

Led ledOf(const QString &styleSheet)
{
    // The fill is the one background-color of the sheet; blanks inside rgb() vary.
    QString sheet = styleSheet;
    sheet.remove(QLatin1Char(' '));
    const int at = sheet.indexOf(QLatin1String("background-color:rgb("));
    if (at < 0)
        return Led::Unknown;
    const int open = sheet.indexOf(QLatin1Char('('), at);
    const int close = sheet.indexOf(QLatin1Char(')'), open);
    if (close < 0)
        return Led::Unknown;
    const QString rgb = sheet.mid(open + 1, close - open - 1);
    static const QList<QPair<QString, Led>> colours = {
        {QStringLiteral("255,0,0"), Led::Red},      {QStringLiteral("0,128,0"), Led::Green},
        {QStringLiteral("255,255,0"), Led::Yellow}, {QStringLiteral("255,128,0"), Led::Orange},
        {QStringLiteral("0,0,255"), Led::Blue},
    };
    for (const auto &colour : colours)
        if (rgb == colour.first)
            return colour.second;
    return Led::Unknown;
}

const char *ledName(Led led)
{
    switch (led) {
    case Led::Red:
        return "red";
    case Led::Green:
        return "green";
    case Led::Yellow:
        return "yellow";
    case Led::Orange:
        return "orange";
    case Led::Blue:
        return "blue";
    case Led::Unknown:
        break;
    }
    return "unknown";
}

QList<Request> parseRequestLog(const QByteArray &text)
{
    QList<Request> log;
    int from = 0;
    for (int nl = text.indexOf('\n'); nl >= 0; nl = text.indexOf('\n', from)) {
        const QJsonDocument doc = QJsonDocument::fromJson(text.mid(from, nl - from));
        from = nl + 1;
        if (!doc.isObject())
            continue;
        const QJsonObject o = doc.object();
        Request r;
        r.fn = o.value(QLatin1String("fn")).toInt();
        r.start = o.value(QLatin1String("start")).toInt();
        r.count = o.value(QLatin1String("count")).toInt();
        r.answered = o.value(QLatin1String("answered")).toBool();
        for (const QJsonValue &v : o.value(QLatin1String("values")).toArray())
            r.values.append(v.toInt());
        log.append(r);
    }
    return log;
}

int findRequest(const QList<Request> &log, int from, int fn, int start)
{
    for (int i = qMax(0, from); i < log.size(); ++i)
        if (log.at(i).fn == fn && log.at(i).start == start)
            return i;
    return -1;
}

bool waitUntil(const std::function<bool()> &condition, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.hasExpired(timeoutMs))
            return condition();
        QEventLoop loop;
        QTimer::singleShot(kPollMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

} // namespace tour
