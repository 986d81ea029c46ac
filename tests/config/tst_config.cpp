// The configuration block: field codecs, catalogue look-ups, the settings model (block to
// settings and back, the input checks), and blocks decoded into the settings form of a real main
// window and encoded back.
#include <QtTest>

#include <cmath>
#include <functional>

#include "config/catalog.h"
#include "config/fields.h"
#include "config/settings.h"
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

// What every write makes of a block read: inputs 3/4 emptied (words 13, 14, 17, 18, 21, 22 and
// their floats), and only bits 0/1 of words 75/76 kept.
Block mended(Block b)
{
    for (int w : {13, 14, 17, 18, 21, 22})
        b[w] = 0;
    for (int row = 0; row < kFloatRows; ++row)
        std::fill_n(b.begin() + 27 + 8 * row, 4, 0);
    b[75] &= 3;
    b[76] &= 3;
    return b;
}

int firstDifference(const Block &a, const Block &b)
{
    return std::mismatch(a.cbegin(), a.cend(), b.cbegin()).first - a.cbegin();
}

QStringList logged; // every message while the service password is typed

} // namespace

class TestConfig : public QObject
{
    Q_OBJECT

private slots:
    void codecs();
    void modelRoundTrip();
    void editLandsInItsWord();
    void validation();
    void unknownCodes();
    void roundTrip();
    void whatTheFormShows();
    void checksOnTheForm();
    void serviceAccess();
};

void TestConfig::codecs()
{
    // Discrete edge codes truncate toward zero; no integer at all leaves the box blank.
    const float inf = std::numeric_limits<float>::infinity();
    const QPair<float, int> edges[] = {{2.0f, 2},  {1.9f, 1},  {-0.5f, 0},  {-1.5f, -1},  {inf, -1},
                                       {-inf, -1}, {3e9f, -1}, {-3e9f, -1}, {kUnused, -1}};
    for (const auto &e : edges)
        QCOMPARE(discreteEdgeIndex(e.first), e.second);
}

// Faults: a word no item stands for goes back as another word (an unknown code, interval code 2,
// an edge code of 1.5, a signalling NaN), a word of a field the input's type does not use is
// written, bits of 75/76 above input 2 go out, or the identifier or word 84 is not kept.
void TestConfig::modelRoundTrip()
{
    // Codes no item stands for, in every list field but the input types.
    const QPair<int, quint16> unknown[] = {
        {4, 0},       {5, 8},   {6, 0xFFFF},  {7, 3},   {8, 2},  {9, 3},   {10, 14}, {15, 40},
        {16, 0xFFFF}, {19, 60}, {20, 0x1234}, {71, 10}, {72, 2}, {73, 12}, {74, 17}, {75, 0xFFFE},
        {76, 0x8005}, {77, 1},  {78, 0xFFFF}, {79, 9},  {80, 9}, {81, 40}, {82, 17}, {83, 10}};
    for (int type1 = InputOff; type1 <= InputCurrent + 1; ++type1)
        for (int type2 = InputOff; type2 <= InputCurrent + 1; ++type2)
            for (bool odd : {false, true}) {
                Block block = controllerBlock(type1, type2);
                if (odd) {
                    for (const auto &[word, code] : unknown)
                        block[word] = code;
                    putFloat(block, inputFloatRegister(1, RowMinOpen), 1.5f);
                    putFloat(block, inputFloatRegister(1, RowMinClose), floatFromBits(0x7F800001));
                    putFloat(block, inputFloatRegister(2, RowMinOpen), 7);
                }
                const int same =
                    firstDifference(mended(block), encodeSettings(decodeSettings(block), block));
                QVERIFY2(same == kBlockWords,
                         qPrintable(QString::asprintf("%d/%d %d: %d", type1, type2, odd, same)));
            }
}

// Faults: an edited setting lands in another word, in more words than its own, or not at all;
// the identifier goes out without being entered; a field of a type the input does not have is
// written, or one of the type it has now is kept from the type it had.
void TestConfig::editLandsInItsWord()
{
    const Block read = controllerBlock(InputCounting, InputCurrent); // bit 0 of 75 set
    using Words = QVector<QPair<int, quint16>>;
    const QVector<QPair<std::function<void(Settings &)>, Words>> cases = {
        {[](Settings &s) { s.inputs[0].counting.weight = 0.25; }, {{23, 0x3E80}, {24, 0}}},
        {[](Settings &s) { s.inputs[0].counting.quantity = 25; }, {{15, 25}}},
        {[](Settings &s) { s.inputs[1].analog.unit = 24; }, {{20, 24}}},
        {[](Settings &s) { s.countingMeasurement.interval = 2; }, {{77, 4}}},
        {[](Settings &s) { s.line.address = 246; }, {{4, 246}}},
        {[](Settings &s) { s.inputs[1].activeEdge = 1; }, {{75, 3}}},
        {[](Settings &s) { s.inputs[1].counting.weight = 3; }, {}},
        {[](Settings &s) { s.inputs[0].analog.upper = 3; }, {}},
        {[](Settings &s) { s.identifier.fill(7); }, {}},
        {[](Settings &s) { s.identifier.fill(7), s.writeIdentifier = true; },
         {{0, 7}, {1, 7}, {2, 7}, {3, 7}}},
        // The thresholds 0.3 and 1.2 show as edges 0 and 1 but are no edge codes to keep.
        {[](Settings &s) { s.inputs[0].type = InputDiscrete; },
         {{11, 1}, {39, 0}, {40, 0}, {47, 0x3F80}, {48, 0}}},
    };
    for (int k = 0; k < cases.size(); ++k) {
        Settings settings = decodeSettings(read);
        cases[k].first(settings);
        Block expected = mended(read);
        for (const auto &[word, value] : cases[k].second)
            expected[word] = value;
        const int same = firstDifference(expected, encodeSettings(settings, read));
        QVERIFY2(same == kBlockWords, qPrintable(QString::asprintf("case %d: %d", k, same)));
    }
}

// Faults: a message missing or extra (a check run for a type the input does not have, multiples
// tested against weight 0, no tolerance), in another order than the page lists it, with another
// text, or marking other fields.
void TestConfig::validation()
{
    using F = SettingsIssue::Field;
    using Issue = std::tuple<QString, int, QVector<F>>; // text, input, fields
    const QString multiple = QStringLiteral("СТ1: %1(физ.вел.) не кратно весу импульса(физ.вел.)");
    const QString weight = QStringLiteral("CT%1: Вес импульса(физ.вел.) не может быть равен 0");
    const QString limits =
        QStringLiteral("AN%1: верхняя граница(физ.вел.) меньше или равно нижняя граница(физ.вел.)");
    // Per input: the type, then the weight and every threshold of a counting input, or the lower
    // and upper limit of an analog one.
    const QVector<QPair<std::array<double, 6>, QVector<Issue>>> cases = {
        {{2, 0.1, 0.3, 4, 4, 20}, {}}, // 0.3 is a hair below 3 * 0.1
        {{2, 0.1, 0.30002, 3, 5, 5},
         {{multiple.arg("Миним.открытие"), 1, {F::MinOpen}},
          {multiple.arg("Миним.закрытие"), 1, {F::MinClose}},
          {multiple.arg("Макс.открытие"), 1, {F::MaxOpen}},
          {multiple.arg("Макс.закрытие"), 1, {F::MaxClose}},
          {limits.arg(2), 2, {F::Lower, F::Upper}}}},
        {{2, 0, 0.35, 0, 0, 0}, {{weight.arg(1), 1, {F::Weight}}}},
        {{3, qQNaN(), 1, 2, 0, 1},
         {{limits.arg(1), 1, {F::Lower, F::Upper}}, {weight.arg(2), 2, {F::Weight}}}},
        {{1, 0, 0.35, 0, 5, 5}, {}}};
    for (const auto &[values, expected] : cases) {
        Settings settings;
        for (int i = 0; i < 2; ++i) {
            const auto [type, first, second] =
                std::tuple(values[3 * i], values[3 * i + 1], values[3 * i + 2]);
            settings.inputs[i].type = int(type);
            settings.inputs[i].counting = {0, 0, first, {second, second, second, second}};
            settings.inputs[i].analog = {0, 0, first, second, {}};
        }
        QVector<Issue> issues;
        for (const SettingsIssue &issue : validateSettings(settings))
            issues.append({inputErrorMessage(issue.message), issue.input, issue.fields});
        QCOMPARE(issues, expected);
    }
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
            const Block expected = mended(block); // every word as read but the mends
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

void TestConfig::whatTheFormShows()
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
    // Fault: the texts the model offers drift from the combo boxes of the form.
    const QVector<QPair<Choice, QVector<QComboBox *>>> boxes = {
        {Choice::InputType, {ui->in_type_1, ui->in_type_2}},
        {Choice::SolenoidType, {ui->sol_type}},
        {Choice::PulseLength, {ui->sol_imp_len}},
        {Choice::DiscreteEdge,
         {ui->ds_open_front_1, ui->ds_close_front_1, ui->ds_open_front_2, ui->ds_close_front_2}},
        {Choice::ActiveEdge, {ui->front_type_1, ui->front_type_2}},
        {Choice::ControlType, {ui->control_type_1, ui->control_type_2}},
        {Choice::Interval, {ui->CT_meas_interval, ui->CT_reset_interval, ui->AN_meas_interval}},
        {Choice::FrequencyFilter, {ui->CT_Freq_filter}},
        {Choice::AnalogPause, {ui->AN_pause}},
        {Choice::AnalogFilter, {ui->AN_Filt}},
        {Choice::DiscreteDelay, {ui->ds_filt_delay}},
        {Choice::OnlineTime, {ui->mb_online}}};
    for (const auto &[choice, list] : boxes)
        for (QComboBox *box : list) {
            QStringList items;
            for (int i = 0; i < box->count(); ++i)
                items << box->itemText(i);
            QVERIFY2(items == choiceTexts(choice), qPrintable(box->objectName()));
        }
    // Fault: the command line takes values the page's spin boxes refuse.
    for (const auto &[page, range] :
         {std::pair{ui->count_tab, kCountingRange}, std::pair{ui->analog_tab, kAnalogRange}})
        for (const QDoubleSpinBox *box : page->findChildren<QDoubleSpinBox *>())
            QVERIFY2(box->minimum() == range.minimum && box->maximum() == range.maximum,
                     qPrintable(box->objectName()));
}

// The colour drawn inside a spin box's text field, left of its centred value.
static QColor fieldColour(QWidget *box)
{
    const QImage image = box->grab().toImage();
    return image.pixelColor(4, image.height() / 2);
}

// Faults: a message listed twice or left over from an input that no longer has the error (it blocks
// the write), a mark that stays or is drawn in the normal colour.
void TestConfig::checksOnTheForm()
{
    // The list is searched by "contains": no message may contain another.
    for (int k = 0; k < kInputErrorCount; ++k)
        for (int other = 0; other < kInputErrorCount; ++other)
            QVERIFY(other == k || !inputErrorMessage(k).contains(inputErrorMessage(other)));

    Valve v;
    Ui::Valve *ui = A::ui(v);
    A::decode(v, controllerBlock(InputCounting, InputCounting));
    ui->CT_max_open_1->setValue(50.05); // weight 0.1
    QCOMPARE(A::encode(v), Check::InputErrors);
    QCOMPARE(A::encode(v), Check::InputErrors);
    QCOMPARE(ui->error_lcd->count(), 1); // listed once
    QCOMPARE(ui->error_lcd->item(0)->text(), inputErrorMessage(3));
    // The colours the user sees: light red on the box in error, the form's grey two seconds on.
    QCOMPARE(fieldColour(ui->CT_max_open_1), QColor(0xFF, 0x96, 0x96));
    QVERIFY(fieldColour(ui->CT_min_close_1) != QColor(0xFF, 0x96, 0x96));
    QTRY_COMPARE_WITH_TIMEOUT(fieldColour(ui->CT_max_open_1), QColor(0xF5, 0xF5, 0xF5), kWaitMs);

    // Input 2 switched from counting with weight 0 to analog: its stale message goes.
    ui->CT_max_open_1->setValue(50);
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
