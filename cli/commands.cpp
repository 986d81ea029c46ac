#include "cli/commands.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonDocument>
#include <QSet>

#include <cstdio>

#include "cli/csv.h"
#include "cli/profile.h"
#include "cli/session.h"
#include "cli/trace.h"
#include "config/fields.h"
#include "config/settings.h"
#include "config/validation.h"
#include "link/commandplan.h"
#include "link/commparams.h"
#include "link/portlist.h"
#include "live/pollplan.h"

namespace morlenta::cli {

namespace {

using device::Block;
using device::route;
using device::Target;
namespace reg = device::reg;

void print(const QString &text)
{
    std::fputs(text.toUtf8().constData(), stdout);
    std::fflush(stdout);
}

void note(const QString &text)
{
    std::fprintf(stderr, "morlenta-cli: %s\n", text.toUtf8().constData());
}

QString hex(quint16 word)
{
    return QStringLiteral("0x%1").arg(word, 4, 16, QLatin1Char('0'));
}

// What a run of write leaves for its report line.
struct WriteRecord
{
    int address = 0;
    QString identifier;
};

// Opens the line, wakes the controller and reads its block; its online time then counts.
LinkResult openAndRead(LineSession &session, Block &block)
{
    LinkResult r = session.open();
    if (r.ok())
        r = session.read(route(Target::Block));
    if (r.ok()) {
        std::copy_n(r.words.cbegin(), device::kBlockWords, block.begin());
        session.setOnlineSeconds(device::onlineSeconds(block[reg::OnlineTime]));
    }
    return r;
}

// The line the controller answers on once `block` is applied (words 4..8); what the block does
// not say stays as it is.
LineOptions lineOf(const Block &block, LineOptions line)
{
    const auto pick = [](const link::CommList &list, int index, int &out) {
        if (index >= 0 && index < list.items.size())
            out = list.items.at(index).data.isValid() ? list.items.at(index).data.toInt()
                                                      : list.items.at(index).text.toInt();
    };
    pick(link::addressList(), block[reg::NewAddress] - 1, line.address);
    pick(link::baudRateList(), block[reg::NewBaudRate], line.baud);
    pick(link::dataBitsList(), block[reg::NewDataBits], line.dataBits);
    pick(link::parityList(), block[reg::NewParity], line.parity);
    pick(link::stopBitsList(), block[reg::NewStopBits], line.stopBits);
    return line;
}

QString identifierOf(const Block &block)
{
    config::IdentifierWords id;
    std::copy_n(block.cbegin() + reg::Identifier, id.size(), id.begin());
    return config::identifierText(id);
}

// Writes `block` and applies it as the window does, releases the port at 3 s and reopens it at
// 4 s with the line the block sets, wakes the controller and compares the block read back.
Outcome writeAndReadBack(LineSession &session, const Block &block)
{
    for (const link::Request &request : link::commandPlan(link::ApplyConfig).requests) {
        const device::Route where = route(request.target);
        const QVector<quint16> words =
            request.source == link::Source::Block
                ? QVector<quint16>(block.cbegin(), block.cbegin() + where.words)
                : QVector<quint16>{request.value};
        const LinkResult r = session.write(where, words);
        if (!r.ok())
            return outcomeOf(r, session.line());
    }
    QElapsedTimer sinceWrite;
    sinceWrite.start();
    session.pause(link::kReleaseMs - sinceWrite.elapsed());
    session.close();
    session.pause(link::kReopenMs - sinceWrite.elapsed());
    session.setLine(lineOf(block, session.line()));
    Block back{};
    const LinkResult r = openAndRead(session, back);
    if (!r.ok()) {
        Outcome outcome = outcomeOf(r, session.line());
        outcome.message.prepend(
            QStringLiteral("Блок записан и применён, но прочитать его заново не удалось.\n"));
        return outcome;
    }
    QStringList differences;
    for (int word = 0; word < device::kBlockWords; ++word)
        if (back[word] != block[word])
            differences << QStringLiteral("слово %1: записано %2, прочитано %3")
                               .arg(word)
                               .arg(hex(block[word]), hex(back[word]));
    if (!differences.isEmpty())
        return {ExitDiffers,
                QStringLiteral("Блок, прочитанный после записи, отличается от записанного:\n") +
                    differences.join('\n'),
                QStringLiteral("differs")};
    return {ExitOk, QString(), QStringLiteral("ok")};
}

// What a write would change: the profile's fields, then the words.
void printChanges(const Block &before, const Block &after)
{
    const QMap<QString, QString> was = profileFields(profileOf(shownSettings(before)));
    const QMap<QString, QString> will = profileFields(profileOf(shownSettings(after)));
    QStringList keys = was.keys() + will.keys();
    keys.removeDuplicates();
    keys.sort();
    QString changes;
    const QString none = QStringLiteral("—");
    for (const QString &key : keys)
        if (was.value(key, none) != will.value(key, none))
            changes += QStringLiteral("%1: %2 -> %3\n")
                           .arg(key, was.value(key, none), will.value(key, none));
    for (int word = 0; word < device::kBlockWords; ++word)
        if (before[word] != after[word])
            changes += QStringLiteral("слово %1: %2 -> %3\n")
                           .arg(word)
                           .arg(hex(before[word]), hex(after[word]));
    print(changes.isEmpty() ? QStringLiteral("изменений нет\n") : changes);
}

// Checks and encodes `settings` over `block`; refused: exit 4 and every message.
Outcome encodeChecked(const QStringList &refusals, const config::Settings &settings,
                      const Block &block, Block &encoded)
{
    const QStringList messages = refusals.isEmpty() ? validationMessages(settings) : refusals;
    if (!messages.isEmpty())
        return {ExitRefused,
                QStringLiteral("Профиль не принят, ничего не записано:\n") + messages.join('\n'),
                QStringLiteral("refused")};
    encoded = config::encodeSettings(settings, block);
    return {ExitOk, QString(), QStringLiteral("ok")};
}

Outcome writeProfile(LineSession &session, const Invocation &inv, const QByteArray &text,
                     WriteRecord &record)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(text, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject())
        return {ExitRefused,
                QStringLiteral("Профиль не принят: это не объект JSON (%1, позиция %2)")
                    .arg(parseError.errorString())
                    .arg(parseError.offset),
                QStringLiteral("refused")};
    if (document.object().value("format") != QJsonValue(QString::fromLatin1(kProfileFormat)))
        return {ExitRefused,
                QStringLiteral("Профиль не принят: format: ожидается \"%1\"").arg(kProfileFormat),
                QStringLiteral("refused")};

    Block block{};
    LinkResult r = openAndRead(session, block);
    if (!r.ok())
        return outcomeOf(r, session.line());
    record.identifier = identifierOf(block);
    config::Settings settings = shownSettings(block);
    const QStringList refusals = applyProfile(document.object(), settings);
    Block encoded{};
    const Outcome checked = encodeChecked(refusals, settings, block, encoded);
    if (checked.code != ExitOk)
        return checked;
    if (inv.dryRun) {
        printChanges(block, encoded);
        return {ExitOk, QString(), QStringLiteral("dry-run")};
    }
    const Outcome written = writeAndReadBack(session, encoded);
    record.address = session.line().address;
    return written;
}

Outcome writeCommand(LineSession &session, const Invocation &inv)
{
    const QString path = inv.arguments.value(0);
    QFile file;
    const bool opened = path == QLatin1String("-")
                            ? file.open(stdin, QIODevice::ReadOnly)
                            : (file.setFileName(path), file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    WriteRecord record;
    record.address = session.line().address;
    Outcome outcome =
        opened
            ? writeProfile(session, inv, text, record)
            : Outcome{
                  ExitUsage,
                  QStringLiteral("Файл профиля %1 не читается: %2").arg(path, file.errorString()),
                  QStringLiteral("failed")};
    if (inv.report.isEmpty())
        return outcome;
    const QString sha =
        opened ? QString::fromLatin1(
                     QCryptographicHash::hash(text, QCryptographicHash::Sha256).toHex())
               : QString();
    QString message = outcome.message;
    message.replace('\n', QStringLiteral(" / "));
    const QStringList line = {QDateTime::currentDateTimeUtc().toString(Qt::ISODate),
                              inv.line.port,
                              QString::number(record.address),
                              record.identifier,
                              path,
                              sha,
                              outcome.result,
                              message};
    QString error;
    if (!appendReport(inv.report, line, error)) {
        if (outcome.code == ExitOk)
            return {ExitFailed, error, outcome.result};
        note(error);
    }
    return outcome;
}

Outcome setIdentifierCommand(LineSession &session, const Invocation &inv)
{
    if (!config::isServicePassword(inv.servicePassword))
        return {ExitUsage, QStringLiteral("Неверный пароль сервисного режима."),
                QStringLiteral("refused")};
    config::IdentifierWords id;
    if (!config::parseIdentifier(inv.arguments.value(0), id))
        return {
            ExitUsage,
            QStringLiteral("Идентификатор %1: нужны 16 шестнадцатеричных цифр (дефисы где угодно).")
                .arg(inv.arguments.value(0)),
            QStringLiteral("refused")};
    Block block{};
    LinkResult r = openAndRead(session, block);
    if (!r.ok())
        return outcomeOf(r, session.line());
    config::Settings settings = shownSettings(block);
    settings.identifier = id;
    settings.writeIdentifier = true;
    Block encoded{};
    Outcome outcome = encodeChecked({}, settings, block, encoded);
    if (outcome.code == ExitOk)
        outcome = writeAndReadBack(session, encoded);
    if (outcome.code == ExitOk)
        print(config::identifierText(id) + '\n');
    return outcome;
}

Outcome readCommand(LineSession &session, bool raw)
{
    Block block{};
    LinkResult r = openAndRead(session, block);
    if (!r.ok())
        return outcomeOf(r, session.line());
    if (raw) {
        const device::Route stored = route(Target::StoredWord);
        r = session.read(stored);
        if (!r.ok())
            return outcomeOf(r, session.line());
        QString text;
        for (int word = 0; word < device::kBlockWords; ++word)
            text += QStringLiteral("%1 %2\n").arg(word).arg(hex(block[word]));
        print(text + QStringLiteral("%1 %2\n").arg(stored.start).arg(hex(r.words.at(0))));
        return {};
    }
    QStringList skipped;
    const QJsonObject profile = profileOf(shownSettings(block), &skipped);
    for (const QString &path : skipped)
        note(QStringLiteral("%1: у контроллера значение не из списка страницы настроек; ключ не "
                            "записан, при записи профиля слово останется как есть")
                 .arg(path));
    print(QString::fromUtf8(QJsonDocument(profile).toJson(QJsonDocument::Indented)));
    return {};
}

Outcome watchCommand(LineSession &session, const Invocation &inv)
{
    LineSession::catchInterrupts();
    Block block{};
    LinkResult r = openAndRead(session, block);
    if (!r.ok())
        return outcomeOf(r, session.line());
    const config::Settings settings = shownSettings(block);
    const QVector<device::Route> plan =
        live::pollPlan(quint16(settings.solenoidType), quint16(settings.inputs[0].type),
                       quint16(settings.inputs[1].type));
    print(csvLine(watchHeader(settings)) + '\n');
    QElapsedTimer clock;
    clock.start();
    qint64 tick = 0;
    for (int rows = 0; inv.count == 0 || rows < inv.count; ++rows) {
        if (!session.pause(tick - clock.elapsed()))
            break;
        const QDateTime time = QDateTime::currentDateTimeUtc();
        QHash<int, QVector<quint16>> words;
        for (const device::Route &read : plan) {
            r = session.read(read);
            if (LineSession::interrupted())
                return {};
            if (r.ok()) {
                words.insert(read.start, r.words);
                continue;
            }
            const Outcome failed = outcomeOf(r, session.line());
            if (r.status == LinkResult::NoAnswer || r.status == LinkResult::PortLost)
                return failed;
            note(failed.message); // the value's field stays empty
        }
        print(csvLine(watchRow(time, settings, words)) + '\n');
        // A tick that the reads overran is skipped, as the inputs page skips it.
        tick += inv.intervalMs;
        if (tick < clock.elapsed())
            tick += (clock.elapsed() - tick) / inv.intervalMs * inv.intervalMs + inv.intervalMs;
    }
    return {};
}

// valve open|close, clock set, reset-counters: the window's command plans.
Outcome planCommand(LineSession &session, link::Command command)
{
    LinkResult r = session.open();
    if (!r.ok())
        return outcomeOf(r, session.line());
    for (const link::Request &request : link::commandPlan(command).requests) {
        QVector<quint16> words{request.value};
        const auto seconds = quint32(QDateTime::currentSecsSinceEpoch());
        if (request.source == link::Source::Clock)
            words = {device::highWord(seconds), device::lowWord(seconds)};
        r = session.write(route(request.target), words);
        if (!r.ok())
            return outcomeOf(r, session.line());
        if (request.source == link::Source::Clock)
            print(QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC).toString(Qt::ISODate) + '\n');
    }
    return {};
}

Outcome portsCommand()
{
    const QStringList snapshot = link::buildSnapshot(link::availablePorts());
    QString text;
    for (int i = 0; i + 2 < snapshot.size(); i += 3)
        text += snapshot.at(i) + '\t' + snapshot.at(i + 1) + '\t' + snapshot.at(i + 2) + '\n';
    print(text);
    return {};
}

} // namespace

Outcome runCommand(const Invocation &inv)
{
    installTrace(inv.line.trace);
    const QString &command = inv.command;
    if (command == QLatin1String("ports"))
        return portsCommand();
    LineSession session(inv.line);
    if (command == QLatin1String("wake")) {
        LinkResult r = session.open();
        if (r.ok())
            r = session.wake();
        if (!r.ok())
            return outcomeOf(r, session.line());
        print(QStringLiteral("0x%1: ответ на опрос %2 из 6\n")
                  .arg(QString::number(device::kAwakeAnswer, 16).toUpper())
                  .arg(session.probes()));
        return {};
    }
    if (command == QLatin1String("read"))
        return readCommand(session, inv.raw);
    if (command == QLatin1String("write"))
        return writeCommand(session, inv);
    if (command == QLatin1String("watch"))
        return watchCommand(session, inv);
    if (command == QLatin1String("set-identifier"))
        return setIdentifierCommand(session, inv);
    if (command == QLatin1String("valve"))
        return planCommand(session, inv.arguments.value(0) == QLatin1String("open")
                                        ? link::OpenValve
                                        : link::CloseValve);
    if (command == QLatin1String("clock"))
        return planCommand(session, link::SetClock);
    return planCommand(session, link::ResetCounters);
}

} // namespace morlenta::cli
