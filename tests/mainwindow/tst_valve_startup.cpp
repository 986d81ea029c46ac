#include <QtTest>

#include <QAbstractItemView>
#include <QLineEdit>
#include <QStyledItemDelegate>

#include "support/valvetestaccess.h"

// The state a user meets when the tool starts, and the form behaviour that needs no controller.
class tst_ValveStartup : public QObject
{
    Q_OBJECT

    Valve *valve = nullptr;
    Ui::Valve *ui = nullptr;

    static QStringList items(const QComboBox *box)
    {
        QStringList texts;
        for (int i = 0; i < box->count(); ++i)
            texts << box->itemText(i);
        return texts;
    }

private slots:
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

    void onlyTheConnectionPageIsUsable()
    {
        QCOMPARE(ui->Main_Tab_Widget->currentIndex(), 0);
        QCOMPARE(ui->Main_Tab_Widget->currentWidget(), ui->Conn_Tab);
        QCOMPARE(ui->Sub_Sett_TabWidget->currentIndex(), 0);
        QVERIFY(!ui->Main_Tab_Widget->isTabEnabled(1));
        QVERIFY(!ui->Main_Tab_Widget->isTabEnabled(2));
        QVERIFY(!ui->Sett_Tab->isEnabled());
        QVERIFY(!ui->Ins_Tab->isEnabled());
        QVERIFY(!ui->Sub_Sett_TabWidget->isTabEnabled(5));
        QVERIFY(!ui->service_tab->isEnabled());
        QVERIFY(!ui->device_id->isEnabled());
        QVERIFY(!ui->GBox_2->isEnabled());
        QVERIFY(!ui->conn_dev->isEnabled());
        QVERIFY(!ui->time_zone_combo->isEnabled());
        QVERIFY(ui->connect->isEnabled());
        for (QWidget *w : {static_cast<QWidget *>(ui->ports), static_cast<QWidget *>(ui->dev_id_1),
                           static_cast<QWidget *>(ui->dev_sb_1)})
            QVERIFY(w->isEnabled());
        QCOMPARE(ui->connect->text(), QStringLiteral("занять порт"));
        QVERIFY(ui->led->styleSheet().contains(QStringLiteral("rgb(255, 0, 0)")));
        QCOMPARE(ui->led->size(), QSize(14, 14));
        QCOMPARE(ValveTestAccess::pending(*valve), quint16(0));
        QVERIFY(!ValveTestAccess::awake(*valve));
        QVERIFY(ValveTestAccess::portTimer(*valve)->isActive());
        QCOMPARE(ValveTestAccess::portTimer(*valve)->interval(), 1000);
        QVERIFY(!ValveTestAccess::inactivityTimer(*valve)->isActive());
        QVERIFY(!ValveTestAccess::probeTimer(*valve)->isActive());
        QVERIFY(!ValveTestAccess::pollTimer(*valve)->isActive());
        for (quint16 w : ValveTestAccess::config(*valve))
            QCOMPARE(w, quint16(0));
    }

    void picturesMaskAndRanges()
    {
        QCOMPARE(ui->logo->iconSize(), QSize(32, 32));
        QVERIFY(!ui->logo->icon().isNull());
        QCOMPARE(ui->device_id->inputMask(), QStringLiteral(">HHH-HH-HHHHHH-HH-HH-H;#"));
        QCOMPARE(ui->cap_charge->minimum(), 0);
        QCOMPARE(ui->cap_charge->maximum(), 24);
        ui->cap_charge->setValue(24);
        QCOMPARE(ui->cap_charge->value(), 24);
        QCOMPARE(ui->error_lcd->maximumHeight(), 100);
        for (int i = 0; i < 30; ++i)
            ui->error_lcd->addItem(QStringLiteral("x"));
        QVERIFY(ui->error_lcd->height() <= 100);

        const QImage closed = QPixmap(QStringLiteral(":/resources/images/sol_close_64.png"))
                                  .toImage()
                                  .convertToFormat(QImage::Format_ARGB32);
        QVERIFY(!closed.isNull());
        const auto image = [](const QLabel *label) {
            return label->pixmap(Qt::ReturnByValue)
                .toImage()
                .convertToFormat(QImage::Format_ARGB32);
        };
        QCOMPARE(image(ui->sol_st_pix), closed);
        QCOMPARE(image(ui->time_img).size(), QSize(64, 25));
        QCOMPARE(image(ui->core_temp_pix).size(), QSize(32, 32));
        QVERIFY(ui->time_img->text().isEmpty()); // the "ICON" placeholder is gone
        QVERIFY(ui->time->text().isEmpty());
        QVERIFY(ui->sol_state->text().isEmpty());
        QVERIFY(ui->core_temp->text().isEmpty());
    }

    void connectionListsAndTheirCurrentItems()
    {
        for (QComboBox *box : {ui->dev_id_1, ui->dev_id_2}) {
            QCOMPARE(box->count(), 246);
            QCOMPARE(box->currentText(), QStringLiteral("1"));
            QCOMPARE(box->itemText(245), QStringLiteral("246"));
        }
        for (QComboBox *box : {ui->dev_br_1, ui->dev_br_2}) {
            QCOMPARE(items(box), (QStringList{"1200", "2400", "4800", "9600", "19200", "38400",
                                              "57600", "115200"}));
            QCOMPARE(box->currentText(), QStringLiteral("9600"));
            QCOMPARE(box->currentData().toInt(), 9600);
        }
        for (QComboBox *box : {ui->dev_db_1, ui->dev_db_2}) {
            QCOMPARE(box->currentText(), QStringLiteral("8"));
            QCOMPARE(box->currentData().toInt(), 8);
        }
        for (QComboBox *box : {ui->dev_par_1, ui->dev_par_2}) {
            QCOMPARE(items(box), (QStringList{"нет", "чётн.", "нечет."}));
            QCOMPARE(box->itemData(1).toInt(), 2);
            QCOMPARE(box->itemData(2).toInt(), 3);
            QCOMPARE(box->currentIndex(), 0);
        }
        for (QComboBox *box : {ui->dev_sb_1, ui->dev_sb_2}) {
            QCOMPARE(items(box), (QStringList{"1", "2"}));
            QCOMPARE(box->currentIndex(), 0);
        }
        QCOMPARE(ui->mb_online->count(), 10);
        QCOMPARE(ui->mb_online->currentText(), QStringLiteral("5 сек."));
    }

    void quantityUnitAndTimeZoneBoxesAreFilled()
    {
        for (QComboBox *box : {ui->CT_Phys_Value_1, ui->CT_Phys_Value_2}) {
            QCOMPARE(items(box), (QStringList{"Q (расход)", "V (объём)", "Колличество"}));
            QCOMPARE(box->currentIndex(), 0);
        }
        for (QComboBox *box : {ui->AN_Phys_Value_1, ui->AN_Phys_Value_2}) {
            QCOMPARE(box->count(), 28);
            QCOMPARE(box->currentIndex(), 0);
            QCOMPARE(box->itemText(27), QStringLiteral("T (период)"));
        }
        const QStringList flowUnits = {"л", "м3", "м3/ч", "кВт", "шт",     "имп",
                                       "г", "кг", "т",    "мм",  "отн.ед."};
        for (QComboBox *box :
             {ui->CT_Phys_Unit_1, ui->CT_Phys_Unit_2, ui->AN_Phys_Unit_1, ui->AN_Phys_Unit_2}) {
            QCOMPARE(items(box), flowUnits);
            QCOMPARE(box->currentIndex(), 0);
        }
        QCOMPARE(ui->time_zone_combo->count(), 49);
        QCOMPARE(ui->time_zone_combo->itemText(0), QStringLiteral("-12.00"));
        QCOMPARE(ui->time_zone_combo->itemText(48), QStringLiteral("0.00"));
        QVERIFY(ui->CT_meas_value->count() == 0 && ui->AN_meas_value->count() == 0);
    }

    void everyComboBoxIsPresentedAlike()
    {
        const QList<QComboBox *> boxes = valve->findChildren<QComboBox *>();
        QCOMPARE(boxes.size(), 43);
        QAbstractItemDelegate *shared = ui->mb_online->itemDelegate();
        QVERIFY(qobject_cast<QStyledItemDelegate *>(shared));
        const Qt::WindowFlags popup =
            Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint;
        for (QComboBox *box : boxes) {
            const QString name = box->objectName();
            QVERIFY2(box->itemDelegate() == shared, qPrintable(name));
            QVERIFY2(box->isEditable(), qPrintable(name));
            QVERIFY2(box->lineEdit()->isReadOnly(), qPrintable(name));
            QCOMPARE(box->lineEdit()->alignment(), Qt::AlignCenter);
            QWidget *window = box->view()->window();
            QVERIFY2((window->windowFlags() & popup) == popup, qPrintable(name));
            QVERIFY2(window->testAttribute(Qt::WA_TranslucentBackground), qPrintable(name));
            for (int i = 0; i < box->count(); ++i)
                QCOMPARE(box->itemData(i, Qt::TextAlignmentRole).toInt(), 0x84);
        }
        QCOMPARE(int(ui->ports->view()->window()->windowFlags()), 0x40000809);
    }

    void typingIntoAComboChangesNothing()
    {
        ui->mb_online->lineEdit()->setFocus();
        QTest::keyClicks(ui->mb_online->lineEdit(), QStringLiteral("99"));
        QCOMPARE(ui->mb_online->currentText(), QStringLiteral("5 сек."));
        QCOMPARE(ui->mb_online->count(), 10);
    }

    void inputTypesEnableTheirGroups()
    {
        ui->Main_Tab_Widget->setTabEnabled(1, true); // as after connecting
        ui->in_type_1->setCurrentIndex(2);
        ui->in_type_2->setCurrentIndex(2);
        QVERIFY(ui->CT_1_GBox->isEnabled() && ui->CT_2_GBox->isEnabled());
        QVERIFY(ui->CT_Common_GBox->isEnabled());
        // input 1 off while input 2 keeps counting
        ui->in_type_1->setCurrentIndex(0);
        QVERIFY(!ui->CT_1_GBox->isEnabled());
        QVERIFY(ui->CT_Common_GBox->isEnabled());
        QVERIFY(!ui->DS_1_GBox->isEnabled());
        QVERIFY(!ui->AN_1_GBox->isEnabled());

        ui->in_type_1->setCurrentIndex(1);
        QVERIFY(ui->DS_1_GBox->isEnabled());
        QVERIFY(ui->ds_filt_delay->isEnabled() && ui->ds_filt_label->isEnabled());
        ui->in_type_2->setCurrentIndex(3);
        QVERIFY(ui->AN_2_GBox->isEnabled() && ui->AN_Common_GBox->isEnabled());
        QVERIFY(!ui->CT_2_GBox->isEnabled() && !ui->CT_Common_GBox->isEnabled());
        ui->in_type_1->setCurrentIndex(4);
        QVERIFY(!ui->DS_1_GBox->isEnabled());
        QVERIFY(!ui->ds_filt_delay->isEnabled() && !ui->ds_filt_label->isEnabled());
        QVERIFY(ui->AN_1_GBox->isEnabled());
        // the pages themselves are never disabled by the input types
        for (int page = 0; page < 5; ++page)
            QVERIFY(ui->Sub_Sett_TabWidget->isTabEnabled(page));
    }

    void quantityChoiceRefillsUnits()
    {
        ui->CT_Phys_Value_1->setCurrentIndex(1);
        QCOMPARE(items(ui->CT_Phys_Unit_1), (QStringList{"л", "м3"}));
        ui->CT_Phys_Value_2->setCurrentIndex(2);
        QCOMPARE(items(ui->CT_Phys_Unit_2), QStringList{"шт"});
        ui->AN_Phys_Value_1->setCurrentIndex(3);
        QCOMPARE(ui->AN_Phys_Unit_1->count(), 10);
        QCOMPARE(ui->AN_Phys_Unit_1->itemText(9), QStringLiteral("г/м3"));
        QCOMPARE(ui->AN_Phys_Unit_1->currentIndex(), 0);
        ui->AN_Phys_Value_2->setCurrentIndex(-1);
        QCOMPARE(ui->AN_Phys_Unit_2->count(), 0);
    }

    void intervalChoiceRefillsValues()
    {
        ui->CT_meas_interval->setCurrentIndex(2);
        QCOMPARE(ui->CT_meas_value->count(), 7);
        QCOMPARE(ui->CT_meas_value->currentIndex(), 0);
        ui->CT_reset_interval->setCurrentIndex(4);
        QCOMPARE(ui->CT_reset_value->count(), 28);
        ui->AN_meas_interval->setCurrentIndex(3);
        QCOMPARE(ui->AN_meas_value->itemText(6), QStringLiteral("Вс"));
        ui->AN_meas_interval->setCurrentIndex(0);
        QCOMPARE(items(ui->AN_meas_value), QStringList{"---"});
    }

    void changingTheSettingsPageEmptiesTheErrorList()
    {
        for (int page : {1, 2, 0}) {
            ui->error_lcd->addItem(QStringLiteral("error"));
            ui->Sub_Sett_TabWidget->setCurrentIndex(page);
            QCOMPARE(ui->error_lcd->count(), 0);
        }
    }
};

QTEST_MAIN(tst_ValveStartup)
#include "tst_valve_startup.moc"
