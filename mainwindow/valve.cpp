#include "mainwindow/valve.h"
#include "ui_valve.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QModbusRtuSerialMaster>
#include <QStyleOptionComboBox>
#include <QStyledItemDelegate>
#include <QTimer>

#include "config/catalog.h"
#include "live/timezones.h"
#include "widgets/appstyle.h"

using namespace morlenta;

namespace {

const Qt::WindowFlags kPopupFlags =
    Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint;
const int kCentred = Qt::AlignHCenter | Qt::AlignVCenter;

// Keeps the minimum width of a box with centred items at what its widest item needs. Such a box
// is editable: its text shows in a read-only line edit, which keeps 2 px clear on each side,
// while the box's own minimum counts only the ink of its items (and only those it held when it
// was first shown). Laid out at that minimum, the box cut its widest item by up to 4 px.
class ComboWidth : public QObject
{
public:
    explicit ComboWidth(QComboBox *box) : QObject(box), m_box(box), m_form(box->minimumWidth())
    {
        box->installEventFilter(this); // font and style changes
        const QAbstractItemModel *model = box->model();
        connect(model, &QAbstractItemModel::rowsInserted, this, &ComboWidth::fit);
        connect(model, &QAbstractItemModel::rowsRemoved, this, &ComboWidth::fit);
        connect(model, &QAbstractItemModel::modelReset, this, &ComboWidth::fit);
        fit();
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
            fit();
        return false;
    }

private:
    void fit()
    {
        const QFontMetrics metrics = m_box->fontMetrics();
        int text = 0;
        for (int i = 0; i < m_box->count(); ++i)
            text = qMax(text, metrics.horizontalAdvance(m_box->itemText(i)));
        if (const QLineEdit *edit = m_box->lineEdit()) {
            const QMargins margins = edit->textMargins();
            text += margins.left() + margins.right() + 2 * kLineEditMargin;
        }
        QStyleOptionComboBox option;
        option.initFrom(m_box);
        option.editable = m_box->isEditable();
        option.frame = m_box->hasFrame();
        const QSize size = m_box->style()->sizeFromContents(QStyle::CT_ComboBox, &option,
                                                            QSize(text, metrics.height()), m_box);
        m_box->setMinimumWidth(qMax(m_form, size.width()));
    }

    static constexpr int kLineEditMargin = 2; // QLineEdit's own, on each side of its text
    QComboBox *m_box;
    int m_form; // the minimum width the form gives the box
};

} // namespace

Valve::Valve(QWidget *parent) : QMainWindow(parent)
{
    registerResourceBundle(); // the pictures below

    ui = new Ui::Valve;
    ui->setupUi(this);
    fillInputWidgets();
    m_pending = link::NoCommand;

    // The rounded item view of the style sheet needs a popup without a square frame.
    QWidget *portsPopup = ui->ports->view()->window();
    portsPopup->setWindowFlags(kPopupFlags);
    portsPopup->setAttribute(Qt::WA_TranslucentBackground);

    const QPixmap logo(QStringLiteral(":/resources/images/logo_32.png"));
    ui->logo->setIcon(QIcon(logo));
    ui->logo->setIconSize(logo.size());

    // A complete identifier is 21 characters: 16 hex digits in groups of 3, 2, 6, 2, 2, 1.
    ui->device_id->setInputMask(QStringLiteral(">HHH-HH-HHHHHH-HH-HH-H;#"));

    setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Minimum);
    adjustSize();

    ui->time_zone_combo->setEnabled(false);
    ui->Sub_Sett_TabWidget->setTabEnabled(ui->Sub_Sett_TabWidget->indexOf(ui->service_tab), false);
    ui->device_id->setEnabled(false);

    ui->Main_Tab_Widget->setCurrentIndex(0);
    ui->Sub_Sett_TabWidget->setCurrentIndex(0);

    showPortClosed();

    ui->cap_charge->setRange(0, device::kCapacitorFull);

    ui->core_temp_pix->setPixmap(QPixmap(QStringLiteral(":/resources/images/core_temp_32.png")));
    ui->sol_st_pix->setPixmap(QPixmap(QStringLiteral(":/resources/images/sol_close_64.png")));
    ui->time_img->setPixmap(QPixmap(QStringLiteral(":/resources/images/clock_64_25.png")));

    m_client = new QModbusRtuSerialMaster;
    connect(m_client->device(), &QIODevice::bytesWritten, this, &Valve::onRequestWritten);

    refreshPorts();
    fillCommParameters();

    m_portTimer = new QTimer(this);
    connect(ui->connect, &QPushButton::clicked, this, &Valve::toggleConnection);
    connect(ui->save_new_conn, &QPushButton::clicked, this,
            [this] { requestCommand(link::ApplyConfig); });
    connect(m_portTimer, &QTimer::timeout, this, &Valve::refreshPorts);
    m_portTimer->start(1000);

    m_inactivityTimer = new QTimer(this);
    m_probeTimer = new QTimer(this);
    m_pollTimer = new QTimer(this);
    m_valueHold = new QTimer(this);
    m_valueHold->setSingleShot(true);
    connect(m_valueHold, &QTimer::timeout, this, &Valve::showHeldValues);
    connect(m_inactivityTimer, &QTimer::timeout, this, &Valve::goToSleep);
    connect(m_probeTimer, &QTimer::timeout, this, &Valve::probeStep);
    connect(m_pollTimer, &QTimer::timeout, this, &Valve::onPollTick);
    connect(ui->Main_Tab_Widget, &QTabWidget::currentChanged, this,
            [this] { updatePolling(PollChange::PageChanged); });
    connect(ui->Sub_Sett_TabWidget, &QTabWidget::currentChanged, this, &Valve::clearErrorList);
    connect(ui->conn_dev, &QPushButton::clicked, this,
            [this] { requestCommand(link::ConnectDevice); });
    connect(ui->read_sett, &QPushButton::clicked, this,
            [this] { requestCommand(link::ReadConfig); });
    connect(ui->write_sett, &QPushButton::clicked, this,
            [this] { requestCommand(link::ApplyConfig); });
    for (int input = 1; input <= device::kServedInputs; ++input) {
        const InputWidgets &w = inputWidgets(input);
        connect(w.type, qOverload<int>(&QComboBox::currentIndexChanged), this,
                [this, input](int type) { onInputTypeChanged(input, type); });
        connect(w.countingQuantity, qOverload<int>(&QComboBox::currentIndexChanged), this,
                [this, unit = w.countingUnit](int k) { refillUnits(unit, false, k); });
        connect(w.analogQuantity, qOverload<int>(&QComboBox::currentIndexChanged), this,
                [this, unit = w.analogUnit](int k) { refillUnits(unit, true, k); });
    }
    connect(ui->CT_meas_interval, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this](int k) { refillIntervalValues(ui->CT_meas_value, k); });
    connect(ui->CT_reset_interval, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this](int k) { refillIntervalValues(ui->CT_reset_value, k); });
    connect(ui->RES_1, &QPushButton::clicked, this,
            [this] { requestCommand(link::ResetCounters); });
    connect(ui->RES_2, &QPushButton::clicked, this,
            [this] { requestCommand(link::ResetCounters); });
    connect(ui->AN_meas_interval, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this](int k) { refillIntervalValues(ui->AN_meas_value, k); });
    connect(ui->setTime, &QPushButton::clicked, this, [this] { requestCommand(link::SetClock); });
    connect(ui->sol_open, &QPushButton::clicked, this, [this] { requestCommand(link::OpenValve); });
    connect(ui->sol_close, &QPushButton::clicked, this,
            [this] { requestCommand(link::CloseValve); });

    // The connections exist already: the first item of each quantity box fills its unit box.
    fillQuantityBoxes();
    ui->time_zone_combo->addItems(live::timeZoneItems());
    applyComboPresentation();
}

Valve::~Valve()
{
    if (m_client) {
        m_client->disconnectDevice();
        delete m_client;
        m_client = nullptr;
    }
    // Widgets torn down with the parent tree may still signal (a tab widget losing its pages);
    // nothing may reach this object once the form is gone.
    for (QObject *child : findChildren<QObject *>())
        disconnect(child, nullptr, this, nullptr);
    delete ui;
    ui = nullptr;
}

void Valve::fillInputWidgets()
{
    m_inputWidgets[0] = {
        ui->in_type_1,
        ui->DS_1_GBox,
        ui->ds_open_front_1,
        ui->ds_close_front_1,
        ui->CT_1_GBox,
        ui->front_type_1,
        ui->control_type_1,
        ui->CT_Phys_Value_1,
        ui->CT_Phys_Unit_1,
        ui->CT_Imp_Weight_1,
        {ui->CT_min_open_1, ui->CT_min_close_1, ui->CT_max_open_1, ui->CT_max_close_1},
        ui->AN_1_GBox,
        ui->AN_Phys_Value_1,
        ui->AN_Phys_Unit_1,
        ui->AN_Btm_Lim_Phys_1,
        ui->AN_Upp_Lim_Phys_1,
        {ui->AN_min_open_1, ui->AN_min_close_1, ui->AN_max_open_1, ui->AN_max_close_1},
        ui->IN1_LCD_GBox,
        ui->DS1_LCD_GBox,
        ui->CT1_LCD_GBox,
        ui->AN1_LCD_GBox,
        ui->DS1_LCD,
        {ui->CT1_Imp_LCD, ui->CT1_Abs_Del_LCD, ui->CT1_Ph_Val_LCD, ui->CT1_Ph_Del_LCD},
        {ui->CT1_LBL_0, ui->CT1_LBL_1, ui->CT1_LBL_2, ui->CT1_LBL_3},
        {ui->AN1_Val_LCD, ui->AN1_Ph_Val_LCD, ui->AN1_Pr_Val_LCD, ui->AN1_Pr_Ph_LCD,
         ui->AN1_Del_Val_LCD, ui->AN1_Ph_Del_LCD},
        {ui->AN1_LBL_0, ui->AN1_LBL_1, ui->AN1_LBL_2, ui->AN1_LBL_3, ui->AN1_LBL_4, ui->AN1_LBL_5},
    };
    m_inputWidgets[1] = {
        ui->in_type_2,
        ui->DS_2_GBox,
        ui->ds_open_front_2,
        ui->ds_close_front_2,
        ui->CT_2_GBox,
        ui->front_type_2,
        ui->control_type_2,
        ui->CT_Phys_Value_2,
        ui->CT_Phys_Unit_2,
        ui->CT_Imp_Weight_2,
        {ui->CT_min_open_2, ui->CT_min_close_2, ui->CT_max_open_2, ui->CT_max_close_2},
        ui->AN_2_GBox,
        ui->AN_Phys_Value_2,
        ui->AN_Phys_Unit_2,
        ui->AN_Btm_Lim_Phys_2,
        ui->AN_Upp_Lim_Phys_2,
        {ui->AN_min_open_2, ui->AN_min_close_2, ui->AN_max_open_2, ui->AN_max_close_2},
        ui->IN2_LCD_GBox,
        ui->DS2_LCD_GBox,
        ui->CT2_LCD_GBox,
        ui->AN2_LCD_GBox,
        ui->DS2_LCD,
        {ui->CT2_Imp_LCD, ui->CT2_Abs_Del_LCD, ui->CT2_Ph_Val_LCD, ui->CT2_Ph_Del_LCD},
        {ui->CT2_LBL_0, ui->CT2_LBL_1, ui->CT2_LBL_2, ui->CT2_LBL_3},
        {ui->AN2_Val_LCD, ui->AN2_Ph_Val_LCD, ui->AN2_Pr_Val_LCD, ui->AN2_Pr_Ph_LCD,
         ui->AN2_Del_Val_LCD, ui->AN2_Ph_Del_LCD},
        {ui->AN2_LBL_0, ui->AN2_LBL_1, ui->AN2_LBL_2, ui->AN2_LBL_3, ui->AN2_LBL_4, ui->AN2_LBL_5},
    };
}

void Valve::fillQuantityBoxes()
{
    const QStringList quantities = config::quantityNames();
    for (const InputWidgets &w : m_inputWidgets) {
        for (int code : config::countingQuantityCodes())
            w.countingQuantity->addItem(quantities.at(code));
        w.analogQuantity->addItems(quantities);
    }
}

void Valve::applyComboPresentation()
{
    const QList<QComboBox *> boxes = {
        ui->mb_online,        ui->ports,
        ui->dev_id_1,         ui->dev_br_1,
        ui->dev_db_1,         ui->dev_par_1,
        ui->dev_sb_1,         ui->dev_id_2,
        ui->dev_br_2,         ui->dev_db_2,
        ui->dev_par_2,        ui->dev_sb_2,
        ui->time_zone_combo,  ui->in_type_1,
        ui->in_type_2,        ui->sol_type,
        ui->sol_imp_len,      ui->ds_filt_delay,
        ui->ds_open_front_1,  ui->ds_close_front_1,
        ui->ds_open_front_2,  ui->ds_close_front_2,
        ui->front_type_1,     ui->control_type_1,
        ui->front_type_2,     ui->control_type_2,
        ui->CT_Phys_Value_1,  ui->CT_Phys_Unit_1,
        ui->CT_Phys_Value_2,  ui->CT_Phys_Unit_2,
        ui->CT_meas_interval, ui->CT_meas_value,
        ui->CT_Freq_filter,   ui->CT_reset_interval,
        ui->CT_reset_value,   ui->AN_Phys_Value_1,
        ui->AN_Phys_Unit_1,   ui->AN_Phys_Value_2,
        ui->AN_Phys_Unit_2,   ui->AN_meas_interval,
        ui->AN_meas_value,    ui->AN_pause,
        ui->AN_Filt,
    };

    // One delegate lets the style sheet draw the popup items (height, frame, hover colours).
    m_comboDelegate = new QStyledItemDelegate(this);
    for (QComboBox *box : boxes)
        box->setItemDelegate(m_comboDelegate);
    for (QComboBox *box : boxes)
        box->view()->window()->setWindowFlags(kPopupFlags);
    for (QComboBox *box : boxes)
        box->view()->window()->setAttribute(Qt::WA_TranslucentBackground);
    for (QComboBox *box : boxes) {
        box->setEditable(true);
        box->lineEdit()->setReadOnly(true);
        box->lineEdit()->setAlignment(Qt::AlignCenter);
        for (int i = 0; i < box->count(); ++i)
            box->setItemData(i, kCentred, Qt::TextAlignmentRole);
        // The port box keeps the form's width: its items come from the system while the tool
        // runs, and one long path would widen the whole window.
        if (box != ui->ports)
            new ComboWidth(box);
    }
}
