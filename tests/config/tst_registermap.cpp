// Codecs of the configuration block: floats, register addresses, the identifier both ways, the
// bit fields and the discrete edge codes.
#include <QtTest>

#include <limits>
#include <set>

#include "config/registermap.h"

using namespace config;

Q_DECLARE_METATYPE(config::IdentifierWords)

class TestRegisterMap : public QObject
{
    Q_OBJECT

private slots:
    void floatCodec_data();
    void floatCodec();
    void floatRegistersTileTheBlock();
    void identifier_data();
    void identifier();
    void identifierRejects();
    void inputBits();
    void discreteEdges();
};

void TestRegisterMap::floatCodec_data()
{
    QTest::addColumn<quint32>("bits");
    QTest::newRow("1.5") << 0x3FC00000u;
    QTest::newRow("-0.0") << 0x80000000u;
    QTest::newRow("0.1") << 0x3DCCCCCDu;
    QTest::newRow("denormal") << 0x00000001u;
    QTest::newRow("+inf") << 0x7F800000u;
    QTest::newRow("-inf") << 0xFF800000u;
    QTest::newRow("signalling NaN") << 0x7FA12345u;
    QTest::newRow("0xFFFF words") << 0xFFFFFFFFu;
}

void TestRegisterMap::floatCodec()
{
    QFETCH(quint32, bits);
    Block block;
    block.fill(0xA5A5);
    putFloat(block, 39, floatFromBits(bits));
    QCOMPARE(block[39], quint16(bits >> 16)); // high word in the lower register
    QCOMPARE(block[40], quint16(bits));
    QCOMPARE(block[38], quint16(0xA5A5));
    QCOMPARE(block[41], quint16(0xA5A5));
    QCOMPARE(floatBits(getFloat(block, 39)), bits);
    if (bits != 0x7FA12345u) // the form holds doubles; widening keeps every non-signalling value
        QCOMPARE(floatBits(float(double(getFloat(block, 39)))), bits);
}

void TestRegisterMap::floatRegistersTileTheBlock()
{
    QCOMPARE(inputFloatRegister(2, RowMinOpen), 41);
    QCOMPARE(inputFloatRegister(4, RowMaxClose), 69);
    std::set<int> used;
    for (int input = 1; input <= kInputSlots; ++input)
        for (int row = 0; row < kFloatRows; ++row) {
            QVERIFY(used.insert(inputFloatRegister(input, row)).second);
            QVERIFY(used.insert(inputFloatRegister(input, row) + 1).second);
        }
    QCOMPARE(*used.begin(), 23);
    QCOMPARE(*used.rbegin(), 70);
    QCOMPARE(int(used.size()), 48);
}

void TestRegisterMap::identifier_data()
{
    QTest::addColumn<IdentifierWords>("words");
    QTest::addColumn<QString>("text");
    QTest::newRow("example") << IdentifierWords{0xC1AB, 0x4523, 0xF76E, 0xAB89}
                             << "abc-12-3456ef-78-9a-b";
    QTest::newRow("all F") << IdentifierWords{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF}
                           << "fff-ff-ffffff-ff-ff-f";
    QTest::newRow("low byte first")
        << IdentifierWords{0x0201, 0x0403, 0x0605, 0x0807} << "010-20-304050-60-70-8";
}

void TestRegisterMap::identifier()
{
    QFETCH(IdentifierWords, words);
    QFETCH(QString, text);
    QCOMPARE(identifierText(words), text);
    for (const QString &typed : {text.toUpper(), text}) {
        IdentifierWords parsed{};
        QVERIFY(parseIdentifier(typed, parsed));
        QCOMPARE(parsed, words);
    }
}

void TestRegisterMap::identifierRejects()
{
    for (const char *text :
         {"ABC-12-3456EF-78-9A-", "ABC-12-3456EF-78-9A-BC", "ABC-12-3456EF-78-9A-#",
          "ABC-12-3456EG-78-9A-B", "ABC-12-3456E+-78-9A-B", ""}) {
        IdentifierWords words{1, 2, 3, 4};
        QVERIFY2(!parseIdentifier(QString::fromLatin1(text), words), text);
        QCOMPARE(words, (IdentifierWords{1, 2, 3, 4}));
    }
}

void TestRegisterMap::inputBits()
{
    QCOMPARE(packInputBits(1, 0), quint16(1));
    QCOMPARE(packInputBits(1, 1), quint16(3));
    QCOMPARE(packInputBits(0, 1), quint16(2));
    QCOMPARE(inputBit(0xFFFC, 1), 0); // bits 2..15 mean nothing
    QCOMPARE(inputBit(0xFFFC, 2), 0);
    QCOMPARE(inputBit(2, 2), 1);
    QCOMPARE(indexWord(-1), quint16(0xFFFF));
}

void TestRegisterMap::discreteEdges()
{
    const float inf = std::numeric_limits<float>::infinity();
    const QVector<QPair<float, int>> cases = {{2.0f, 2},
                                              {1.9f, 1},
                                              {-0.0f, 0},
                                              {-0.5f, 0},
                                              {-1.5f, -1},
                                              {inf, -1},
                                              {-inf, -1},
                                              {floatFromBits(0x7FC00000u), -1},
                                              {3e9f, -1},
                                              {-3e9f, -1},
                                              {2147483520.0f, 2147483520}};
    for (const auto &c : cases)
        QCOMPARE(discreteEdgeIndex(c.first), c.second);
    for (int index : {0, 1, 2})
        QCOMPARE(discreteEdgeIndex(discreteEdgeFloat(index)), index);
}

QTEST_MAIN(TestRegisterMap)
#include "tst_registermap.moc"
