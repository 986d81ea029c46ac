// A configuration block shown on the settings pages and encoded back, the input checks with
// their list and marking, and the hidden service page, on a real main window.
#include <QtTest>

#include <cmath>

#include "config/registermap.h"
#include "config/validation.h"
#include "support/valvetestaccess.h"

using namespace config;
using A = ValveTestAccess;

namespace {

constexpr int kWaitMs = 15000;

// A block as a controller might hold it. Inputs 3/4 hold garbage (the tool empties them on every
// write), and so do the rows an input's type leaves unused (the tool keeps them); the floats of
// the used rows are values the two-decimal spin boxes show exactly.
Block realisticBlock(int type1, int type2)
{
    Block b{};
    const quint16 head[] = {
        0xC1AB, 0x4523,         0xF76E,        0xAB89, 17, 6, 0, 2, 1, quint16((type1 + type2) % 3),
        7,      quint16(type1), quint16(type2)};
    std::copy(std::begin(head), std::end(head), b.begin());
    const quint16 tail[] = {5, 4, 5, 16, 0, 0, 6, 27, 8, 5, 6, 16, 9, 0xBEEF}; // words 71..84
    std::copy(std::begin(tail), std::end(tail), b.begin() + reg::AnalogPause);
    for (int input = 1; input <= kInputSlots; ++input) {
        b[inputWordRegister(reg::Quantity, input)] = quint16(90 + input);
        b[inputWordRegister(reg::Unit, input)] = quint16(70 + input);
        for (int row = 0; row < kFloatRows; ++row)
            putFloat(b, inputFloatRegister(input, row), floatFromBits(0x7FC01234u + row));
    }
    // Per input and type: quantity, unit and the six rows (NaN marks a row the type leaves).
    const float nan = floatFromBits(0x7FC04321u);
    const float rows[3][2][8] = {{{0, 0, nan, nan, 2.0f, 0.0f, nan, nan}, // discrete
                                  {0, 0, nan, nan, 1.0f, 2.0f, nan, nan}},
                                 {{11, 1, 0.1f, nan, 0.3f, 1.2f, 50.0f, 7.7f}, // counting
                                  {25, 16, 0.25f, nan, 0.5f, 0.75f, 1000.0f, 2.5f}},
                                 {{3, 42, -12.5f, 250.75f, 10.0f, 20.5f, 200.25f, -3.0f},
                                  {4, 21, 4.0f, 20.0f, 5.5f, 6.6f, 18.0f, 19.99f}}}; // analog
    for (int input = 1; input <= 2; ++input) {
        const int type = input == 1 ? type1 : type2;
        if (type == InputOff)
            continue;
        const float *r = rows[std::min(type, 3) - 1][input - 1];
        if (type != InputDiscrete) {
            b[inputWordRegister(reg::Quantity, input)] = quint16(r[0]);
            b[inputWordRegister(reg::Unit, input)] = quint16(r[1]);
        }
        for (int row = 0; row < kFloatRows; ++row)
            if (!std::isnan(r[2 + row]))
                putFloat(b, inputFloatRegister(input, row), r[2 + row]);
        if (type == InputCounting) {
            b[reg::ActiveEdges] |= quint16(1 << (input - 1));
            b[reg::ControlTypes] |= quint16((input - 1) << (input - 1));
        }
    }
    return b;
}

Block normalised(Block b)
{
    for (int input = 3; input <= kInputSlots; ++input) {
        for (int first : {reg::InputType, reg::Quantity, reg::Unit})
            b[inputWordRegister(first, input)] = 0;
        for (int row = 0; row < kFloatRows; ++row)
            putFloat(b, inputFloatRegister(input, row), 0.0f);
    }
    return b;
}

void decodeBlock(Valve &v, const Block &block)
{
    std::copy(block.cbegin(), block.cend(), A::mirror(v).begin());
    A::decode(v);
}

Block configOf(Valve &v)
{
    Block b;
    std::copy_n(A::config(v).cbegin(), kBlockWords, b.begin());
    return b;
}

QStringList listed(Valve &v)
{
    QStringList texts;
    for (int i = 0; i < A::ui(v)->error_lcd->count(); ++i)
        texts << A::ui(v)->error_lcd->item(i)->text();
    return texts;
}

QStringList messages(std::initializer_list<int> indexes)
{
    QStringList texts;
    for (int k : indexes)
        texts << inputErrorMessage(k);
    return texts;
}

bool marked(QWidget *w)
{
    return w->styleSheet() == markedStyle();
}

// The settings, inputs and service pages, as a connection and the service gesture leave them.
void enablePages(Valve &v)
{
    A::ui(v)->Main_Tab_Widget->setTabEnabled(1, true);
    A::ui(v)->Main_Tab_Widget->setTabEnabled(2, true);
}

} // namespace

class TestDecodeEncode : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void decodeShowsTheBlock();
    void oddCodes();
    void shortBlockIsNotDecoded();
    void countingCheck();
    void limitCheckAndStaleMessages();
    void serviceAccess();
};

void TestDecodeEncode::roundTrip_data()
{
    QTest::addColumn<int>("type1");
    QTest::addColumn<int>("type2");
    for (int t1 = 0; t1 <= 4; ++t1)
        for (int t2 = 0; t2 <= 4; ++t2)
            QTest::addRow("types %d/%d", t1, t2) << t1 << t2;
}

void TestDecodeEncode::roundTrip()
{
    QFETCH(int, type1);
    QFETCH(int, type2);
    Valve v;
    const Block block = realisticBlock(type1, type2);
    decodeBlock(v, block);
    QCOMPARE(configOf(v), block);
    A::mirror(v).fill(0x5A5A);
    QVERIFY(!A::encode(v));
    QCOMPARE(configOf(v), normalised(block));
    QVERIFY(std::equal(A::config(v).cbegin(), A::config(v).cend(), A::mirror(v).cbegin()));
    QCOMPARE(A::mirror(v)[kBlockWords], quint16(0x5A5A));
}

void TestDecodeEncode::decodeShowsTheBlock()
{
    Valve v;
    enablePages(v);
    Ui::Valve *ui = A::ui(v);
    ui->error_lcd->addItem(inputErrorMessage(3));
    decodeBlock(v, realisticBlock(InputCounting, InputVoltage));
    QCOMPARE(ui->ID->text(), QStringLiteral("abc-12-3456ef-78-9a-b"));
    QCOMPARE(ui->error_lcd->count(), 0);
    QCOMPARE(ui->CT_Phys_Unit_1->currentText(), QStringLiteral("м3")); // refilled, then chosen
    QCOMPARE(ui->AN_Phys_Unit_2->currentText(), QStringLiteral("\u00B0F"));
    QCOMPARE(ui->CT_meas_value->currentText(), QStringLiteral("28 число"));
    QCOMPARE(ui->AN_meas_value->currentText(), QStringLiteral("8 час."));
    QCOMPARE(ui->dev_id_2->currentText(), QStringLiteral("17"));
    QVERIFY(!ui->sol_imp_len->isEnabled()); // solenoid 2, not bistable

    Block block = realisticBlock(InputDiscrete, InputVoltage);
    putFloat(block, inputFloatRegister(1, RowMinOpen), 1.9f);
    block[reg::SolenoidType] = 0; // bistable
    decodeBlock(v, block);
    QCOMPARE(ui->ds_open_front_1->currentIndex(), 1);
    QVERIFY(ui->sol_imp_len->isEnabled());
    for (QWidget *on :
         std::initializer_list<QWidget *>{ui->DS_1_GBox, ui->ds_filt_delay, ui->AN_2_GBox,
                                          ui->AN_Common_GBox, ui->DS1_LCD_GBox, ui->AN2_LCD_GBox})
        QVERIFY2(on->isEnabled(), qPrintable(on->objectName()));
    for (QWidget *off : std::initializer_list<QWidget *>{
             ui->CT_1_GBox, ui->CT_2_GBox, ui->AN_1_GBox, ui->CT_Common_GBox, ui->DS_2_GBox,
             ui->CT1_LCD_GBox, ui->AN1_LCD_GBox, ui->CT2_LCD_GBox, ui->DS2_LCD_GBox})
        QVERIFY2(!off->isEnabled(), qPrintable(off->objectName()));
}

void TestDecodeEncode::oddCodes()
{
    Valve v;
    Ui::Valve *ui = A::ui(v);
    Block block = realisticBlock(InputCounting, InputCurrent);
    block[reg::Quantity + 1] = 30;    // no such quantity
    block[reg::CountingInterval] = 1; // never written by the tool
    block[reg::ResetInterval] = 7;    // unknown
    block[reg::AnalogMoment] = 9;     // beyond the seven hour items
    decodeBlock(v, block);
    QCOMPARE(ui->AN_Phys_Value_2->currentIndex(), -1);
    QCOMPARE(ui->AN_Phys_Unit_2->count(), 0);
    QCOMPARE(ui->CT_meas_interval->currentIndex(), -1);
    QCOMPARE(ui->AN_meas_value->currentIndex(), 0);

    QVERIFY(!A::encode(v));
    QCOMPARE(A::config(v)[reg::Quantity + 1], quint16(0xFFFF));
    QCOMPARE(A::config(v)[reg::Unit + 1], quint16(0));         // no quantity, no unit
    QCOMPARE(A::config(v)[reg::CountingInterval], quint16(1)); // a blank interval box keeps it
    QCOMPARE(A::config(v)[reg::ResetInterval], quint16(7));
    QCOMPARE(A::config(v)[reg::AnalogMoment], quint16(0));
}

void TestDecodeEncode::shortBlockIsNotDecoded()
{
    Valve v;
    const Block first = realisticBlock(InputCounting, InputOff);
    decodeBlock(v, first);
    const Block second = realisticBlock(InputVoltage, InputDiscrete);
    std::copy(second.cbegin(), second.cend(), A::mirror(v).begin());
    A::dispatch(v, 0, kBlockWords - 1);
    QCOMPARE(configOf(v), first);
    QCOMPARE(A::ui(v)->in_type_1->currentIndex(), int(InputCounting));
    A::dispatch(v, 0, kBlockWords);
    QCOMPARE(configOf(v), second);
}

void TestDecodeEncode::countingCheck()
{
    Valve v;
    Ui::Valve *ui = A::ui(v);
    decodeBlock(v, realisticBlock(InputCounting, InputCounting));
    ui->CT_Imp_Weight_1->setValue(0.1);
    ui->CT_min_open_1->setValue(0.3); // a hair below 3 weights
    QVERIFY(!A::encode(v));

    ui->CT_Imp_Weight_1->setValue(0.5);
    ui->CT_min_open_1->setValue(1.2);
    ui->CT_min_close_1->setValue(1.5);
    ui->CT_max_open_1->setValue(50.0);
    ui->CT_max_close_1->setValue(7.5);
    QVERIFY(A::encode(v));
    QCOMPARE(listed(v), messages({1}));
    QVERIFY(marked(ui->CT_min_open_1) && !marked(ui->CT_min_close_1));
    QCOMPARE(getFloat(A::config(v), 39), 1.2f); // encoded all the same
    QTRY_COMPARE_WITH_TIMEOUT(ui->CT_min_open_1->styleSheet(), unmarkedStyle(), kWaitMs);
    QCOMPARE(ui->AN_Upp_Lim_Phys_2->styleSheet(), unmarkedStyle()); // all 14 are reset

    QVERIFY(A::encode(v)); // listed once, marked again
    QCOMPARE(listed(v), messages({1}));
    QVERIFY(marked(ui->CT_min_open_1));

    // Weight 0 on input 2 adds its message; the listed multiple message stays.
    ui->CT_min_close_2->setValue(0.7);
    QVERIFY(A::encode(v));
    ui->CT_Imp_Weight_2->setValue(0.0);
    ui->CT_min_close_2->setValue(1.0);
    QVERIFY(A::encode(v));
    QCOMPARE(listed(v), messages({1, 7, 5}));

    ui->CT_min_open_1->setValue(1.0);
    ui->CT_Imp_Weight_2->setValue(0.25);
    QVERIFY(!A::encode(v));
    QCOMPARE(ui->error_lcd->count(), 0);

    ui->CT_Imp_Weight_1->setValue(0.0);
    QVERIFY(A::encode(v));
    ui->Sub_Sett_TabWidget->setCurrentIndex(4); // a page change empties the list
    QCOMPARE(ui->error_lcd->count(), 0);
}

void TestDecodeEncode::limitCheckAndStaleMessages()
{
    Valve v;
    Ui::Valve *ui = A::ui(v);
    decodeBlock(v, realisticBlock(InputVoltage, InputCounting));
    ui->AN_Btm_Lim_Phys_1->setValue(10.0);
    ui->AN_Upp_Lim_Phys_1->setValue(10.0);
    ui->CT_Imp_Weight_2->setValue(0.0);
    QVERIFY(A::encode(v));
    QCOMPARE(listed(v), messages({10, 5}));
    QVERIFY(marked(ui->AN_Btm_Lim_Phys_1) && marked(ui->AN_Upp_Lim_Phys_1));

    ui->AN_Upp_Lim_Phys_1->setValue(10.01);
    QVERIFY(A::encode(v));
    QCOMPARE(listed(v), messages({5}));

    // Its check no longer runs once input 2 is analog: the message must not block the write.
    ui->in_type_2->setCurrentIndex(InputVoltage);
    ui->AN_Upp_Lim_Phys_2->setValue(1.0);
    QVERIFY(!A::encode(v));
}

void TestDecodeEncode::serviceAccess()
{
    Valve v;
    enablePages(v);
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));
    Ui::Valve *ui = A::ui(v);
    decodeBlock(v, realisticBlock(InputOff, InputOff));

    // The slot asks the application for the modifiers; a synthesised click sets them.
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
    QVERIFY(!A::idComplete(v)); // 15 digits: the identifier read is written back
    QVERIFY(!A::encode(v));
    QCOMPARE(A::config(v)[0], quint16(0xC1AB));
    QTest::keyClicks(ui->device_id, QStringLiteral("0"));
    QCOMPARE(ui->device_id->text(), QStringLiteral("123-45-6789AB-CD-EF-0"));
    QVERIFY(!A::encode(v));
    QCOMPARE(A::config(v)[0], quint16(0x3412));
    QCOMPARE(A::config(v)[3], quint16(0xF0DE));
}

QTEST_MAIN(TestDecodeEncode)
#include "tst_decode_encode.moc"
