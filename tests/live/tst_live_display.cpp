#include <QtTest>

#include <QStatusBar>

#include "support/valvetestaccess.h"

// What the inputs page shows for the replies of the live poll, handed over by start address as
// the request engine does, and what one poll tick does without a line.
class tst_LiveDisplay : public QObject
{
    Q_OBJECT

    Valve *valve = nullptr;
    Ui::Valve *ui = nullptr;

    // A reply carrying `words` at `start`, as the request engine hands it over.
    void reply(int start, std::initializer_list<quint16> words)
    {
        auto &mirror = ValveTestAccess::mirror(*valve);
        std::copy(words.begin(), words.end(), mirror.begin());
        ValveTestAccess::dispatch(*valve, start, int(words.size()));
    }
    static QImage picture(const QLabel *label)
    {
        return label->pixmap(Qt::ReturnByValue).toImage();
    }
    static QImage resource(const char *name)
    {
        return QPixmap(QStringLiteral(":/resources/images/") + QLatin1String(name)).toImage();
    }

private slots:
    void initTestCase()
    {
        // Local time of this process: a fixed three hours east of UTC.
        qputenv("TZ", "XYZ-3");
    }
    void init()
    {
        valve = new Valve;
        ui = ValveTestAccess::ui(*valve);
    }
    void cleanup()
    {
        delete valve;
        valve = nullptr;
    }

    void discreteLevels()
    {
        reply(32769, {2});
        QCOMPARE(ui->DS1_LCD->text(), QStringLiteral("1"));
        QCOMPARE(ui->DS2_LCD->text(), QString());
        reply(32770, {0x8000});
        QCOMPARE(ui->DS2_LCD->text(), QStringLiteral("1"));
        reply(32769, {0});
        QCOMPARE(ui->DS1_LCD->text(), QStringLiteral("0"));
        QCOMPARE(ui->DS2_LCD->text(), QStringLiteral("1"));
    }

    void impulseCountersAreUnsigned()
    {
        reply(32771, {0x0001, 0x0000});
        QCOMPARE(ui->CT1_Imp_LCD->value(), 65536.0);
        QCOMPARE(ui->CT1_LBL_0->text(), QStringLiteral("имп."));
        reply(32771, {0xFFFF, 0xFFFF});
        QCOMPARE(ui->CT1_Imp_LCD->text(), QStringLiteral("4294967295"));
        reply(32775, {0xFFFF, 0xFFFF});
        QCOMPARE(ui->CT1_Abs_Del_LCD->value(), 2147483648.0);
        QCOMPARE(ui->CT1_LBL_1->text(), QStringLiteral("имп."));
        reply(32775, {0, 0});
        QCOMPARE(ui->CT1_Abs_Del_LCD->value(), 0.0);
        // input 2 interleaves with input 1
        reply(32773, {0, 7});
        reply(32777, {0, 9});
        QCOMPARE(ui->CT2_Imp_LCD->value(), 7.0);
        QCOMPARE(ui->CT2_Abs_Del_LCD->value(), 9.0);
        QCOMPARE(ui->CT1_Imp_LCD->text(), QStringLiteral("4294967295"));
        QCOMPARE(ui->CT2_LBL_0->text(), QStringLiteral("имп."));
    }

    void countingPhysicalValuesFollowTheUnitBox()
    {
        QVERIFY(ui->CT_Phys_Unit_1->count() > 1);
        ui->CT_Phys_Unit_1->setCurrentIndex(1);
        reply(32779, {0x3F80, 0x0000});
        QCOMPARE(ui->CT1_Ph_Val_LCD->text(), QStringLiteral("1.00"));
        QCOMPARE(ui->CT1_LBL_2->text(), ui->CT_Phys_Unit_1->itemText(1));
        // the unit box changed in the form, nothing written: the caption follows at the next reply
        ui->CT_Phys_Unit_1->setCurrentIndex(0);
        reply(32783, {0xBF80, 0x0000}); // -1.0
        QCOMPARE(ui->CT1_Ph_Del_LCD->value(), -1.0);
        QCOMPARE(ui->CT1_LBL_3->text(), ui->CT_Phys_Unit_1->itemText(0));
        QCOMPARE(ui->CT1_LBL_2->text(), ui->CT_Phys_Unit_1->itemText(1));
        // a negative physical value is below the box: 0.00
        reply(32779, {0xC2C8, 0x0000});
        QCOMPARE(ui->CT1_Ph_Val_LCD->text(), QStringLiteral("0.00"));
        reply(32781, {0x4120, 0x0000}); // 10.0, input 2
        QCOMPARE(ui->CT2_Ph_Val_LCD->value(), 10.0);
        QCOMPARE(ui->CT2_LBL_2->text(), ui->CT_Phys_Unit_2->currentText());
    }

    void analogValuesWithTheirUnits()
    {
        ui->in_type_1->setCurrentIndex(3);
        reply(32811, {0x3F80, 0x0000});
        QCOMPARE(ui->AN1_Val_LCD->text(), QStringLiteral("1.00"));
        QCOMPARE(ui->AN1_LBL_0->text(), QStringLiteral("В"));
        ui->in_type_1->setCurrentIndex(4);
        reply(32815, {0xC2C8, 0x0000});
        QCOMPARE(ui->AN1_Pr_Val_LCD->value(), -100.0);
        QCOMPARE(ui->AN1_LBL_2->text(), QStringLiteral("мА"));
        reply(32819, {0x4000, 0x0000});
        QCOMPARE(ui->AN1_Del_Val_LCD->value(), 2.0);
        QCOMPARE(ui->AN1_LBL_4->text(), QStringLiteral("мА"));
        // odd quantities are physical values with the unit of the analog unit box
        const QString unit = ui->AN_Phys_Unit_1->currentText();
        QVERIFY(!unit.isEmpty());
        for (int start : {32813, 32817, 32821})
            reply(start, {0x4040, 0x0000}); // 3.0
        for (QDoubleSpinBox *box : {ui->AN1_Ph_Val_LCD, ui->AN1_Pr_Ph_LCD, ui->AN1_Ph_Del_LCD})
            QCOMPARE(box->value(), 3.0);
        for (QLabel *caption : {ui->AN1_LBL_1, ui->AN1_LBL_3, ui->AN1_LBL_5})
            QCOMPARE(caption->text(), unit);

        // input 2 takes its electrical unit from its own type box
        ui->in_type_2->setCurrentIndex(3);
        reply(32823, {0x4120, 0x0000});
        reply(32833, {0xC120, 0x0000});
        QCOMPARE(ui->AN2_Val_LCD->value(), 10.0);
        QCOMPARE(ui->AN2_LBL_0->text(), QStringLiteral("В"));
        QCOMPARE(ui->AN2_Ph_Del_LCD->value(), -10.0);
        QCOMPARE(ui->AN2_LBL_5->text(), ui->AN_Phys_Unit_2->currentText());
        QCOMPARE(ui->AN1_Val_LCD->value(), 1.0);
    }

    void analogOutOfRangeInfinityAndNaN()
    {
        reply(32811, {0x4974, 0x2400}); // 1e6
        QCOMPARE(ui->AN1_Val_LCD->text(), QStringLiteral("100000.00"));
        reply(32811, {0xFF80, 0x0000}); // -inf
        QCOMPARE(ui->AN1_Val_LCD->value(), -100000.0);
        reply(32811, {0x7F80, 0x0000}); // +inf
        QCOMPARE(ui->AN1_Val_LCD->value(), 100000.0);
        reply(32811, {0x3FC0, 0x0000}); // 1.5
        reply(32811, {0x7FC0, 0x0000}); // NaN: the last value stays
        QCOMPARE(ui->AN1_Val_LCD->text(), QStringLiteral("1.50"));
        reply(32779, {0x4000, 0x0000});
        reply(32779, {0xFFFF, 0xFFFF}); // NaN
        QCOMPARE(ui->CT1_Ph_Val_LCD->value(), 2.0);
        reply(32783, {0xFF80, 0x0000}); // -inf: the delta box limit
        QCOMPARE(ui->CT1_Ph_Del_LCD->value(), -2147483648.0);
    }

    void solenoidState()
    {
        QVERIFY(picture(ui->sol_st_pix) == resource("sol_close_64.png"));
        reply(32768, {0});
        QCOMPARE(ui->sol_state->text(), QStringLiteral("открыт"));
        QVERIFY(picture(ui->sol_st_pix) == resource("sol_open_64.png"));
        reply(32768, {2});
        QCOMPARE(ui->sol_state->text(), QStringLiteral("открыт"));
        QVERIFY(picture(ui->sol_st_pix) == resource("sol_open_64.png"));
        reply(32768, {1});
        QCOMPARE(ui->sol_state->text(), QStringLiteral("закрыт"));
        QVERIFY(picture(ui->sol_st_pix) == resource("sol_close_64.png"));
    }

    void capacitorChargeUpTo24()
    {
        reply(36851, {12});
        QCOMPARE(ui->cap_charge->text(), QStringLiteral("50%"));
        reply(36851, {24});
        reply(36851, {25});
        QCOMPARE(ui->cap_charge->value(), 24);
    }

    void temperatureAndClock()
    {
        reply(36859, {0xFFFF, 0xFFFB});
        QCOMPARE(ui->core_temp->text(), QStringLiteral("-5 (°C)"));
        reply(36859, {0x0000, 0x0064}); // 100 °C is no reading
        QCOMPARE(ui->core_temp->text(), QStringLiteral("-5 (°C)"));
        reply(36861, {0x8000, 0x0000}); // 2^31 s, three hours east of UTC
        QVERIFY2(ui->time->text().startsWith(QStringLiteral("19-01-2038 (")) &&
                     ui->time->text().endsWith(QStringLiteral(") ~ 06:14:08 ~")),
                 qPrintable(ui->time->text()));
    }

    void tickOutsideTheInputsPageSendsNothing()
    {
        QTimer *inactivity = ValveTestAccess::inactivityTimer(*valve);
        QVERIFY(!inactivity->isActive());
        ValveTestAccess::pollCycle(*valve);
        // the controller is kept awake on every tick, even one that reads nothing
        QVERIFY(inactivity->isActive());
        QVERIFY(valve->statusBar()->currentMessage().isEmpty());

        // on the inputs page a tick reads: with the port closed each read is refused at once,
        // and none of them counts as outstanding
        ui->Main_Tab_Widget->setTabEnabled(2, true);
        ui->Main_Tab_Widget->setCurrentIndex(2);
        QCOMPARE(ui->Main_Tab_Widget->currentIndex(), 2);
        ValveTestAccess::pollCycle(*valve);
        QVERIFY(!valve->statusBar()->currentMessage().isEmpty());
        QCOMPARE(ValveTestAccess::liveInFlight(*valve), 0);
    }
};

QTEST_MAIN(tst_LiveDisplay)
#include "tst_live_display.moc"
