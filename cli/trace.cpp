#include "cli/trace.h"

#include <QDateTime>
#include <QLoggingCategory>
#include <QRegularExpression>

#include <cstdio>

namespace morlenta::cli {

namespace {

QString hexWords(const QVector<quint16> &words)
{
    QStringList texts;
    for (quint16 word : words)
        texts << QStringLiteral("%1").arg(word, 4, 16, QLatin1Char('0'));
    return texts.join(QLatin1Char(' '));
}

QString hexBytes(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' '));
}

QString requestPart(const TracedRequest &request)
{
    return QStringLiteral("fn %1 start %2 count %3")
        .arg(request.function, 2, 16, QLatin1Char('0'))
        .arg(request.start)
        .arg(request.count);
}

QString dataPart(const QVector<quint16> &data)
{
    return data.isEmpty() ? QString() : QStringLiteral(" data ") + hexWords(data);
}

// The client's messages name its kind first; the trace leaves that out.
const QString kClientPrefix = QStringLiteral("(RTU client) ");

bool g_on = false;
QtMessageHandler g_previousHandler = nullptr;
QLoggingCategory::CategoryFilter g_previousFilter = nullptr;

bool isClientCategory(const char *name)
{
    return name && (qstrcmp(name, "qt.modbus") == 0 || qstrcmp(name, "qt.modbus.lowlevel") == 0);
}

void filterCategory(QLoggingCategory *category)
{
    if (isClientCategory(category->categoryName())) {
        for (QtMsgType type : {QtDebugMsg, QtInfoMsg, QtWarningMsg, QtCriticalMsg})
            category->setEnabled(type, g_on);
        return;
    }
    if (g_previousFilter)
        g_previousFilter(category);
}

void handleMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    static FrameLog frames;
    if (isClientCategory(context.category)) {
        for (const QString &line : frames.take(message, type >= QtWarningMsg && type != QtInfoMsg))
            traceLine(line);
        return;
    }
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}

} // namespace

QString requestText(const TracedRequest &request)
{
    return QStringLiteral("-> ") + requestPart(request) + dataPart(request.data);
}

QString replyText(qint64 latencyMs, const TracedRequest &request, const QVector<quint16> &data,
                  const QString &outcome)
{
    return QStringLiteral("<- %1 ms ").arg(latencyMs) + requestPart(request) + dataPart(data) +
           QLatin1Char(' ') + outcome;
}

QStringList FrameLog::take(const QString &message, bool warning)
{
    // Qt 5.15's RTU client: "Sent Serial ADU: 0x0103...", "Response buffer: \"0103...\"" for
    // every piece received, and "Received ADU: \"0103...\"" once a frame is complete.
    static const QRegularExpression frame(
        QStringLiteral("^\\(RTU client\\) (Sent Serial ADU|Received ADU|Response buffer): "
                       "\"?(?:0x)?([0-9a-f]*)\"?$"));
    const QRegularExpressionMatch match = frame.match(message);
    if (match.hasMatch()) {
        const QByteArray bytes = QByteArray::fromHex(match.captured(2).toLatin1());
        const QString kind = match.captured(1);
        if (kind == QLatin1String("Response buffer")) {
            m_partial = bytes;
            return {};
        }
        const bool sent = kind.startsWith(QLatin1String("Sent"));
        if (!sent)
            m_partial.clear();
        return {QStringLiteral("frame %1 %2").arg(sent ? "->" : "<-", hexBytes(bytes))};
    }
    // A reply that never completed: what arrived of it, and why it was not taken.
    if (!warning && !message.contains(QLatin1String("timeout")))
        return {};
    QStringList lines;
    if (!m_partial.isEmpty())
        lines << QStringLiteral("frame <- %1 (incomplete)").arg(hexBytes(m_partial));
    m_partial.clear();
    QString note = message;
    if (note.startsWith(kClientPrefix))
        note.remove(0, kClientPrefix.size());
    return lines << QStringLiteral("note ") + note;
}

void installTrace(bool on)
{
    g_on = on;
    if (on)
        g_previousHandler = qInstallMessageHandler(handleMessage);
    g_previousFilter = QLoggingCategory::installFilter(filterCategory);
}

bool tracing()
{
    return g_on;
}

void traceLine(const QString &text)
{
    if (!g_on)
        return;
    const QString time = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
    std::fprintf(stderr, "%s %s\n", qPrintable(time), text.toUtf8().constData());
    std::fflush(stderr);
}

} // namespace morlenta::cli
