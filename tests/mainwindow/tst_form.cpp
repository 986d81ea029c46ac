// Checks the generated main-window form (Ui::Valve) object by object: names, classes,
// parents, texts, combo items, spin-box ranges, layout structure, grid cells, size limits,
// the status bar and the creation (= keyboard focus) order.

#include "ui_valve.h"

#include <QtTest>

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QSet>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>

namespace {

const int kMax = 16777215; // QWIDGETSIZE_MAX

// ---------------------------------------------------------------------------------------------
// Expected widgets: name, class, parent widget, text (label/button/line edit text, group box
// title; nullptr = no text to check).
struct WidgetRow
{
    const char *name;
    const char *cls;
    const char *parent;
    const char *text;
};

const WidgetRow kWidgets[] = {
    // window frame and header
    {"centralwidget", "QWidget", "Valve", nullptr},
    {"statusbar", "QStatusBar", "Valve", nullptr},
    {"conn_state", "QLabel", "centralwidget", "статус подключения : "},
    {"led", "QLedLabel", "centralwidget", ""},
    {"ID", "QLabel", "centralwidget", ""},
    {"logo", "QPushButton", "centralwidget", ""},
    {"Main_Tab_Widget", "QTabWidget", "centralwidget", nullptr},
    // connection page
    {"label", "QLabel", "Conn_Tab", "порт : "},
    {"ports", "QComboBox", "Conn_Tab", nullptr},
    {"label_2", "QLabel", "Conn_Tab", "modbus онлайн таймаут : "},
    {"mb_online", "QComboBox", "Conn_Tab", nullptr},
    {"port_info", "QLabel", "Conn_Tab", ""},
    {"GBox_1", "QGroupBox", "Conn_Tab", "Текущее подключение"},
    {"GBox_2", "QGroupBox", "Conn_Tab", "Новое подключение"},
    {"conn_dev", "QPushButton", "Conn_Tab", "подключить устройство"},
    {"label_6", "QLabel", "GBox_1", "ИД Устройства :"},
    {"label_7", "QLabel", "GBox_1", "Скорость  обмена :"},
    {"label_8", "QLabel", "GBox_1", "Колл. бит данных :"},
    {"label_9", "QLabel", "GBox_1", "Чётность  :"},
    {"label_10", "QLabel", "GBox_1", "Колл. стоп бит  :"},
    {"dev_id_1", "QComboBox", "GBox_1", nullptr},
    {"dev_br_1", "QComboBox", "GBox_1", nullptr},
    {"dev_db_1", "QComboBox", "GBox_1", nullptr},
    {"dev_par_1", "QComboBox", "GBox_1", nullptr},
    {"dev_sb_1", "QComboBox", "GBox_1", nullptr},
    {"connect", "QPushButton", "GBox_1", "занять порт"},
    {"label_11", "QLabel", "GBox_2", "ИН Устройства :"},
    {"label_12", "QLabel", "GBox_2", "Скорость  обмена :"},
    {"label_13", "QLabel", "GBox_2", "Колл. бит данных :"},
    {"label_14", "QLabel", "GBox_2", "Чётность  :"},
    {"label_15", "QLabel", "GBox_2", "Колл. стоп бит  :"},
    {"dev_id_2", "QComboBox", "GBox_2", nullptr},
    {"dev_br_2", "QComboBox", "GBox_2", nullptr},
    {"dev_db_2", "QComboBox", "GBox_2", nullptr},
    {"dev_par_2", "QComboBox", "GBox_2", nullptr},
    {"dev_sb_2", "QComboBox", "GBox_2", nullptr},
    {"save_new_conn", "QPushButton", "GBox_2", "сохранить"},
    // settings page
    {"Sub_Sett_TabWidget", "QTabWidget", "Sett_Tab", nullptr},
    {"read_sett", "QPushButton", "Sett_Tab", "прочитать настройки"},
    {"write_sett", "QPushButton", "Sett_Tab", "записать настройки"},
    {"error_lcd", "QListWidget", "Sett_Tab", nullptr},
    {"IN1_GBox", "QGroupBox", "common_tab", "Вход 1"},
    {"IN2_GBox", "QGroupBox", "common_tab", "Вход 2"},
    {"label_16", "QLabel", "IN1_GBox", "Тип Входа  :"},
    {"in_type_1", "QComboBox", "IN1_GBox", nullptr},
    {"label_5", "QLabel", "IN2_GBox", "Тип Входа :"},
    {"in_type_2", "QComboBox", "IN2_GBox", nullptr},
    {"label_3", "QLabel", "solenoid_tab", "тип соленоида :"},
    {"sol_type", "QComboBox", "solenoid_tab", nullptr},
    {"label_4", "QLabel", "solenoid_tab", "длительность импульса (мСек) :"},
    {"sol_imp_len", "QComboBox", "solenoid_tab", nullptr},
    {"ds_filt_label", "QLabel", "disk_tab", "задержка фильтрации (мСек) :"},
    {"ds_filt_delay", "QComboBox", "disk_tab", nullptr},
    {"DS_1_GBox", "QGroupBox", "disk_tab", "дискретный вход 1"},
    {"DS_2_GBox", "QGroupBox", "disk_tab", "дискретный вход 2"},
    {"label_64", "QLabel", "DS_1_GBox", "фронт открытия соленоида :"},
    {"ds_open_front_1", "QComboBox", "DS_1_GBox", nullptr},
    {"label_67", "QLabel", "DS_1_GBox", "фронт закрытия соленоида :"},
    {"ds_close_front_1", "QComboBox", "DS_1_GBox", nullptr},
    {"label_69", "QLabel", "DS_2_GBox", "фронт открытия соленоида :"},
    {"ds_open_front_2", "QComboBox", "DS_2_GBox", nullptr},
    {"label_70", "QLabel", "DS_2_GBox", "фронт закрытия соленоида :"},
    {"ds_close_front_2", "QComboBox", "DS_2_GBox", nullptr},
    {"CT_1_GBox", "QGroupBox", "count_tab", "счётный вход 1"},
    {"CT_2_GBox", "QGroupBox", "count_tab", "счётный вход 2"},
    {"CT_Common_GBox", "QGroupBox", "count_tab", "общие"},
    {"label_39", "QLabel", "CT_Common_GBox", "интервал измерений :"},
    {"CT_meas_interval", "QComboBox", "CT_Common_GBox", nullptr},
    {"label_41", "QLabel", "CT_Common_GBox", "интервал сброса счётчиков :"},
    {"CT_reset_interval", "QComboBox", "CT_Common_GBox", nullptr},
    {"label_40", "QLabel", "CT_Common_GBox", "значение в интервале измерений :"},
    {"CT_meas_value", "QComboBox", "CT_Common_GBox", nullptr},
    {"label_42", "QLabel", "CT_Common_GBox", "значение в интервале сброса счётчиков :"},
    {"CT_reset_value", "QComboBox", "CT_Common_GBox", nullptr},
    {"label_38", "QLabel", "CT_Common_GBox", "фильтр частот :"},
    {"CT_Freq_filter", "QComboBox", "CT_Common_GBox", nullptr},
    {"AN_1_GBox", "QGroupBox", "analog_tab", "аналоговый вход 1"},
    {"AN_2_GBox", "QGroupBox", "analog_tab", "аналоговый вход 2"},
    {"AN_Common_GBox", "QGroupBox", "analog_tab", "общие"},
    {"label_102", "QLabel", "AN_Common_GBox", "интервал измерений :"},
    {"AN_meas_interval", "QComboBox", "AN_Common_GBox", nullptr},
    {"label_103", "QLabel", "AN_Common_GBox", "пауза перед измерением (мСек.) :"},
    {"AN_pause", "QComboBox", "AN_Common_GBox", nullptr},
    {"label_104", "QLabel", "AN_Common_GBox", "значение в интервале измерений :"},
    {"AN_meas_value", "QComboBox", "AN_Common_GBox", nullptr},
    {"label_101", "QLabel", "AN_Common_GBox", "глубина фильтрации :"},
    {"AN_Filt", "QComboBox", "AN_Common_GBox", nullptr},
    {"label_28", "QLabel", "service_tab", "пароль :"},
    {"service_pass", "QLineEdit", "service_tab", ""},
    {"label_29", "QLabel", "service_tab", "идентификатор устройства :"},
    {"device_id", "QLineEdit", "service_tab", ""},
    // inputs page
    {"IN1_LCD_GBox", "QGroupBox", "Ins_Tab", "вход 1"},
    {"IN2_LCD_GBox", "QGroupBox", "Ins_Tab", "вход 2"},
    {"groupBox_2", "QGroupBox", "Ins_Tab", "время"},
    {"groupBox", "QGroupBox", "Ins_Tab", "соленоид"},
    {"groupBox_3", "QGroupBox", "Ins_Tab", "температура"},
    {"DS1_LCD_GBox", "QGroupBox", "IN1_LCD_GBox", "дискретный"},
    {"CT1_LCD_GBox", "QGroupBox", "IN1_LCD_GBox", "счётный"},
    {"AN1_LCD_GBox", "QGroupBox", "IN1_LCD_GBox", "аналоговый"},
    {"DS2_LCD_GBox", "QGroupBox", "IN2_LCD_GBox", "дискретный"},
    {"CT2_LCD_GBox", "QGroupBox", "IN2_LCD_GBox", "счётный"},
    {"AN2_LCD_GBox", "QGroupBox", "IN2_LCD_GBox", "аналоговый"},
    {"label_21", "QLabel", "DS1_LCD_GBox", "логический уровень :"},
    {"DS1_LCD", "QLineEdit", "DS1_LCD_GBox", ""},
    {"label_105", "QLabel", "DS2_LCD_GBox", "логический уровень :"},
    {"DS2_LCD", "QLineEdit", "DS2_LCD_GBox", ""},
    {"label_17", "QLabel", "CT1_LCD_GBox", "абсолютное значение :"},
    {"label_18", "QLabel", "CT1_LCD_GBox", "абсолютная дельта  :"},
    {"label_19", "QLabel", "CT1_LCD_GBox", "физическая величина  :"},
    {"label_20", "QLabel", "CT1_LCD_GBox", "физическая дельта  :"},
    {"RES_1", "QPushButton", "CT1_LCD_GBox", ""},
    {"label_107", "QLabel", "CT2_LCD_GBox", "абсолютное значение :"},
    {"label_108", "QLabel", "CT2_LCD_GBox", "абсолютная дельта  :"},
    {"label_109", "QLabel", "CT2_LCD_GBox", "физическая величина  :"},
    {"label_106", "QLabel", "CT2_LCD_GBox", "физическая дельта  :"},
    {"RES_2", "QPushButton", "CT2_LCD_GBox", ""},
    {"time_img", "QLabel", "groupBox_2", "ICON"},
    {"time_zone_combo", "QComboBox", "groupBox_2", nullptr},
    {"time", "QLabel", "groupBox_2", ""},
    {"setTime", "QPushButton", "groupBox_2", "установить время"},
    {"sol_open", "QPushButton", "groupBox", "открыть"},
    {"sol_st_pix", "QLabel", "groupBox", ""},
    {"sol_close", "QPushButton", "groupBox", "закрыть"},
    {"cap_charge", "QProgressBar", "groupBox", nullptr},
    {"sol_state", "QLabel", "groupBox", ""},
    {"core_temp_pix", "QLabel", "groupBox_3", ""},
    {"core_temp", "QLabel", "groupBox_3", ""},
};

// Rows shared by the two counting-input settings boxes (captions col 0, editors col 2).
struct PairRow
{
    const char *caption1;
    const char *label1;
    const char *editor1;
    const char *caption2;
    const char *label2;
    const char *editor2;
    const char *cls;
};

const PairRow kCountRows[] = {
    {"активный фронт :", "label_34", "front_type_1", "активный фронт :", "label_37", "front_type_2",
     "QComboBox"},
    {"тип контроля :", "label_35", "control_type_1", "тип контроля :", "label_36", "control_type_2",
     "QComboBox"},
    {"измеряемая величина :", "label_72", "CT_Phys_Value_1", "измеряемая величина :", "label_79",
     "CT_Phys_Value_2", "QComboBox"},
    {"единицы измерения :", "label_75", "CT_Phys_Unit_1", "единицы измерения :", "label_83",
     "CT_Phys_Unit_2", "QComboBox"},
    {"вес импульса (физ.вел.) :", "label_73", "CT_Imp_Weight_1",
     "вес импульса (физ.вел.) :", "label_80", "CT_Imp_Weight_2", "QDoubleSpinBox"},
    {"Миним.открытие (физ.вел.) :", "label_77", "CT_min_open_1",
     "Миним.открытие (физ.вел.) :", "label_82", "CT_min_open_2", "QDoubleSpinBox"},
    {"Миним.закрытие (физ.вел.) :", "label_78", "CT_min_close_1",
     "Миним.закрытие (физ.вел.) :", "label_84", "CT_min_close_2", "QDoubleSpinBox"},
    {"Макс.открытие (физ.вел.) :", "label_76", "CT_max_open_1",
     "Макс.открытие (физ.вел.) :", "label_81", "CT_max_open_2", "QDoubleSpinBox"},
    {"Макс.закрытие(физ.вел.) :", "label_74", "CT_max_close_1",
     "Макс.закрытие(физ.вел.) :", "label_85", "CT_max_close_2", "QDoubleSpinBox"},
};

// Rows of the two analog-input settings boxes; note the stray period in label_89 only.
const PairRow kAnalogRows[] = {
    {"Измеряемая Величина :", "label_86", "AN_Phys_Value_1", "Измеряемая Величина :", "label_97",
     "AN_Phys_Value_2", "QComboBox"},
    {"Единицы Измерения :", "label_87", "AN_Phys_Unit_1", "Единицы Измерения :", "label_99",
     "AN_Phys_Unit_2", "QComboBox"},
    {"нижняя граница (физ.вел.) :", "label_88", "AN_Btm_Lim_Phys_1",
     "нижняя граница (физ.вел.) :", "label_94", "AN_Btm_Lim_Phys_2", "QDoubleSpinBox"},
    {"верхняя граница (физ.вел.). :", "label_89", "AN_Upp_Lim_Phys_1",
     "верхняя граница (физ.вел.) :", "label_93", "AN_Upp_Lim_Phys_2", "QDoubleSpinBox"},
    {"Миним.открытие (физ.вел.) :", "label_43", "AN_min_open_1",
     "Миним.открытие (физ.вел.) :", "label_95", "AN_min_open_2", "QDoubleSpinBox"},
    {"Миним.закрытие (физ.вел.) :", "label_90", "AN_min_close_1",
     "Миним.закрытие (физ.вел.) :", "label_96", "AN_min_close_2", "QDoubleSpinBox"},
    {"Максим.открытие (физ.вел.) :", "label_91", "AN_max_open_1",
     "Максим.открытие (физ.вел.) :", "label_100", "AN_max_open_2", "QDoubleSpinBox"},
    {"Максим.закрытие (физ.вел.) :", "label_92", "AN_max_close_1",
     "Максим.закрытие (физ.вел.) :", "label_98", "AN_max_close_2", "QDoubleSpinBox"},
};

// Live-value rows of the analog display boxes: caption, value field, unit label per input.
const PairRow kAnalogLcdRows[] = {
    {"текущее значение :", "label_22", "AN1_Val_LCD", "текущее значение :", "label_113",
     "AN2_Val_LCD", nullptr},
    {"текущая физ. величина  :", "label_23", "AN1_Ph_Val_LCD",
     "текущая физ. величина  :", "label_115", "AN2_Ph_Val_LCD", nullptr},
    {"предыдущее  значение :", "label_24", "AN1_Pr_Val_LCD", "предыдущее  значение :", "label_110",
     "AN2_Pr_Val_LCD", nullptr},
    {"предыдущая физ. величина : ", "label_25", "AN1_Pr_Ph_LCD",
     "предыдущая физ. величина : ", "label_114", "AN2_Pr_Ph_LCD", nullptr},
    {"дельта (пред. - тек.) : ", "label_26", "AN1_Del_Val_LCD",
     "дельта (пред. - тек.) :", "label_111", "AN2_Del_Val_LCD", nullptr},
    {"физ. дельта (пред. - тек.)  :", "label_27", "AN1_Ph_Del_LCD",
     "физ. дельта (пред. - тек.)  :", "label_112", "AN2_Ph_Del_LCD", nullptr},
};

const char *const kCountLcdFields[] = {"Imp_LCD", "Abs_Del_LCD", "Ph_Val_LCD", "Ph_Del_LCD"};

// Tab pages: tab widget, index, page, title.
struct PageRow
{
    const char *tabs;
    int index;
    const char *page;
    const char *title;
};

const PageRow kPages[] = {
    {"Main_Tab_Widget", 0, "Conn_Tab", "подключение"},
    {"Main_Tab_Widget", 1, "Sett_Tab", "настройки"},
    {"Main_Tab_Widget", 2, "Ins_Tab", "входы"},
    {"Sub_Sett_TabWidget", 0, "common_tab", "общие"},
    {"Sub_Sett_TabWidget", 1, "solenoid_tab", "соленоид"},
    {"Sub_Sett_TabWidget", 2, "disk_tab", "дискретные"},
    {"Sub_Sett_TabWidget", 3, "count_tab", "счётные"},
    {"Sub_Sett_TabWidget", 4, "analog_tab", "аналоговые"},
    {"Sub_Sett_TabWidget", 5, "service_tab", "сервис"},
};

// Combo boxes the form fills; items separated by '|'.
struct ComboRow
{
    const char *name;
    const char *items;
};

const char kIntervals[] = "выключен|1-60 минут|1-24 часа|1-7 дней|1-28 дней";
const char kFronts3[] = "отключён|спадающий|нарастающий";
const char kInTypes[] = "выключен|дискретный|счётный|напряжение|ток";

const ComboRow kFilledCombos[] = {
    {"mb_online", "5 сек.|10 сек.|15 сек.|20 сек.|30 сек.|1 мин.|2 мин.|5 мин.|10 мин.|15 мин."},
    {"in_type_1", kInTypes},
    {"in_type_2", kInTypes},
    {"sol_type", "бистабильный|нормально открытый|нормально закрытый"},
    {"sol_imp_len", "20|30|40|50|60|70|80|90|100|110|120|130|140|150"},
    {"ds_filt_delay",
     "0|300|600|900|1200|1500|1800|2100|2400|2700|3000|3300|3600|3900|4200|4500|4800"},
    {"ds_open_front_1", kFronts3},
    {"ds_close_front_1", kFronts3},
    {"ds_open_front_2", kFronts3},
    {"ds_close_front_2", kFronts3},
    {"front_type_1", "спадающий|нарастающий"},
    {"front_type_2", "спадающий|нарастающий"},
    {"control_type_1", "абсолютный|за период"},
    {"control_type_2", "абсолютный|за период"},
    {"CT_meas_interval", kIntervals},
    {"CT_reset_interval", kIntervals},
    {"CT_Freq_filter", "5 кГц|60 Гц|40 Гц|20 Гц|10 Гц|5 Гц|1 Гц|0.5 Гц|0.05 Гц"},
    {"AN_meas_interval", kIntervals},
    {"AN_pause", "выключен|50|100|200|1000|5000|10000|30000|55000|постоянно включён"},
    {"AN_Filt", "0|1|2|3|4|5|6|7|8|9|10|11|12|13|14|15|16"},
};

// Combo boxes filled only by run-time code.
const char *const kEmptyCombos[] = {
    "ports",           "dev_id_1",        "dev_br_1",        "dev_db_1",        "dev_par_1",
    "dev_sb_1",        "dev_id_2",        "dev_br_2",        "dev_db_2",        "dev_par_2",
    "dev_sb_2",        "time_zone_combo", "CT_Phys_Value_1", "CT_Phys_Unit_1",  "CT_Phys_Value_2",
    "CT_Phys_Unit_2",  "CT_meas_value",   "CT_reset_value",  "AN_Phys_Value_1", "AN_Phys_Unit_1",
    "AN_Phys_Value_2", "AN_Phys_Unit_2",  "AN_meas_value",
};

// Layouts: name, class, host (the widget it is installed on, or the enclosing layout),
// spacing and uniform contents margin (-1 = style default, not checked).
struct LayoutRow
{
    const char *name;
    const char *cls;
    const char *host;
    int spacing;
    int margin;
};

const LayoutRow kLayouts[] = {
    {"verticalLayout", "QVBoxLayout", "centralwidget", 5, 5},
    {"horizontalLayout_5", "QHBoxLayout", "verticalLayout", -1, -1},
    {"verticalLayout_2", "QVBoxLayout", "Conn_Tab", -1, 5},
    {"horizontalLayout", "QHBoxLayout", "verticalLayout_2", -1, -1},
    {"horizontalLayout_2", "QHBoxLayout", "verticalLayout_2", 6, -1},
    {"horizontalLayout_4", "QHBoxLayout", "GBox_1", -1, -1},
    {"gridLayout_9", "QGridLayout", "horizontalLayout_4", -1, -1},
    {"horizontalLayout_3", "QHBoxLayout", "GBox_2", -1, -1},
    {"gridLayout_13", "QGridLayout", "horizontalLayout_3", -1, -1},
    {"verticalLayout_3", "QVBoxLayout", "Sett_Tab", -1, 5},
    {"horizontalLayout_7", "QHBoxLayout", "verticalLayout_3", -1, -1},
    {"verticalLayout_4", "QVBoxLayout", "common_tab", -1, -1},
    {"horizontalLayout_13", "QHBoxLayout", "verticalLayout_4", -1, -1},
    {"horizontalLayout_6", "QHBoxLayout", "IN1_GBox", -1, -1},
    {"horizontalLayout_12", "QHBoxLayout", "IN2_GBox", -1, -1},
    {"horizontalLayout_8", "QHBoxLayout", "solenoid_tab", -1, -1},
    {"gridLayout_3", "QGridLayout", "horizontalLayout_8", -1, -1},
    {"verticalLayout_5", "QVBoxLayout", "disk_tab", -1, -1},
    {"horizontalLayout_15", "QHBoxLayout", "verticalLayout_5", -1, -1},
    {"horizontalLayout_16", "QHBoxLayout", "verticalLayout_5", -1, -1},
    {"gridLayout_6", "QGridLayout", "DS_1_GBox", -1, -1},
    {"gridLayout_10", "QGridLayout", "DS_2_GBox", -1, -1},
    {"verticalLayout_7", "QVBoxLayout", "count_tab", -1, -1},
    {"verticalLayout_6", "QVBoxLayout", "verticalLayout_7", -1, -1},
    {"horizontalLayout_17", "QHBoxLayout", "verticalLayout_6", -1, -1},
    {"gridLayout_7", "QGridLayout", "CT_1_GBox", -1, -1},
    {"gridLayout_11", "QGridLayout", "CT_2_GBox", -1, -1},
    {"gridLayout_12", "QGridLayout", "CT_Common_GBox", -1, -1},
    {"verticalLayout_8", "QVBoxLayout", "analog_tab", -1, -1},
    {"horizontalLayout_18", "QHBoxLayout", "verticalLayout_8", -1, -1},
    {"gridLayout_14", "QGridLayout", "AN_1_GBox", -1, -1},
    {"gridLayout_15", "QGridLayout", "AN_2_GBox", -1, -1},
    {"gridLayout_16", "QGridLayout", "AN_Common_GBox", -1, -1},
    {"gridLayout_22", "QGridLayout", "service_tab", -1, -1},
    {"gridLayout_21", "QGridLayout", "gridLayout_22", -1, -1},
    {"verticalLayout_9", "QVBoxLayout", "Ins_Tab", -1, 5},
    {"horizontalLayout_19", "QHBoxLayout", "verticalLayout_9", -1, -1},
    {"horizontalLayout_10", "QHBoxLayout", "verticalLayout_9", 5, -1},
    {"verticalLayout_11", "QVBoxLayout", "IN1_LCD_GBox", 9, 9},
    {"verticalLayout_12", "QVBoxLayout", "IN2_LCD_GBox", 9, 9},
    {"gridLayout", "QGridLayout", "DS1_LCD_GBox", 9, 9},
    {"gridLayout_2", "QGridLayout", "CT1_LCD_GBox", 9, 9},
    {"gridLayout_17", "QGridLayout", "AN1_LCD_GBox", 9, 9},
    {"gridLayout_18", "QGridLayout", "DS2_LCD_GBox", 9, 9},
    {"gridLayout_19", "QGridLayout", "CT2_LCD_GBox", 9, 9},
    {"gridLayout_20", "QGridLayout", "AN2_LCD_GBox", 9, 9},
    {"verticalLayout_13", "QVBoxLayout", "groupBox_2", 2, 5},
    {"gridLayout_5", "QGridLayout", "verticalLayout_13", 2, -1},
    {"verticalLayout_10", "QVBoxLayout", "groupBox", 2, 5},
    {"gridLayout_4", "QGridLayout", "verticalLayout_10", -1, -1},
    {"verticalLayout_14", "QVBoxLayout", "groupBox_3", 2, 5},
    {"gridLayout_8", "QGridLayout", "verticalLayout_14", -1, -1},
};

// Box layouts: their items in order; spacers as "WxH Horizontal/Vertical".
struct BoxRow
{
    const char *layout;
    const char *items;
};

const BoxRow kBoxes[] = {
    {"verticalLayout", "horizontalLayout_5; Main_Tab_Widget; 20x2 Minimum/Expanding"},
    {"horizontalLayout_5",
     "conn_state; led; 10x20 Fixed/Minimum; ID; 40x20 Expanding/Minimum; logo"},
    {"verticalLayout_2", "20x15 Minimum/Fixed; horizontalLayout; 20x5 Minimum/Fixed; "
                         "horizontalLayout_2; conn_dev; 20x40 Minimum/Expanding"},
    {"horizontalLayout", "40x10 Expanding/Minimum; label; ports; 20x10 Fixed/Minimum; label_2; "
                         "mb_online; port_info; 40x10 Expanding/Minimum"},
    {"horizontalLayout_2", "GBox_1; GBox_2"},
    {"horizontalLayout_4", "gridLayout_9"},
    {"horizontalLayout_3", "gridLayout_13"},
    {"verticalLayout_3", "Sub_Sett_TabWidget; horizontalLayout_7; 20x5 Minimum/Fixed; error_lcd"},
    {"horizontalLayout_7", "read_sett; write_sett"},
    {"verticalLayout_4", "horizontalLayout_13; 20x40 Minimum/Expanding"},
    {"horizontalLayout_13", "IN1_GBox; IN2_GBox"},
    {"horizontalLayout_6", "label_16; 40x20 Expanding/Minimum; in_type_1"},
    {"horizontalLayout_12", "label_5; 40x20 Expanding/Minimum; in_type_2"},
    {"horizontalLayout_8", "gridLayout_3"},
    {"verticalLayout_5", "20x20 Minimum/Fixed; horizontalLayout_15; 20x20 Minimum/Fixed; "
                         "horizontalLayout_16; 20x20 Minimum/Expanding"},
    {"horizontalLayout_15", "40x20 Expanding/Minimum; ds_filt_label; 10x20 Fixed/Minimum; "
                            "ds_filt_delay; 40x20 Expanding/Minimum"},
    {"horizontalLayout_16", "DS_1_GBox; 10x20 Fixed/Minimum; DS_2_GBox"},
    {"verticalLayout_7", "verticalLayout_6"},
    {"verticalLayout_6", "horizontalLayout_17; CT_Common_GBox"},
    {"horizontalLayout_17", "CT_1_GBox; 10x20 Fixed/Minimum; CT_2_GBox"},
    {"verticalLayout_8", "horizontalLayout_18; AN_Common_GBox; 20x40 Minimum/Expanding"},
    {"horizontalLayout_18", "AN_1_GBox; 10x20 Fixed/Minimum; AN_2_GBox"},
    {"verticalLayout_9", "horizontalLayout_19; horizontalLayout_10"},
    {"horizontalLayout_19", "IN1_LCD_GBox; 10x20 Fixed/Minimum; IN2_LCD_GBox"},
    {"horizontalLayout_10", "groupBox_2; groupBox; groupBox_3; 40x20 Expanding/Minimum"},
    {"verticalLayout_11", "DS1_LCD_GBox; CT1_LCD_GBox; AN1_LCD_GBox"},
    {"verticalLayout_12", "DS2_LCD_GBox; CT2_LCD_GBox; AN2_LCD_GBox"},
    {"verticalLayout_13", "gridLayout_5"},
    {"verticalLayout_10", "gridLayout_4"},
    {"verticalLayout_14", "gridLayout_8"},
};

// Grid layouts: every item as "item@row,col" or "item@row,col/rowspan x colspan".
const BoxRow kGrids[] = {
    {"gridLayout_9", "label_6@0,0; dev_id_1@0,2; label_7@1,0; 40x20 Expanding/Minimum@1,1; "
                     "dev_br_1@1,2; label_8@2,0; dev_db_1@2,2; label_9@3,0; dev_par_1@3,2; "
                     "label_10@4,0; dev_sb_1@4,2; connect@5,0/1x3"},
    {"gridLayout_13", "label_11@0,0; dev_id_2@0,2; label_12@1,0; 40x20 Expanding/Minimum@1,1; "
                      "dev_br_2@1,2; label_13@2,0; dev_db_2@2,2; label_14@3,0; dev_par_2@3,2; "
                      "label_15@4,0; dev_sb_2@4,2; save_new_conn@5,0/1x3"},
    {"gridLayout_3", "label_3@0,0; sol_type@0,2; label_4@1,0; 40x20 Fixed/Minimum@1,1; "
                     "sol_imp_len@1,2; 40x20 Expanding/Minimum@1,3; 20x40 Minimum/Expanding@2,2"},
    {"gridLayout_6", "label_64@0,0/1x2; ds_open_front_1@0,3; label_67@1,0/1x2; "
                     "40x20 Expanding/Minimum@1,2; ds_close_front_1@1,3"},
    {"gridLayout_10", "label_69@0,0; ds_open_front_2@0,2; label_70@1,0; "
                      "40x20 Expanding/Minimum@1,1; ds_close_front_2@1,2"},
    {"gridLayout_12", "label_39@0,0; CT_meas_interval@0,2; label_41@0,4; CT_reset_interval@0,6; "
                      "label_40@3,0; 40x20 Expanding/Minimum@3,1; CT_meas_value@3,2; "
                      "10x20 Fixed/Minimum@3,3; label_42@3,4; 40x20 Expanding/Minimum@3,5; "
                      "CT_reset_value@3,6; label_38@4,0; CT_Freq_filter@4,2"},
    {"gridLayout_16", "label_102@0,0; AN_meas_interval@0,2; 10x20 Fixed/Minimum@0,3; "
                      "label_103@0,4; AN_pause@0,6; label_104@1,0; 40x20 Expanding/Minimum@1,1; "
                      "AN_meas_value@1,2; label_101@1,4; 40x20 Expanding/Minimum@1,5; AN_Filt@1,6"},
    {"gridLayout_22",
     "gridLayout_21@0,0; 40x20 Expanding/Minimum@0,1; 20x40 Minimum/Expanding@1,0"},
    {"gridLayout_21", "label_28@0,0; service_pass@0,1; label_29@1,0; device_id@1,1"},
    {"gridLayout", "label_21@0,0; 40x20 Expanding/Minimum@0,1; DS1_LCD@0,2"},
    {"gridLayout_18", "label_105@0,0; 40x20 Expanding/Minimum@0,1; DS2_LCD@0,2"},
    {"gridLayout_2",
     "label_17@0,0; RES_1@0,2; CT1_Imp_LCD@0,3; CT1_LBL_0@0,4; label_18@1,0; "
     "40x20 Expanding/Minimum@1,1; CT1_Abs_Del_LCD@1,3; CT1_LBL_1@1,4; label_19@2,0; "
     "CT1_Ph_Val_LCD@2,3; CT1_LBL_2@2,4; label_20@3,0; CT1_Ph_Del_LCD@3,3; CT1_LBL_3@3,4"},
    {"gridLayout_19",
     "label_107@0,0; RES_2@0,2; CT2_Imp_LCD@0,3; CT2_LBL_0@0,4; label_108@1,0; "
     "40x20 Expanding/Minimum@1,1; CT2_Abs_Del_LCD@1,3; CT2_LBL_1@1,4; label_109@2,0; "
     "CT2_Ph_Val_LCD@2,3; CT2_LBL_2@2,4; label_106@3,0; CT2_Ph_Del_LCD@3,3; CT2_LBL_3@3,4"},
    {"gridLayout_5", "time_img@0,0/2x1; time_zone_combo@0,2/2x1; time@2,0/2x3; setTime@5,0/1x3"},
    {"gridLayout_4", "sol_open@0,0; 10x20 Fixed/Minimum@0,1; sol_st_pix@0,2/2x1; sol_close@1,0; "
                     "cap_charge@2,0; sol_state@2,2"},
    {"gridLayout_8", "core_temp_pix@0,0; core_temp@1,0"},
};

// Size policies and size limits (-1 = not checked).
struct SizeRow
{
    const char *name;
    const char *hPolicy;
    const char *vPolicy;
    int minW, minH, maxW, maxH;
};

const SizeRow kSizes[] = {
    {"Valve", "Preferred", "Preferred", 0, 0, kMax, kMax},
    {"centralwidget", "Preferred", "Preferred", -1, -1, -1, -1},
    {"led", nullptr, nullptr, 14, 14, 14, 14},
    {"ports", nullptr, nullptr, 100, 0, -1, -1},
    {"dev_id_1", "Preferred", "Fixed", -1, -1, -1, -1},
    {"dev_id_2", "Preferred", "Fixed", -1, -1, -1, -1},
    {"error_lcd", "Expanding", "Fixed", 0, 30, kMax, 100},
    {"DS1_LCD", "Fixed", "Fixed", 80, 0, 80, kMax},
    {"DS2_LCD", "Fixed", "Fixed", 80, 0, 80, kMax},
    {"RES_1", "Fixed", "Fixed", 16, 16, 16, 16},
    {"RES_2", "Fixed", "Fixed", 16, 16, 16, 16},
    {"time_img", "Preferred", "Preferred", 0, 0, kMax, kMax},
    {"time_zone_combo", "Preferred", "Fixed", -1, -1, -1, -1},
    {"time", nullptr, nullptr, 20, 0, -1, -1},
    {"cap_charge", "Minimum", "Fixed", -1, -1, -1, -1},
    {"core_temp", "Preferred", "Preferred", 20, 0, -1, -1},
    {"statusbar", "Preferred", "Fixed", 0, 20, kMax, kMax},
};

// Creation order of the children of one parent (QObject::children keeps creation order).
struct OrderRow
{
    const char *parent;
    const char *names;
};

const OrderRow kOrders[] = {
    {"Valve", "centralwidget statusbar"},
    {"centralwidget", "conn_state led ID logo Main_Tab_Widget"},
    {"Conn_Tab", "label ports label_2 mb_online port_info GBox_1 GBox_2 conn_dev"},
    {"GBox_1", "label_10 dev_sb_1 label_7 label_6 dev_db_1 dev_br_1 label_8 label_9 dev_par_1 "
               "dev_id_1 connect"},
    {"GBox_2", "dev_id_2 label_14 dev_br_2 label_13 dev_par_2 label_11 label_12 dev_sb_2 "
               "dev_db_2 label_15 save_new_conn"},
    {"Sett_Tab", "Sub_Sett_TabWidget read_sett write_sett error_lcd"},
    {"Ins_Tab", "IN1_LCD_GBox IN2_LCD_GBox groupBox_2 groupBox groupBox_3"},
    {"IN1_LCD_GBox", "DS1_LCD_GBox CT1_LCD_GBox AN1_LCD_GBox"},
    {"DS1_LCD_GBox", "DS1_LCD label_21"},
    {"CT1_LCD_GBox", "RES_1 label_19 label_20 label_18 label_17 CT1_LBL_0 CT1_LBL_1 CT1_LBL_2 "
                     "CT1_LBL_3 CT1_Imp_LCD CT1_Abs_Del_LCD CT1_Ph_Val_LCD CT1_Ph_Del_LCD"},
    {"AN1_LCD_GBox", "label_24 label_25 label_22 label_23 label_26 label_27 AN1_LBL_0 AN1_LBL_1 "
                     "AN1_LBL_2 AN1_LBL_3 AN1_LBL_4 AN1_LBL_5 AN1_Val_LCD AN1_Ph_Val_LCD "
                     "AN1_Pr_Val_LCD AN1_Pr_Ph_LCD AN1_Del_Val_LCD AN1_Ph_Del_LCD"},
    {"DS2_LCD_GBox", "DS2_LCD label_105"},
    {"CT2_LCD_GBox", "RES_2 label_108 label_109 label_107 label_106 CT2_LBL_0 CT2_LBL_1 "
                     "CT2_LBL_2 CT2_LBL_3 CT2_Imp_LCD CT2_Abs_Del_LCD CT2_Ph_Val_LCD "
                     "CT2_Ph_Del_LCD"},
    {"AN2_LCD_GBox", "label_110 label_111 label_115 label_114 label_112 label_113 AN2_LBL_0 "
                     "AN2_LBL_1 AN2_LBL_2 AN2_LBL_3 AN2_LBL_4 AN2_LBL_5 AN2_Val_LCD "
                     "AN2_Ph_Val_LCD AN2_Pr_Val_LCD AN2_Pr_Ph_LCD AN2_Del_Val_LCD AN2_Ph_Del_LCD"},
    {"groupBox_2", "time setTime time_img time_zone_combo"},
    {"groupBox", "sol_open cap_charge sol_close sol_st_pix sol_state"},
    {"groupBox_3", "core_temp_pix core_temp"},
};

// The window-wide construction order, which is also the keyboard focus chain.
const char kFocusOrder[] =
    "centralwidget conn_state led ID logo Main_Tab_Widget Conn_Tab label ports label_2 mb_online "
    "port_info GBox_1 label_10 dev_sb_1 label_7 label_6 dev_db_1 dev_br_1 label_8 label_9 "
    "dev_par_1 dev_id_1 connect GBox_2 dev_id_2 label_14 dev_br_2 label_13 dev_par_2 label_11 "
    "label_12 dev_sb_2 dev_db_2 label_15 save_new_conn conn_dev Sett_Tab Sub_Sett_TabWidget "
    "read_sett write_sett error_lcd Ins_Tab IN1_LCD_GBox DS1_LCD_GBox DS1_LCD label_21 "
    "CT1_LCD_GBox RES_1 label_19 label_20 label_18 label_17 CT1_LBL_0 CT1_LBL_1 CT1_LBL_2 "
    "CT1_LBL_3 CT1_Imp_LCD CT1_Abs_Del_LCD CT1_Ph_Val_LCD CT1_Ph_Del_LCD AN1_LCD_GBox label_24 "
    "label_25 label_22 label_23 label_26 label_27 AN1_LBL_0 AN1_LBL_1 AN1_LBL_2 AN1_LBL_3 "
    "AN1_LBL_4 AN1_LBL_5 AN1_Val_LCD AN1_Ph_Val_LCD AN1_Pr_Val_LCD AN1_Pr_Ph_LCD AN1_Del_Val_LCD "
    "AN1_Ph_Del_LCD IN2_LCD_GBox DS2_LCD_GBox DS2_LCD label_105 CT2_LCD_GBox RES_2 label_108 "
    "label_109 label_107 label_106 CT2_LBL_0 CT2_LBL_1 CT2_LBL_2 CT2_LBL_3 CT2_Imp_LCD "
    "CT2_Abs_Del_LCD CT2_Ph_Val_LCD CT2_Ph_Del_LCD AN2_LCD_GBox label_110 label_111 label_115 "
    "label_114 label_112 label_113 AN2_LBL_0 AN2_LBL_1 AN2_LBL_2 AN2_LBL_3 AN2_LBL_4 AN2_LBL_5 "
    "AN2_Val_LCD AN2_Ph_Val_LCD AN2_Pr_Val_LCD AN2_Pr_Ph_LCD AN2_Del_Val_LCD AN2_Ph_Del_LCD "
    "groupBox_2 time setTime time_img time_zone_combo groupBox sol_open cap_charge sol_close "
    "sol_st_pix sol_state groupBox_3 core_temp_pix core_temp statusbar";

// ---------------------------------------------------------------------------------------------

QString u(const char *s)
{
    return QString::fromUtf8(s);
}

QStringList splitList(const char *s, const char *sep)
{
    QStringList out;
    for (const QString &part : u(s).split(u(sep)))
        if (!part.trimmed().isEmpty())
            out << part.trimmed();
    return out;
}

QString policyName(QSizePolicy::Policy p)
{
    switch (p) {
    case QSizePolicy::Fixed:
        return "Fixed";
    case QSizePolicy::Minimum:
        return "Minimum";
    case QSizePolicy::Maximum:
        return "Maximum";
    case QSizePolicy::Preferred:
        return "Preferred";
    case QSizePolicy::Expanding:
        return "Expanding";
    case QSizePolicy::MinimumExpanding:
        return "MinimumExpanding";
    case QSizePolicy::Ignored:
        return "Ignored";
    }
    return "?";
}

QString describe(QLayoutItem *item)
{
    if (QWidget *w = item->widget())
        return w->objectName();
    if (QLayout *l = item->layout())
        return l->objectName();
    if (QSpacerItem *s = item->spacerItem()) {
        const QSize hint = s->sizeHint();
        return QString("%1x%2 %3/%4")
            .arg(hint.width())
            .arg(hint.height())
            .arg(policyName(s->sizePolicy().horizontalPolicy()))
            .arg(policyName(s->sizePolicy().verticalPolicy()));
    }
    return "?";
}

// The widget rows plus the rows expanded from the repeated-row tables.
struct Expected
{
    QString name, cls, parent;
    QVariant text; // invalid = not checked
};

QVector<Expected> allWidgetRows()
{
    QVector<Expected> rows;
    auto add = [&rows](const QString &name, const char *cls, const char *parent, const char *text) {
        rows << Expected{name, u(cls), u(parent), text ? QVariant(u(text)) : QVariant()};
    };
    for (const WidgetRow &r : kWidgets)
        add(u(r.name), r.cls, r.parent, r.text);
    for (const PairRow &r : kCountRows) {
        add(u(r.label1), "QLabel", "CT_1_GBox", r.caption1);
        add(u(r.editor1), r.cls, "CT_1_GBox", nullptr);
        add(u(r.label2), "QLabel", "CT_2_GBox", r.caption2);
        add(u(r.editor2), r.cls, "CT_2_GBox", nullptr);
    }
    for (const PairRow &r : kAnalogRows) {
        add(u(r.label1), "QLabel", "AN_1_GBox", r.caption1);
        add(u(r.editor1), r.cls, "AN_1_GBox", nullptr);
        add(u(r.label2), "QLabel", "AN_2_GBox", r.caption2);
        add(u(r.editor2), r.cls, "AN_2_GBox", nullptr);
    }
    for (const PairRow &r : kAnalogLcdRows) {
        add(u(r.label1), "QLabel", "AN1_LCD_GBox", r.caption1);
        add(u(r.editor1), "QDoubleSpinBox", "AN1_LCD_GBox", nullptr);
        add(u(r.label2), "QLabel", "AN2_LCD_GBox", r.caption2);
        add(u(r.editor2), "QDoubleSpinBox", "AN2_LCD_GBox", nullptr);
    }
    for (int input = 1; input <= 2; ++input) {
        const QByteArray countBox = "CT" + QByteArray::number(input) + "_LCD_GBox";
        const QByteArray analogBox = "AN" + QByteArray::number(input) + "_LCD_GBox";
        for (int k = 0; k < 4; ++k) {
            add(QString("CT%1_LBL_%2").arg(input).arg(k), "QLabel", countBox.constData(), "");
            add(QString("CT%1_%2").arg(input).arg(kCountLcdFields[k]), "QDoubleSpinBox",
                countBox.constData(), nullptr);
        }
        for (int k = 0; k < 6; ++k)
            add(QString("AN%1_LBL_%2").arg(input).arg(k), "QLabel", analogBox.constData(), "");
    }
    return rows;
}

// Grid tables of the repeated rows: settings boxes (captions col 0, editors col 2, spacer in
// one row of col 1) and analog display boxes (units col 3, spacer at 5,1).
QStringList pairGrid(const PairRow *rows, int count, int input, int spacerRow, bool units)
{
    QStringList cells;
    for (int row = 0; row < count; ++row) {
        const PairRow &r = rows[row];
        cells << QString("%1@%2,0").arg(u(input == 1 ? r.label1 : r.label2)).arg(row);
        cells << QString("%1@%2,2").arg(u(input == 1 ? r.editor1 : r.editor2)).arg(row);
        if (units)
            cells << QString("AN%1_LBL_%2@%2,3").arg(input).arg(row);
    }
    cells << QString("40x20 Expanding/Minimum@%1,1").arg(spacerRow);
    return cells;
}

struct SpinRow
{
    QString name;
    int decimals;
    double min, max;
    bool readOnly;
};

QVector<SpinRow> allSpinRows()
{
    QVector<SpinRow> rows;
    for (const PairRow &r : kCountRows)
        if (QByteArray(r.cls) == "QDoubleSpinBox")
            rows << SpinRow{u(r.editor1), 2, 0, 100000, false}
                 << SpinRow{u(r.editor2), 2, 0, 100000, false};
    for (const PairRow &r : kAnalogRows)
        if (QByteArray(r.cls) == "QDoubleSpinBox")
            rows << SpinRow{u(r.editor1), 2, -100000, 100000, false}
                 << SpinRow{u(r.editor2), 2, -100000, 100000, false};
    for (int input = 1; input <= 2; ++input) {
        const QString p = QString("CT%1_").arg(input);
        rows << SpinRow{p + "Imp_LCD", 0, 0, 4294967296.0, true}
             << SpinRow{p + "Abs_Del_LCD", 0, -2147483648.0, 2147483648.0, true}
             << SpinRow{p + "Ph_Val_LCD", 2, 0, 4294967296.0, true}
             << SpinRow{p + "Ph_Del_LCD", 2, -2147483648.0, 2147483648.0, true};
    }
    for (const PairRow &r : kAnalogLcdRows)
        rows << SpinRow{u(r.editor1), 2, -100000, 100000, true}
             << SpinRow{u(r.editor2), 2, -100000, 100000, true};
    return rows;
}

} // namespace

// A main window with the three slots the form binds by object name.
class NamedSlotWindow : public QMainWindow
{
    Q_OBJECT
public:
    int logoClicks = 0;
    QStringList passwords, identifiers;

public slots:
    void on_logo_clicked() { ++logoClicks; }
    void on_service_pass_textChanged(const QString &text) { passwords << text; }
    void on_device_id_textChanged(const QString &text) { identifiers << text; }
};

class TestForm : public QObject
{
    Q_OBJECT

    QMainWindow *window = nullptr;
    Ui::Valve ui;

    template <class T = QObject> T *find(const QString &name) const
    {
        if (name == "Valve")
            return qobject_cast<T *>(window);
        return window->findChild<T *>(name);
    }

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale::c()); // spin-box texts without locale surprises
        window = new QMainWindow;
        ui.setupUi(window);
    }
    void cleanupTestCase() { delete window; }

    void windowSettings()
    {
        QCOMPARE(window->objectName(), QString("Valve"));
        QCOMPARE(window->windowTitle(), QString("Valve"));
        QCOMPARE(window->size(), QSize(720, 757));
        QCOMPARE(window->centralWidget(), find<QWidget>("centralwidget"));
        QCOMPARE(window->statusBar(), find<QStatusBar>("statusbar"));

        // an existing object name is kept
        QMainWindow named;
        named.setObjectName("Frame");
        Ui::Valve other;
        other.setupUi(&named);
        QCOMPARE(named.objectName(), QString("Frame"));
    }

    void widgets_data()
    {
        QTest::addColumn<QString>("cls");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QVariant>("text");
        for (const Expected &r : allWidgetRows())
            QTest::newRow(qPrintable(r.name)) << r.cls << r.parent << r.text;
    }
    void widgets()
    {
        QFETCH(QString, cls);
        QFETCH(QString, parent);
        QFETCH(QVariant, text);
        QWidget *w = find<QWidget>(QTest::currentDataTag());
        QVERIFY2(w, "missing");
        QCOMPARE(u(w->metaObject()->className()), cls);
        QVERIFY(w->parentWidget());
        QCOMPARE(w->parentWidget()->objectName(), parent);
        if (!text.isValid())
            return;
        QString actual;
        if (auto *label = qobject_cast<QLabel *>(w))
            actual = label->text();
        else if (auto *button = qobject_cast<QPushButton *>(w))
            actual = button->text();
        else if (auto *box = qobject_cast<QGroupBox *>(w))
            actual = box->title();
        else if (auto *edit = qobject_cast<QLineEdit *>(w))
            actual = edit->text();
        else
            QFAIL("no text accessor for this class");
        QCOMPARE(actual, text.toString());
    }

    // Every named widget of the window is one the form is expected to have, and the class
    // counts match: 43 combo boxes and 42 double spin boxes.
    void noStrayWidgets()
    {
        QSet<QString> expected{"Valve"};
        for (const Expected &r : allWidgetRows())
            expected << r.name;
        for (const PageRow &p : kPages)
            expected << u(p.page);
        QStringList stray;
        for (QWidget *w : window->findChildren<QWidget *>()) {
            const QString name = w->objectName();
            if (qobject_cast<QTabBar *>(w->parentWidget()))
                continue; // the tab bars' own scroll buttons
            if (!name.isEmpty() && !name.startsWith("qt_") && !expected.contains(name))
                stray << name;
        }
        QVERIFY2(stray.isEmpty(), qPrintable(stray.join(", ")));
        QCOMPARE(window->findChildren<QComboBox *>().size(), 43);
        QCOMPARE(window->findChildren<QDoubleSpinBox *>().size(), 42);
        QCOMPARE(window->findChildren<QLedLabel *>().size(), 1);
    }

    void pages_data()
    {
        QTest::addColumn<QString>("tabs");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("title");
        for (const PageRow &p : kPages)
            QTest::newRow(p.page) << u(p.tabs) << p.index << u(p.title);
    }
    void pages()
    {
        QFETCH(QString, tabs);
        QFETCH(int, index);
        QFETCH(QString, title);
        auto *tabWidget = find<QTabWidget>(tabs);
        QVERIFY(tabWidget);
        QWidget *page = tabWidget->widget(index);
        QVERIFY(page);
        QCOMPARE(page->objectName(), QString(QTest::currentDataTag()));
        QCOMPARE(u(page->metaObject()->className()), QString("QWidget"));
        QCOMPARE(tabWidget->tabText(index), title);
    }

    void currentPages()
    {
        QCOMPARE(ui.Main_Tab_Widget->count(), 3);
        QCOMPARE(ui.Sub_Sett_TabWidget->count(), 6);
        QCOMPARE(ui.Main_Tab_Widget->currentIndex(), 2);
        QCOMPARE(ui.Main_Tab_Widget->tabText(ui.Main_Tab_Widget->currentIndex()), u("входы"));
        QCOMPARE(ui.Main_Tab_Widget->currentWidget(), ui.Ins_Tab);
        QCOMPARE(ui.Sub_Sett_TabWidget->currentIndex(), 0);
        QCOMPARE(ui.Sub_Sett_TabWidget->currentWidget(), ui.common_tab);
    }

    void filledCombos_data()
    {
        QTest::addColumn<QStringList>("items");
        for (const ComboRow &c : kFilledCombos)
            QTest::newRow(c.name) << splitList(c.items, "|");
    }
    void filledCombos()
    {
        QFETCH(QStringList, items);
        auto *combo = find<QComboBox>(QTest::currentDataTag());
        QVERIFY(combo);
        QCOMPARE(combo->count(), items.size());
        for (int i = 0; i < items.size(); ++i) {
            QCOMPARE(combo->itemText(i), items.at(i));
            QVERIFY(!combo->itemData(i, Qt::UserRole).isValid());
        }
        QCOMPARE(combo->currentIndex(), 0);
        QVERIFY(!combo->isEditable()); // the window applies its presentation later
    }

    void emptyCombos()
    {
        for (const char *name : kEmptyCombos) {
            auto *combo = find<QComboBox>(u(name));
            QVERIFY2(combo, name);
            QVERIFY2(combo->count() == 0, name);
            QCOMPARE(combo->currentIndex(), -1);
        }
        QVERIFY(ui.mb_online->hasFrame());
    }

    void spinBoxes_data()
    {
        QTest::addColumn<int>("decimals");
        QTest::addColumn<double>("min");
        QTest::addColumn<double>("max");
        QTest::addColumn<bool>("readOnly");
        for (const SpinRow &s : allSpinRows())
            QTest::newRow(qPrintable(s.name)) << s.decimals << s.min << s.max << s.readOnly;
    }
    void spinBoxes()
    {
        QFETCH(int, decimals);
        QFETCH(double, min);
        QFETCH(double, max);
        QFETCH(bool, readOnly);
        auto *spin = find<QDoubleSpinBox>(QTest::currentDataTag());
        QVERIFY(spin);
        QCOMPARE(spin->decimals(), decimals);
        QCOMPARE(spin->minimum(), min); // exact: 2^32 and +-2^31, not one less
        QCOMPARE(spin->maximum(), max);
        QCOMPARE(spin->isReadOnly(), readOnly);
        QCOMPARE(spin->alignment(), Qt::Alignment(Qt::AlignCenter));
        QCOMPARE(spin->buttonSymbols(), QAbstractSpinBox::NoButtons);
        QCOMPARE(spin->singleStep(), 1.0);
    }

    // Values the live display writes are shown in full, with the right decimals, and are
    // clamped at the bounds.
    void spinBoxValues()
    {
        ui.CT1_Imp_LCD->setValue(4294967295.0);
        QCOMPARE(ui.CT1_Imp_LCD->value(), 4294967295.0);
        QCOMPARE(ui.CT1_Imp_LCD->text(), QString("4294967295"));
        ui.CT2_Abs_Del_LCD->setValue(-2147483648.0);
        QCOMPARE(ui.CT2_Abs_Del_LCD->text(), QString("-2147483648"));
        ui.CT1_Ph_Val_LCD->setValue(12.5);
        QCOMPARE(ui.CT1_Ph_Val_LCD->text(), QString("12.50"));
        ui.AN1_Val_LCD->setValue(250000);
        QCOMPARE(ui.AN1_Val_LCD->value(), 100000.0);
        ui.AN2_Ph_Del_LCD->setValue(-250000);
        QCOMPARE(ui.AN2_Ph_Del_LCD->value(), -100000.0);
        ui.CT_Imp_Weight_1->setValue(-5);
        QCOMPARE(ui.CT_Imp_Weight_1->value(), 0.0);
        ui.AN_min_open_2->setValue(-99999.5);
        QCOMPARE(ui.AN_min_open_2->value(), -99999.5);
    }

    void lineEditsAndLabels()
    {
        for (QLineEdit *edit : {ui.DS1_LCD, ui.DS2_LCD}) {
            QVERIFY(edit->hasFrame());
            QVERIFY(edit->isReadOnly());
            QCOMPARE(edit->alignment(), Qt::Alignment(Qt::AlignCenter));
        }
        QCOMPARE(ui.service_pass->echoMode(), QLineEdit::Password);
        QCOMPARE(ui.service_pass->alignment(), Qt::Alignment(Qt::AlignCenter));
        QCOMPARE(ui.device_id->echoMode(), QLineEdit::Normal);
        QCOMPARE(ui.device_id->alignment(), Qt::Alignment(Qt::AlignCenter));
        QVERIFY(!ui.service_pass->isReadOnly());
        QVERIFY(!ui.device_id->isReadOnly());
        for (QLabel *label : {ui.sol_state, ui.core_temp_pix, ui.core_temp})
            QCOMPARE(label->alignment(), Qt::Alignment(Qt::AlignCenter));
        QVERIFY(ui.logo->isFlat());
        QVERIFY(!ui.conn_dev->isFlat());
        QCOMPARE(ui.cap_charge->value(), 0);
    }

    void sizes_data()
    {
        QTest::addColumn<QString>("hPolicy");
        QTest::addColumn<QString>("vPolicy");
        QTest::addColumn<QSize>("minSize");
        QTest::addColumn<QSize>("maxSize");
        for (const SizeRow &s : kSizes)
            QTest::newRow(s.name) << u(s.hPolicy) << u(s.vPolicy) << QSize(s.minW, s.minH)
                                  << QSize(s.maxW, s.maxH);
        for (const PairRow &r : kAnalogLcdRows) {
            QTest::newRow(r.editor1) << QString() << QString() << QSize(0, 22) << QSize(-1, -1);
            QTest::newRow(r.editor2) << QString() << QString() << QSize(0, 22) << QSize(-1, -1);
        }
    }
    void sizes()
    {
        QFETCH(QString, hPolicy);
        QFETCH(QString, vPolicy);
        QFETCH(QSize, minSize);
        QFETCH(QSize, maxSize);
        QWidget *w = find<QWidget>(QTest::currentDataTag());
        QVERIFY(w);
        if (!hPolicy.isEmpty()) {
            QCOMPARE(policyName(w->sizePolicy().horizontalPolicy()), hPolicy);
            QCOMPARE(policyName(w->sizePolicy().verticalPolicy()), vPolicy);
        }
        if (minSize.width() >= 0)
            QCOMPARE(w->minimumSize(), minSize);
        if (maxSize.width() >= 0)
            QCOMPARE(w->maximumSize(), maxSize);
    }

    // error_lcd keeps to 100 px however many errors it lists.
    void errorListHeight()
    {
        for (int i = 0; i < 50; ++i)
            ui.error_lcd->addItem(QString("error %1").arg(i));
        ui.error_lcd->updateGeometry();
        QVERIFY(ui.error_lcd->sizeHint().height() > 0);
        ui.Main_Tab_Widget->setCurrentWidget(ui.Sett_Tab);
        window->adjustSize();
        QVERIFY(ui.error_lcd->height() <= 100);
        QCOMPARE(ui.error_lcd->maximumHeight(), 100);
        ui.error_lcd->clear();
        ui.Main_Tab_Widget->setCurrentIndex(2);
    }

    void statusBar()
    {
        QStatusBar *bar = ui.statusbar;
        QCOMPARE(bar->parentWidget(), window);
        QVERIFY(bar->isEnabled());
        QVERIFY(bar->isSizeGripEnabled());
        QVERIFY(!bar->autoFillBackground());
        QCOMPARE(bar->baseSize(), QSize(0, 0));
        QCOMPARE(bar->currentMessage(), QString());
    }

    void layouts_data()
    {
        QTest::addColumn<QString>("cls");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("spacing");
        QTest::addColumn<int>("margin");
        for (const LayoutRow &l : kLayouts)
            QTest::newRow(l.name) << u(l.cls) << u(l.host) << l.spacing << l.margin;
    }
    void layouts()
    {
        QFETCH(QString, cls);
        QFETCH(QString, host);
        QFETCH(int, spacing);
        QFETCH(int, margin);
        auto *layout = find<QLayout>(QTest::currentDataTag());
        QVERIFY2(layout, "missing");
        QCOMPARE(u(layout->metaObject()->className()), cls);
        QObject *owner = layout->parent();
        QVERIFY(owner);
        QCOMPARE(owner->objectName(), host);
        if (auto *widget = qobject_cast<QWidget *>(owner))
            QCOMPARE(widget->layout(), layout); // installed on the widget
        else
            QVERIFY(qobject_cast<QLayout *>(owner)); // nested in a layout
        if (spacing >= 0)
            QCOMPARE(layout->spacing(), spacing);
        if (margin >= 0)
            QCOMPARE(layout->contentsMargins(), QMargins(margin, margin, margin, margin));
    }

    void layoutSpecials()
    {
        auto *temperature = find<QGridLayout>("gridLayout_8");
        QVERIFY(temperature);
        QCOMPARE(temperature->verticalSpacing(), 9);
        QCOMPARE(temperature->contentsMargins().top(), 10);
        QCOMPARE(temperature->contentsMargins().bottom(), 10);
        auto *clock = find<QLayout>("verticalLayout_13");
        QVERIFY(clock);
        QCOMPARE(clock->sizeConstraint(), QLayout::SetNoConstraint);
        // settings grid of the counting box has its two empty rows
        QCOMPARE(find<QGridLayout>("gridLayout_12")->rowCount(), 5);
    }

    void boxItems_data()
    {
        QTest::addColumn<QStringList>("items");
        for (const BoxRow &b : kBoxes)
            QTest::newRow(b.layout) << splitList(b.items, ";");
    }
    void boxItems()
    {
        QFETCH(QStringList, items);
        auto *layout = find<QBoxLayout>(QTest::currentDataTag());
        QVERIFY(layout);
        QStringList actual;
        for (int i = 0; i < layout->count(); ++i)
            actual << describe(layout->itemAt(i));
        QCOMPARE(actual, items);
    }

    void gridCells_data()
    {
        QTest::addColumn<QStringList>("cells");
        for (const BoxRow &g : kGrids)
            QTest::newRow(g.layout) << splitList(g.items, ";");
        QTest::newRow("gridLayout_7") << pairGrid(kCountRows, 9, 1, 4, false);
        QTest::newRow("gridLayout_11") << pairGrid(kCountRows, 9, 2, 4, false);
        QTest::newRow("gridLayout_14") << pairGrid(kAnalogRows, 8, 1, 3, false);
        QTest::newRow("gridLayout_15") << pairGrid(kAnalogRows, 8, 2, 3, false);
        QTest::newRow("gridLayout_17") << pairGrid(kAnalogLcdRows, 6, 1, 5, true);
        QTest::newRow("gridLayout_20") << pairGrid(kAnalogLcdRows, 6, 2, 5, true);
    }
    void gridCells()
    {
        QFETCH(QStringList, cells);
        auto *grid = find<QGridLayout>(QTest::currentDataTag());
        QVERIFY(grid);
        QCOMPARE(grid->count(), cells.size());
        for (const QString &cell : cells) {
            const QString what = cell.section('@', 0, 0);
            const QString where = cell.section('@', 1);
            const QString rc = where.section('/', 0, 0);
            const int row = rc.section(',', 0, 0).toInt();
            const int col = rc.section(',', 1).toInt();
            int rowSpan = 1, colSpan = 1;
            if (where.contains('/')) {
                rowSpan = where.section('/', 1).section('x', 0, 0).toInt();
                colSpan = where.section('/', 1).section('x', 1).toInt();
            }
            int index = -1;
            if (auto *w = find<QWidget>(what))
                index = grid->indexOf(w);
            else if (auto *l = find<QLayout>(what))
                index = grid->indexOf(static_cast<QLayoutItem *>(l));
            else if (QLayoutItem *item = grid->itemAtPosition(row, col))
                index = describe(item) == what ? grid->indexOf(item) : -1;
            QVERIFY2(index >= 0, qPrintable(cell + " not in the grid"));
            int r, c, rs, cs;
            grid->getItemPosition(index, &r, &c, &rs, &cs);
            QCOMPARE(
                QString("%1@%2,%3/%4x%5").arg(what).arg(r).arg(c).arg(rs).arg(cs),
                QString("%1@%2,%3/%4x%5").arg(what).arg(row).arg(col).arg(rowSpan).arg(colSpan));
        }
    }

    void creationOrder_data()
    {
        QTest::addColumn<QStringList>("names");
        for (const OrderRow &o : kOrders)
            QTest::newRow(o.parent) << splitList(o.names, " ");
    }
    void creationOrder()
    {
        QFETCH(QStringList, names);
        QObject *parent = find(QTest::currentDataTag());
        QVERIFY(parent);
        QStringList actual;
        for (QObject *child : parent->children())
            if (names.contains(child->objectName()))
                actual << child->objectName();
        QCOMPARE(actual, names);
    }

    // Walking the focus chain from the window meets the form's widgets in construction order.
    void focusChain()
    {
        const QStringList expected = splitList(kFocusOrder, " ");
        QStringList actual;
        QWidget *w = window->nextInFocusChain();
        for (int guard = 0; w != window && guard < 5000; ++guard, w = w->nextInFocusChain())
            if (expected.contains(w->objectName()))
                actual << w->objectName();
        QCOMPARE(actual, expected);
    }

    void slotsConnectedByName()
    {
        NamedSlotWindow named;
        Ui::Valve form;
        form.setupUi(&named);
        form.logo->click();
        QCOMPARE(named.logoClicks, 1);
        form.service_pass->setText("secret");
        QCOMPARE(named.passwords, QStringList{"secret"});
        form.device_id->setText("ABC");
        QCOMPARE(named.identifiers, QStringList{"ABC"});
        form.conn_dev->click(); // no slot of its own: nothing else fires
        QCOMPARE(named.logoClicks, 1);
    }
};

QTEST_MAIN(TestForm)
#include "tst_form.moc"
