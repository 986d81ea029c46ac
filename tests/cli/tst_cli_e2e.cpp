// morlenta-cli end to end: the built program run as a child process against morlenta-sim. Every
// written word is checked against the words the simulator served (its log), never against the
// program's own reading of them.
#include <QtTest>

#include <QJsonDocument>
#include <QJsonObject>

#include <cstring>

#include "support/simharness.h"

namespace {

struct Run
{
    int code = -1;
    QString out, err;
};

Run cli(const SimHarness &h, const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(MORLENTA_CLI_PATH), QStringList{"--port", h.toolPort()} + args);
    if (!p.waitForFinished(120000))
        p.kill();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

QString saved(const SimHarness &h, const QString &name, const QByteArray &text)
{
    QFile file(h.dir() + '/' + name);
    file.open(QIODevice::WriteOnly);
    file.write(text);
    return file.fileName();
}

bool wrote(const SimHarness &h)
{
    return !h.requests(kWriteOne).isEmpty() || !h.requests(kWriteMany).isEmpty();
}

// The block of the last answered read of the whole block.
QVector<quint16> lastBlock(const SimHarness &h)
{
    const QVector<SimRequest> reads = h.requests(kRead, kBlock);
    for (auto r = reads.crbegin(); r != reads.crend(); ++r)
        if (r->answered)
            return r->served;
    return {};
}

// Words where two blocks differ.
QSet<int> differing(const QVector<quint16> &a, const QVector<quint16> &b)
{
    QSet<int> words;
    for (int i = 0; i < std::max(a.size(), b.size()); ++i)
        if (a.value(i, 0xFFFF) != b.value(i, 0xFFFF) || a.size() != b.size())
            words << i;
    return words;
}

} // namespace

class TestCliE2E : public QObject
{
    Q_OBJECT

private slots:
    void wakeTraceAndCommands();
    void neverWakes();
    void roundTripEditAndRefusal();
    void watchHeaviest();
    void readBackCatchesAnAlteredWord();
    void oneProfileToThreeUnits();
};

// Faults: the probes go out back to back or stop before the answer; the trace lacks the frames
// (the client's logging left to the environment, which CTest sets to off) or the bytes of a reply
// cut short; the valve's open and close swapped, the clock's words out of order or not the PC's
// time, a reset that is no 0; a time-out not reported as exit 6.
void TestCliE2E::wakeTraceAndCommands()
{
    SimHarness h;
    QVERIFY(h.start({"--wake-at", "3"}));
    Run run = cli(h, {"--trace", "wake"});
    QCOMPARE(run.code, 0);
    const QVector<SimRequest> probes = h.requests(kRead, kProbe);
    QCOMPARE(probes.size(), 3);
    QVERIFY(!probes[1].answered && probes[2].answered);
    QVERIFY2(run.err.contains("frame -> 01 03 8f fa 00 01 8e ef") &&
                 run.err.contains("frame <- 01 03 02 fa ce 7b 70"),
             qPrintable(run.err));

    QCOMPARE(cli(h, {"valve", "open"}).code, 0);
    QCOMPARE(cli(h, {"valve", "close"}).code, 0);
    QCOMPARE(cli(h, {"reset-counters"}).code, 0);
    QCOMPARE(cli(h, {"clock", "set"}).code, 0);
    const quint32 now = quint32(QDateTime::currentSecsSinceEpoch());
    QVector<QVector<int>> writes; // function, register, values
    for (const SimRequest &r : h.requests())
        if (r.fn != kRead)
            writes.append(QVector<int>{r.fn, r.start} +
                          QVector<int>(r.values.begin(), r.values.end()));
    QCOMPARE(writes.size(), 4);
    QCOMPARE(writes[0], (QVector<int>{kWriteOne, 32768, 0}));
    QCOMPARE(writes[1], (QVector<int>{kWriteOne, 32768, 1}));
    QCOMPARE(writes[2], (QVector<int>{kWriteOne, 259, 0}));
    QCOMPARE(writes[3].mid(0, 2), (QVector<int>{kWriteMany, 36861}));
    QVERIFY(qAbs(qint64(quint32(writes[3][2]) << 16 | quint32(writes[3][3])) - qint64(now)) <= 5);

    // Every second reply loses its last three bytes: the probe's arrives, the block's never does.
    QVERIFY(h.restartSim({"--awake", "--truncate-every", "2"}));
    run = cli(h, {"--trace", "--timeout", "300", "--retries", "0", "read", "--raw"});
    QCOMPARE(run.code, 6);
    QVERIFY2(run.err.contains(
                 QRegularExpression("frame <- 01 03 aa c1 ab [0-9a-f ]+ \\(incomplete\\)")) &&
                 run.err.contains("перепутаны линии A и B"),
             qPrintable(run.err));
}

// Faults: the probes take the client's time-out and retries (minutes instead of seconds), more or
// fewer than six are sent, or a controller that never answers is not exit 6.
void TestCliE2E::neverWakes()
{
    SimHarness h;
    QVERIFY(h.start({"--never-wake"}));
    const Run run = cli(h, {"--timeout", "20000", "--retries", "5", "read"});
    QCOMPARE(run.code, 6);
    const QVector<SimRequest> probes = h.requests(kRead, kProbe);
    QCOMPARE(probes.size(), 6);
    QCOMPARE(h.requests().size(), 6);
    QVERIFY(run.err.contains("не тот порт"));
}

// Faults: a read-then-write of the same profile changes a word (a list code shown as another
// item, a float not given back exactly, a field of an unused input or row lost, word 84); an
// edited key lands in another word; a profile refused for its keys or by the settings page's
// checks still writes something.
void TestCliE2E::roundTripEditAndRefusal()
{
    SimHarness h; // a counting and a current input
    QVERIFY(h.start());
    const Run read = cli(h, {"read"});
    QCOMPARE(read.code, 0);
    QJsonObject profile = QJsonDocument::fromJson(read.out.toUtf8()).object();
    QVERIFY(!profile.isEmpty());

    const auto edited = [&](const QString &key, const QJsonValue &value) {
        QJsonObject copy = profile;
        QJsonArray inputs = copy["inputs"].toArray();
        QJsonObject first = inputs[0].toObject();
        first[key] = value;
        inputs[0] = first;
        copy["inputs"] = inputs;
        return QJsonDocument(copy).toJson();
    };
    Run refused = cli(h, {"write", saved(h, "typo.json", edited("wieght", 0.5))});
    QCOMPARE(refused.code, 4);
    QVERIFY2(refused.err.contains("inputs[0].wieght"), qPrintable(refused.err));
    refused = cli(h, {"write", saved(h, "zero.json", edited("weight", 0))});
    QCOMPARE(refused.code, 4);
    QVERIFY2(
        refused.err.contains("inputs[0].weight: CT1: Вес импульса(физ.вел.) не может быть равен 0"),
        qPrintable(refused.err));
    QVERIFY(!wrote(h));

    const auto written = [&](const QByteArray &text) {
        const QVector<quint16> served = lastBlock(h);
        const int before = h.requests().size();
        const Run run = cli(h, {"write", saved(h, "profile.json", text)});
        const QVector<SimRequest> log = h.requests().mid(before);
        QVector<SimRequest> writes;
        std::copy_if(log.begin(), log.end(), std::back_inserter(writes),
                     [](const SimRequest &r) { return r.fn != kRead; });
        // the block, the apply word with its first word, then the block read back
        const bool sequence = run.code == 0 && writes.size() == 2 &&
                              writes[0].is(kWriteMany, kBlock) && writes[1].is(kWriteOne, kApply) &&
                              writes[1].values == writes[0].values.mid(0, 1) &&
                              lastBlock(h) == writes[0].values;
        return std::pair{sequence ? differing(served, writes[0].values) : QSet<int>{-1},
                         writes.value(0).values};
    };
    QCOMPARE(written(read.out.toUtf8()).first, QSet<int>{});
    // 0.25 is 0x3E800000, high word first; row 0 of input 1 holds words 23 and 24 (0.01 before).
    const auto [changed, block] = written(edited("weight", 0.25));
    QCOMPARE(changed, (QSet<int>{23, 24}));
    QCOMPARE(block.mid(23, 2), (QVector<quint16>{0x3E80, 0x0000}));
}

// Faults: a column under another header or unit; a value converted or limited otherwise than the
// inputs page does (floats, the signed temperature, the clock); a read of the tick missing, so
// that its field stays empty.
void TestCliE2E::watchHeaviest()
{
    SimHarness h; // voltage and current inputs, bistable solenoid: 16 reads a tick
    QVERIFY(h.start({"--input1", "3", "--input2", "4", "--solenoid", "0"}));
    const Run run = cli(h, {"watch", "--count", "2"});
    QCOMPARE(run.code, 0);
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0],
             QString("time (UTC),valve,capacitor (0..24),temperature (°C),clock (UTC),"
                     "in1 value (В),in1 physical (м),in1 previous value (В),in1 previous physical "
                     "(м),in1 delta (В),in1 physical delta (м),in2 value (мА),in2 physical (кПа),"
                     "in2 previous value (мА),in2 previous physical (кПа),in2 delta (мА),in2 "
                     "physical delta (кПа)"));

    QVector<SimRequest> live;
    for (const SimRequest &r : h.requests(kRead))
        if (r.start >= 32768 && r.start != kProbe)
            live.append(r);
    QCOMPARE(live.size(), 32);
    for (int row = 0; row < 2; ++row) {
        QHash<int, quint32> served;
        for (const SimRequest &r : live.mid(16 * row, 16))
            served[r.start] =
                r.served.size() == 2 ? quint32(r.served[0]) << 16 | r.served[1] : r.served[0];
        const auto real = [&](int start) {
            float f;
            const quint32 bits = served[start];
            std::memcpy(&f, &bits, sizeof f);
            return QString::number(f, 'f', 2);
        };
        QStringList expected = {
            served[32768] == 1 ? "закрыт" : "открыт", QString::number(served[36851]),
            QString::number(qint32(served[36859])),
            QDateTime::fromSecsSinceEpoch(served[36861], Qt::UTC).toString(Qt::ISODate)};
        for (int start = 32811; start <= 32833; start += 2)
            expected << real(start);
        QCOMPARE(lines[row + 1].section(',', 1), expected.join(','));
    }
}

// Fault: a controller that changes a word when it applies the block goes unnoticed: the write is
// reported as done although the unit runs another configuration.
void TestCliE2E::readBackCatchesAnAlteredWord()
{
    SimHarness h;
    QVERIFY(h.start({"--alter-on-apply", "25:4660"}));
    const Run read = cli(h, {"read"});
    QCOMPARE(read.code, 0);
    const Run run = cli(h, {"write", saved(h, "profile.json", read.out.toUtf8())});
    QCOMPARE(run.code, 5);
    QVERIFY2(run.err.contains("слово 25: записано 0x0000, прочитано 0x1234"), qPrintable(run.err));
}

// Faults: a profile written to several units changes their identifiers or words it does not
// cover, leaves the units unlike each other, or the report misses a unit, repeats its header or
// records a run that failed as ok.
void TestCliE2E::oneProfileToThreeUnits()
{
    SimHarness source; // voltage and discrete inputs, normally open solenoid
    QVERIFY(source.start({"--input1", "3", "--input2", "1", "--solenoid", "1"}));
    const Run read = cli(source, {"read"});
    QCOMPARE(read.code, 0);
    const QVector<quint16> original = lastBlock(source);
    const QString profile = saved(source, "profile.json", read.out.toUtf8());
    const QString report = source.dir() + "/report.csv";

    // Not covered by this profile: input 2's quantity, unit and rows 0, 1, 4, 5 (a discrete input
    // uses none of them), the counting bits (no input counts) and word 84.
    const QSet<int> own = {0, 1, 2, 3, 16, 20, 25, 26, 33, 34, 57, 58, 65, 66, 75, 76, 84};
    const QStringList identifiers = {"1111222233334444", "5555666677778888", "99990000aaaabbbb"};
    SimHarness units[3];
    QVector<QVector<quint16>> results;
    for (int u = 0; u < 3; ++u) {
        QVERIFY(units[u].start({"--identifier", identifiers[u]}));
        const Run run = cli(units[u], {"write", profile, "--report", report});
        QVERIFY2(run.code == 0, qPrintable(run.err));
        const QVector<quint16> result = lastBlock(units[u]);
        QVERIFY((differing(original, result) - own).isEmpty());
        QCOMPARE(QString("%1%2%3%4")
                     .arg(result[0], 4, 16, QChar('0'))
                     .arg(result[1], 4, 16, QChar('0'))
                     .arg(result[2], 4, 16, QChar('0'))
                     .arg(result[3], 4, 16, QChar('0')),
                 identifiers[u]);
        results.append(result);
    }
    QCOMPARE(differing(results[0], results[1]), (QSet<int>{0, 1, 2, 3}));
    QCOMPARE(differing(results[0], results[2]), (QSet<int>{0, 1, 2, 3}));

    QFile file(report), profileFile(profile);
    QVERIFY(file.open(QIODevice::ReadOnly) && profileFile.open(QIODevice::ReadOnly));
    const QString sha =
        QCryptographicHash::hash(profileFile.readAll(), QCryptographicHash::Sha256).toHex();
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines[0], QString("time (UTC),port,address,identifier,profile,sha256,result,message"));
    QSet<QString> reported;
    for (int u = 0; u < 3; ++u) {
        const QStringList fields = lines[u + 1].split(',');
        QCOMPARE(fields.size(), 8);
        QCOMPARE(fields.mid(1, 2), (QStringList{units[u].toolPort(), "1"}));
        QCOMPARE(fields.mid(4), (QStringList{profile, sha, "ok", ""}));
        reported << fields[3];
    }
    QCOMPARE(reported.size(), 3); // each unit's own identifier
}

QTEST_MAIN(TestCliE2E)
#include "tst_cli_e2e.moc"
