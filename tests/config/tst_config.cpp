// The configuration block: field codecs, catalogue look-ups, the input checks, and blocks decoded
// into the settings form of a real main window and encoded back.
#include <QtTest>

#include <cmath>

#include "config/catalog.h"
#include "config/fields.h"
#include "config/validation.h"
#include "device/registermap.h"
#include "support/valvetestaccess.h"

using namespace morlenta::config;
using namespace morlenta::device;
using A = ValveTestAccess;
using Check = Valve::FormCheck;

namespace {

constexpr int kWaitMs = 15000;
const float kUnused = std::numeric_limits<float>::quiet_NaN();

// Quantity, unit and six float rows of an input; kUnused marks a row the type leaves alone. The
// values are ones the two-decimal spin boxes show exactly, and multiples of the weight.
struct InputSample
{
    quint16 quantity, unit;
    float rows[kFloatRows];
};
const InputSample kSamples[3][2] = {
    {{0, 0, {kUnused, kUnused, 2, 0, kUnused, kUnused}}, // discrete: edge codes
     {0, 0, {kUnused, kUnused, 1, 2, kUnused, kUnused}}},
    {{11, 1, {0.1f, kUnused, 0.3f, 1.2f, 50, 7.7f}}, // counting: weight, -, thresholds
     {25, 16, {0.25f, kUnused, 0.5f, 0.75f, 1000, 2.5f}}},
    {{3, 42, {-12.5f, 250.75f, 10, 20.5f, 200.25f, -3}}, // analog: limits, thresholds
     {4, 21, {4, 20, 5.5f, 6.6f, 18, 19.99f}}},
};

// A block as a controller might hold it. Inputs 3/4 and the rows a type leaves alone hold NaN
// patterns: the tool empties the former on every write and must keep the latter.
Block controllerBlock(int type1, int type2)
{
    Block b{{0xC1AB, 0x4523, 0xF76E, 0xAB89, 17, 6, 0, 2, 1, quint16((type1 + type2) % 3), 7,
             quint16(type1), quint16(type2), 3, 4}};
    // 71..84: pause, hourly at "8 час.", filter, edge and control bits, monthly on the 28th,
    // filter, weekly reset on Sunday, delay, online time, the reserved word
    const quint16 tail[] = {5, 4, 5, 16, 0, 0, 6, 27, 8, 5, 6, 16, 9, 0xBEEF};
    std::copy(std::begin(tail), std::end(tail), b.begin() + 71);
    for (int input = 1; input <= 4; ++input) {
        b[14 + input] = quint16(90 + input);
        b[18 + input] = quint16(70 + input);
        for (int row = 0; row < kFloatRows; ++row)
            putFloat(b, inputFloatRegister(input, row), floatFromBits(0x7FC01234u + row));
    }
    for (int input = 1; input <= 2; ++input) {
        const int type = input == 1 ? type1 : type2;
        if (type == InputOff)
            continue;
        const InputSample &s = kSamples[std::min(type, 3) - 1][input - 1];
        if (type != InputDiscrete) {
            b[14 + input] = s.quantity;
            b[18 + input] = s.unit;
        }
        for (int row = 0; row < kFloatRows; ++row)
            if (!std::isnan(s.rows[row]))
                putFloat(b, inputFloatRegister(input, row), s.rows[row]);
        if (type == InputCounting) { // rising edges; control type 0 for input 1, 1 for input 2
            b[75] |= quint16(1 << (input - 1));
            b[76] |= quint16((input - 1) << (input - 1));
        }
    }
    return b;
}

QStringList logged; // every message while the service password is typed

} // namespace

class TestConfig : public QObject
{
    Q_OBJECT

private slots:
    void codecs();
    void unknownCodes();
    void roundTrip();
    void decodeShowsTheBlock();
    void checksOnTheForm();
    void serviceAccess();
};

void TestConfig::codecs()
{
    // Bit 0 of words 75/76 is input 1, bit 1 input 2; a blank box is 0xFFFF.
    QVERIFY(packInputBits(1, 0) == 1 && packInputBits(0, 1) == 2);
    QVERIFY(inputBit(2, 2) == 1 && inputBit(0xFFFC, 1) + inputBit(0xFFFC, 2) == 0);
    QCOMPARE(indexWord(-1), quint16(0xFFFF));
    // Discrete edge codes truncate toward zero; no integer at all leaves the box blank.
    const float inf = std::numeric_limits<float>::infinity();
    const QPair<float, int> edges[] = {{2.0f, 2},  {1.9f, 1},  {-0.5f, 0},  {-1.5f, -1},  {inf, -1},
                                       {-inf, -1}, {3e9f, -1}, {-3e9f, -1}, {kUnused, -1}};
    for (const auto &e : edges)
        QCOMPARE(discreteEdgeIndex(e.first), e.second);
}

// Fault: a code the tables do not know reads past a table, or goes back as another code.
void TestConfig::unknownCodes()
{
    QCOMPARE(quantityNames().size(), kQuantityCount);
    QCOMPARE(unitNames().size(), kUnitCount);
    for (int q = 0; q < kQuantityCount; ++q) {
        QVERIFY(!unitCodesFor(q).isEmpty());
        for (int code : unitCodesFor(q))
            QVERIFY(code >= 0 && code < kUnitCount);
    }
    for (int q : {-1, kQuantityCount, 0xFFFF})
        QVERIFY(unitCodesFor(q).isEmpty() && unitTextsFor(q).isEmpty());
    QCOMPARE(unitCodeAt(24, 1), -1);
    QCOMPARE(unitIndexOf(11, 2), -1);
    QCOMPARE(countingQuantityCode(3), -1);
    QCOMPARE(countingQuantityIndex(3), -1);
    // Through the form: a box that cannot show the code read leaves it as read, or "no item".
    Valve v;
    Block block = controllerBlock(InputCounting, InputCurrent);
    block[16] = 30; // input 2: no such quantity
    block[77] = 1;  // an interval code the tool never writes
    block[80] = 7;  // an unknown interval
    block[73] = 9;  // beyond the seven hourly values
    block[reg::OnlineTime] = 12;
    A::decode(v, block);
    QCOMPARE(A::encode(v), Check::Passed);
    const auto &c = A::config(v);
    QCOMPARE(c[16], quint16(0xFFFF)); // no quantity, so no unit
    QCOMPARE(c[20], quint16(0));
    QCOMPARE(c[77], quint16(1)); // a blank interval box keeps the code read
    QCOMPARE(c[80], quint16(7));
    QCOMPARE(c[73], quint16(0));
    QCOMPARE(c[reg::OnlineTime], quint16(0xFFFF));
}

void TestConfig::roundTrip()
{
    Valve v; // one window: nothing the form showed for the pair before may reach a word
    for (int type1 = InputOff; type1 <= InputCurrent; ++type1)
        for (int type2 = InputOff; type2 <= InputCurrent; ++type2) {
            const Block block = controllerBlock(type1, type2);
            A::decode(v, block);
            A::mirror(v).fill(0x5A5A);
            const bool refused = A::encode(v) != Check::Passed;
            // Every word as read, but inputs 3/4 emptied: words 13, 14, 17, 18, 21, 22 and floats.
            Block expected = block;
            for (int w : {13, 14, 17, 18, 21, 22})
                expected[w] = 0;
            for (int row = 0; row < kFloatRows; ++row)
                std::fill_n(expected.begin() + 27 + 8 * row, 4, 0);
            const auto &mirror = A::mirror(v);
            const int same =
                std::mismatch(expected.cbegin(), expected.cend(), mirror.cbegin()).first -
                expected.cbegin();
            QVERIFY2(
                !refused && same == kBlockWords && A::config(v) == expected &&
                    mirror[kBlockWords] == 0x5A5A,
                qPrintable(QStringLiteral("types %1/%2: word %3").arg(type1).arg(type2).arg(same)));
        }
}

void TestConfig::decodeShowsTheBlock()
{
    Valve v;
    Ui::Valve *ui = A::ui(v);
    A::decode(v, controllerBlock(InputCounting, InputCurrent));
    const QVector<QPair<QWidget *, QString>> shown = {
        {ui->ID, "abc-12-3456ef-78-9a-b"}, {ui->dev_id_2, "17"},
        {ui->CT_Phys_Unit_1, "м3"},        {ui->CT_Imp_Weight_1, "0.10"},
        {ui->CT_max_open_1, "50.00"},      {ui->CT_meas_value, "28 число"},
        {ui->CT_reset_value, "Вс"},        {ui->AN_Phys_Unit_2, "\u00B0F"},
        {ui->AN_Upp_Lim_Phys_2, "20.00"},  {ui->AN_max_close_2, "19.99"},
        {ui->AN_meas_value, "8 час."}};
    for (const auto &[widget, text] : shown)
        QCOMPARE(
            widget->property(qobject_cast<QComboBox *>(widget) ? "currentText" : "text").toString(),
            text);
}

// The colour drawn inside a spin box's text field, left of its centred value.
static QColor fieldColour(QWidget *box)
{
    const QImage image = box->grab().toImage();
    return image.pixelColor(4, image.height() / 2);
}

// Faults: the multiple check without its tolerance, a message listed twice or left over from an
// input that no longer has the error (it blocks the write), a mark that stays or is drawn in the
// normal colour.
void TestConfig::checksOnTheForm()
{
    const QVector<std::tuple<double, double, bool>> multiples = {{0.3, 0.1, true}, // a hair below 3
                                                                 {100000, 0.01, true},
                                                                 {1.000005, 1, true},
                                                                 {1.00002, 1, false},
                                                                 {1.2, 0.5, false}};
    for (const auto &[value, weight, multiple] : multiples)
        QCOMPARE(isMultipleOf(value, weight), multiple);
    // The list is searched by "contains": no message may contain another.
    for (int k = 0; k < kInputErrorCount; ++k)
        for (int other = 0; other < kInputErrorCount; ++other)
            QVERIFY(other == k || !inputErrorMessage(k).contains(inputErrorMessage(other)));

    Valve v;
    Ui::Valve *ui = A::ui(v);
    A::decode(v, controllerBlock(InputCounting, InputCounting));
    ui->CT_min_open_1->setValue(0.35); // weight 0.1
    QCOMPARE(A::encode(v), Check::InputErrors);
    QCOMPARE(A::encode(v), Check::InputErrors);
    QCOMPARE(ui->error_lcd->count(), 1); // listed once
    QCOMPARE(ui->error_lcd->item(0)->text(), inputErrorMessage(1));
    // The colours the user sees: light red on the box in error, the form's grey two seconds on.
    QCOMPARE(fieldColour(ui->CT_min_open_1), QColor(0xFF, 0x96, 0x96));
    QVERIFY(fieldColour(ui->CT_min_close_1) != QColor(0xFF, 0x96, 0x96));
    QTRY_COMPARE_WITH_TIMEOUT(fieldColour(ui->CT_min_open_1), QColor(0xF5, 0xF5, 0xF5), kWaitMs);

    // Input 2 switched from counting with weight 0 to analog: its stale message goes.
    ui->CT_min_open_1->setValue(1.0);
    ui->CT_Imp_Weight_2->setValue(0.0);
    QCOMPARE(A::encode(v), Check::InputErrors);
    QCOMPARE(ui->error_lcd->count(), 1);
    QCOMPARE(ui->error_lcd->item(0)->text(), inputErrorMessage(5));
    ui->in_type_2->setCurrentIndex(InputVoltage);
    ui->AN_Btm_Lim_Phys_2->setValue(1.0);
    ui->AN_Upp_Lim_Phys_2->setValue(1.0);
    QCOMPARE(A::encode(v), Check::InputErrors);
    QCOMPARE(ui->error_lcd->count(), 1);
    QCOMPARE(ui->error_lcd->item(0)->text(), inputErrorMessage(11));
    ui->AN_Upp_Lim_Phys_2->setValue(1.01);
    QCOMPARE(A::encode(v), Check::Passed);
    QCOMPARE(ui->error_lcd->count(), 0);
}

// Also checks that the form's by-name slots of the main window fire, and that what is typed into
// the password field reaches no debug line and no status message.
void TestConfig::serviceAccess()
{
    Valve v;
    Ui::Valve *ui = A::ui(v);
    ui->Sett_Tab->setEnabled(true);
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));
    A::decode(v, controllerBlock(InputOff, InputOff));
    QStringList shown;
    connect(v.statusBar(), &QStatusBar::messageChanged, [&](const QString &m) { shown << m; });
    const auto filter = QLoggingCategory::installFilter([](QLoggingCategory *category) {
        for (QtMsgType type : {QtDebugMsg, QtInfoMsg, QtWarningMsg, QtCriticalMsg})
            category->setEnabled(type, true); // whatever the rules
    });
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &, const QString &line) { logged << line; });

    QTest::mouseClick(ui->logo, Qt::LeftButton,
                      Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
    QVERIFY(!ui->Sub_Sett_TabWidget->isTabEnabled(5));
    QTest::mouseClick(ui->logo, Qt::LeftButton, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(ui->Sub_Sett_TabWidget->isTabEnabled(5));

    QTest::keyClicks(ui->service_pass, QStringLiteral("mek_vortA"));
    QVERIFY(!ui->device_id->isEnabled());
    QTest::keyClick(ui->service_pass, Qt::Key_Backspace);
    QTest::keyClicks(ui->service_pass, QStringLiteral("a"));
    QVERIFY(ui->device_id->isEnabled());

    ui->device_id->setCursorPosition(0);
    QTest::keyClicks(ui->device_id, QStringLiteral("123456789abcdef"));
    QCOMPARE(A::encode(v), Check::Passed); // 15 digits: the identifier read goes back
    QCOMPARE(A::config(v)[0], quint16(0xC1AB));
    QTest::keyClicks(ui->device_id, QStringLiteral("0"));
    QCOMPARE(A::encode(v), Check::Passed);
    QCOMPARE(A::config(v)[0], quint16(0x3412)); // byte 2k low, byte 2k+1 high in word k
    QCOMPARE(A::config(v)[3], quint16(0xF0DE));
    qInstallMessageHandler(previous);
    QLoggingCategory::installFilter(filter);
    QCOMPARE(ui->service_pass->echoMode(), QLineEdit::Password);
    for (const QString &line : logged + shown)
        QVERIFY2(!line.contains(QStringLiteral("mek_vort")), qPrintable(line));
    // Too short, too long or not hex: the words read stay.
    for (const char *text : {"ABC-12-3456EF-78-9A-", "ABC-12-3456EF-78-9A-BC",
                             "ABC-12-3456EG-78-9A-B", "ABC-12-3456E+-78-9A-B", ""}) {
        IdentifierWords kept{1, 2, 3, 4};
        QVERIFY2(!parseIdentifier(QString::fromLatin1(text), kept), text);
        QCOMPARE(kept, (IdentifierWords{1, 2, 3, 4}));
    }
}

QTEST_MAIN(TestConfig)
#include "tst_config.moc"
