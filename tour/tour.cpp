#include "tour.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QPixmap>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>

#include <cmath>
#include <cstdio>

#include "device/registermap.h"

namespace tour {

namespace {

constexpr int kRead = 3, kWriteOne = 6, kWriteMany = 16;
constexpr int kConfigStart = 0, kConfigWords = 85, kRegister153 = 153, kApply = 256;
constexpr int kClock = 36861;
constexpr qint64 kClockSlackSeconds = 120;
constexpr qint64 kInputsApartMs = 3000; // the two pictures of the inputs page

// Texts the tool shows.
const QString kPortTaken = QStringLiteral("порт занят");
const QString kConnected = QStringLiteral("подключён");
const QString kReading = QStringLiteral("Чтенеие конфигурации...");
const QString kApplying = QStringLiteral("Применение новой конфигурации...");
const QString kInputError = QStringLiteral("Конфигурация не применена...   ошибка ввода данных");
const QString kSettingClock = QStringLiteral("Установка времени на устройстве...");
const QString kOpen = QStringLiteral("открыт");
const QString kClosed = QStringLiteral("закрыт");

void say(const QString &line)
{
    std::fprintf(stdout, "tour: %s\n", qPrintable(line));
    std::fflush(stdout);
}

QImage pictureOf(const QLabel *label)
{
    return label->pixmap(Qt::ReturnByValue).toImage();
}

} // namespace

QList<WidgetRef> mainWindowWidgets()
{
    return {
        {"ports", "QComboBox"},
        {"dev_id_1", "QComboBox"},
        {"dev_br_1", "QComboBox"},
        {"connect", "QPushButton"},
        {"conn_dev", "QPushButton"},
        {"led", "QLedLabel"},
        {"ID", "QLabel"},
        {"statusbar", "QStatusBar"},
        {"Main_Tab_Widget", "QTabWidget"},
        {"Sett_Tab", "QWidget"},
        {"Ins_Tab", "QWidget"},
        {"Sub_Sett_TabWidget", "QTabWidget"},
        {"common_tab", "QWidget"},
        {"solenoid_tab", "QWidget"},
        {"count_tab", "QWidget"},
        {"analog_tab", "QWidget"},
        {"read_sett", "QPushButton"},
        {"write_sett", "QPushButton"},
        {"CT_Imp_Weight_1", "QDoubleSpinBox"},
        {"error_lcd", "QListWidget"},
        {"CT1_Imp_LCD", "QDoubleSpinBox"},
        {"AN2_Val_LCD", "QDoubleSpinBox"},
        {"CT1_Abs_Del_LCD", "QDoubleSpinBox"},
        {"CT1_Ph_Del_LCD", "QDoubleSpinBox"},
        {"CT1_LBL_3", "QLabel"},
        {"AN2_LBL_5", "QLabel"},
        {"time", "QLabel"},
        {"core_temp", "QLabel"},
        {"sol_open", "QPushButton"},
        {"sol_close", "QPushButton"},
        {"sol_state", "QLabel"},
        {"sol_st_pix", "QLabel"},
        {"setTime", "QPushButton"},
    };
}

QList<WidgetRef> frameWidgets()
{
    return {{"header", "QWidget"}, {"body", "QWidget"}, {"close", "QPushButton"}};
}

QStringList missingWidgets(const QWidget *root, const QList<WidgetRef> &refs)
{
    QStringList missing;
    for (const WidgetRef &ref : refs) {
        const QWidget *w = root->findChild<QWidget *>(QLatin1String(ref.first));
        if (!w || !w->inherits(ref.second))
            missing << QStringLiteral("%1 (%2)").arg(QLatin1String(ref.first),
                                                     QLatin1String(ref.second));
    }
    return missing;
}

Tour::Tour(QWidget *frame, QMainWindow *valve, const Options &options)
    : m_frame(frame), m_valve(valve), m_options(options)
{
}

template <class T> T *Tour::widget(const char *name) const
{
    // run() has checked every name of mainWindowWidgets() before the first step.
    return m_valve->findChild<T *>(QLatin1String(name));
}

bool Tour::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::StyleChange && watched == widget<QWidget>("led"))
        m_leds.append(led());
    return QObject::eventFilter(watched, event);
}

Led Tour::led() const
{
    return ledOf(widget<QWidget>("led")->styleSheet());
}

void Tour::mark()
{
    m_leds.clear();
    m_messages.clear();
    QFile log(m_options.simLog);
    m_logMark = log.open(QIODevice::ReadOnly) ? parseRequestLog(log.readAll()).size() : 0;
}

bool Tour::ledSeen(Led colour) const
{
    return m_leds.contains(colour) || led() == colour;
}

bool Tour::messageSeen(const QString &text) const
{
    return m_messages.contains(text) || widget<QStatusBar>("statusbar")->currentMessage() == text;
}

QList<Request> Tour::requestsSinceMark() const
{
    QFile log(m_options.simLog);
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return parseRequestLog(log.readAll()).mid(m_logMark);
}

bool Tour::requestSeen(int fn, int start) const
{
    return findRequest(requestsSinceMark(), 0, fn, start) >= 0;
}

bool Tour::waitFor(const QString &what, const std::function<bool()> &condition)
{
    if (waitUntil(condition, m_options.waitMs))
        return true;
    return fail(
        QStringLiteral("gave up waiting %1 s for %2").arg(m_options.waitMs / 1000).arg(what));
}

// The tool releases an open port whose entry in `ports` changed since its last refresh of the
// port list (every second, by the only timer running at rest): let a refresh see the choice
// before the port is opened.
bool Tour::waitForPortRefresh()
{
    int fired = 0;
    QList<QMetaObject::Connection> connections;
    for (QTimer *timer : m_valve->findChildren<QTimer *>(QString(), Qt::FindDirectChildrenOnly))
        if (timer->isActive())
            connections << connect(timer, &QTimer::timeout, this, [&fired] { ++fired; });
    const bool ok =
        !connections.isEmpty() && waitUntil([&] { return fired > 0; }, m_options.waitMs);
    for (const auto &c : connections)
        disconnect(c);
    return ok || fail(QStringLiteral("the port list was not refreshed"));
}

bool Tour::shoot(const QString &name)
{
    ++m_step;
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    const QString path = QDir(m_options.outDir).filePath(shotFileName(m_step, name));
    if (!m_frame->grab().save(path, "PNG"))
        return fail(QStringLiteral("cannot write %1").arg(path));
    say(QStringLiteral("%1  %2").arg(path, m_stepName));
    return true;
}

bool Tour::fail(const QString &why)
{
    // Also reached when the widgets are not all there.
    const auto *ledLabel = widget<QWidget>("led");
    const auto *status = widget<QStatusBar>("statusbar");
    std::fprintf(stderr, "tour: step \"%s\" failed: %s (LED %s, status \"%s\")\n",
                 qPrintable(m_stepName), qPrintable(why),
                 ledName(ledLabel ? ledOf(ledLabel->styleSheet()) : Led::Unknown),
                 qPrintable(status ? status->currentMessage() : QString()));
    const QString path =
        QDir(m_options.outDir).filePath(shotFileName(m_step + 1, QStringLiteral("failed")));
    m_frame->grab().save(path, "PNG");
    std::fprintf(stderr, "tour: the window at that moment: %s\n", qPrintable(path));
    return false;
}

bool Tour::run()
{
    m_stepName = QStringLiteral("start");
    QStringList missing = missingWidgets(m_valve, mainWindowWidgets());
    missing += missingWidgets(m_frame, frameWidgets());
    if (!missing.isEmpty())
        return fail(QStringLiteral("widgets not found: %1").arg(missing.join(QLatin1String(", "))));
    if (!QDir().mkpath(m_options.outDir))
        return fail(QStringLiteral("cannot create %1").arg(m_options.outDir));

    widget<QWidget>("led")->installEventFilter(this);
    connect(widget<QStatusBar>("statusbar"), &QStatusBar::messageChanged, this,
            [this](const QString &text) { m_messages.append(text); });

    say(QStringLiteral("pictures go to %1").arg(QDir(m_options.outDir).absolutePath()));
    using Step = bool (Tour::*)();
    const QList<QPair<const char *, Step>> steps = {
        {"open the port", &Tour::openPort},
        {"wake the controller", &Tour::connectDevice},
        {"read the configuration", &Tour::readConfiguration},
        {"change a setting", &Tour::changeSetting},
        {"apply the configuration", &Tour::applyConfiguration},
        {"watch the inputs", &Tour::watchInputs},
        {"open and close the valve", &Tour::operateValve},
        {"set the clock", &Tour::setClock},
    };
    for (const auto &step : steps) {
        m_stepName = QLatin1String(step.first);
        if (!(this->*step.second)())
            return false;
    }
    say(QStringLiteral("done: %1 pictures").arg(m_step));
    return true;
}

bool Tour::openPort()
{
    auto *ports = widget<QComboBox>("ports");
    const bool listed =
        waitUntil([&] { return ports->findText(m_options.port) >= 0; }, m_options.waitMs);
    if (!listed)
        return fail(QStringLiteral("%1 is not in the port list").arg(m_options.port));
    ports->setCurrentIndex(ports->findText(m_options.port));
    auto *address = widget<QComboBox>("dev_id_1");
    address->setCurrentIndex(address->findText(QStringLiteral("1")));
    auto *baud = widget<QComboBox>("dev_br_1");
    baud->setCurrentIndex(baud->findText(QStringLiteral("9600")));
    if (!waitForPortRefresh())
        return false;

    mark();
    widget<QAbstractButton>("connect")->click();
    return waitFor(QStringLiteral("the yellow LED and \"%1\"").arg(kPortTaken),
                   [this] { return led() == Led::Yellow && messageSeen(kPortTaken); }) &&
           shoot(QStringLiteral("port open"));
}

bool Tour::connectDevice()
{
    mark();
    widget<QAbstractButton>("conn_dev")->click();
    // The identifier is shown once the configuration block has been decoded; the read of
    // register 153 follows that block on the line.
    return waitFor(QStringLiteral("the green LED, \"%1\" and the configuration").arg(kConnected),
                   [&] {
                       return led() == Led::Green && messageSeen(kConnected) &&
                              widget<QWidget>("Sett_Tab")->isEnabled() &&
                              requestSeen(kRead, kRegister153) &&
                              !widget<QLabel>("ID")->text().isEmpty();
                   }) &&
           shoot(QStringLiteral("device connected"));
}

bool Tour::showSettingsPage(const char *page)
{
    auto *sub = widget<QTabWidget>("Sub_Sett_TabWidget");
    sub->setCurrentWidget(widget<QWidget>(page));
    return sub->currentWidget() == widget<QWidget>(page) ||
           fail(QStringLiteral("settings page %1 cannot be shown").arg(QLatin1String(page)));
}

bool Tour::readConfiguration()
{
    auto *pages = widget<QTabWidget>("Main_Tab_Widget");
    pages->setCurrentWidget(widget<QWidget>("Sett_Tab"));
    if (!showSettingsPage("common_tab"))
        return false;
    mark();
    widget<QAbstractButton>("read_sett")->click();
    if (!waitFor(QStringLiteral("\"%1\" and the block read again").arg(kReading), [this] {
            return messageSeen(kReading) && requestSeen(kRead, kConfigStart) &&
                   requestSeen(kRead, kRegister153);
        }))
        return false;
    if (!shoot(QStringLiteral("settings common")))
        return false;
    const QList<QPair<const char *, const char *>> subPages = {
        {"solenoid_tab", "settings solenoid"},
        {"count_tab", "settings counting"},
        {"analog_tab", "settings analog"},
    };
    for (const auto &sub : subPages)
        if (!showSettingsPage(sub.first) || !shoot(QLatin1String(sub.second)))
            return false;
    return true;
}

bool Tour::changeSetting()
{
    if (!showSettingsPage("count_tab"))
        return false;
    // The simulated controller's thresholds of input 1 are whole multiples of both weights.
    auto *weight = widget<QDoubleSpinBox>("CT_Imp_Weight_1");
    m_weight = qFuzzyCompare(weight->value(), 0.25) ? 0.05 : 0.25;
    weight->setFocus();
    weight->setValue(m_weight);
    if (!qFuzzyCompare(weight->value(), m_weight))
        return fail(QStringLiteral("CT_Imp_Weight_1 does not take %1").arg(m_weight));
    return shoot(QStringLiteral("setting edited"));
}

bool Tour::applyConfiguration()
{
    mark();
    widget<QAbstractButton>("write_sett")->click();
    if (!waitFor(QStringLiteral("\"%1\"").arg(kApplying),
                 [this] { return messageSeen(kApplying) || messageSeen(kInputError); }))
        return false;
    auto *errors = widget<QListWidget>("error_lcd");
    if (messageSeen(kInputError))
        return fail(QStringLiteral("the form lists input errors, first \"%1\"")
                        .arg(errors->count() > 0 ? errors->item(0)->text() : QString()));
    if (!shoot(QStringLiteral("configuration writing")))
        return false;

    if (!waitFor(QStringLiteral("the block and register 256 written"), [this] {
            return requestSeen(kWriteMany, kConfigStart) && requestSeen(kWriteOne, kApply);
        }))
        return false;
    const QList<Request> log = requestsSinceMark();
    const Request &block = log.at(findRequest(log, 0, kWriteMany, kConfigStart));
    namespace device = morlenta::device;
    const int reg = device::inputFloatRegister(1, device::RowWeightOrLower);
    if (block.count != kConfigWords || block.values.size() != kConfigWords ||
        device::joinWords(block.values.at(reg), block.values.at(reg + 1)) !=
            device::floatBits(float(m_weight)))
        return fail(QStringLiteral("the written block does not carry weight %1").arg(m_weight));

    // 3 s later the port is released, 4 s later opened again and the controller woken. (No
    // register-153 read goes out between the click and that wake-up.)
    if (!waitFor(QStringLiteral("the release (red LED)"), [this] { return ledSeen(Led::Red); }))
        return false;
    // The release disables the settings page, which stays the current page.
    if (!waitFor(QStringLiteral("the green LED and the block read back"),
                 [this] { return led() == Led::Green && requestSeen(kRead, kRegister153); }) ||
        !shoot(QStringLiteral("reconnected")))
        return false;
    if (widget<QTabWidget>("Main_Tab_Widget")->currentWidget() != widget<QWidget>("Sett_Tab"))
        return fail(QStringLiteral("the reconnect left the settings page"));
    if (!showSettingsPage("count_tab"))
        return false;
    const double weight = widget<QDoubleSpinBox>("CT_Imp_Weight_1")->value();
    if (!qFuzzyCompare(weight, m_weight))
        return fail(QStringLiteral("the weight read back is %1, not %2").arg(weight).arg(m_weight));
    return shoot(QStringLiteral("configuration read back"));
}

bool Tour::watchInputs()
{
    auto *pages = widget<QTabWidget>("Main_Tab_Widget");
    pages->setCurrentWidget(widget<QWidget>("Ins_Tab"));
    if (pages->currentWidget() != widget<QWidget>("Ins_Tab"))
        return fail(QStringLiteral("the inputs page cannot be shown"));
    auto *counter = widget<QDoubleSpinBox>("CT1_Imp_LCD");
    auto *clock = widget<QLabel>("time");
    auto *analog = widget<QDoubleSpinBox>("AN2_Val_LCD");
    // The units of the last counting and the last analog value come with the end of a cycle.
    if (!waitFor(QStringLiteral("the live values"), [&] {
            return counter->value() > 0 && analog->value() != 0 && !clock->text().isEmpty() &&
                   !widget<QLabel>("sol_state")->text().isEmpty() &&
                   !widget<QLabel>("core_temp")->text().isEmpty() &&
                   !widget<QLabel>("CT1_LBL_3")->text().isEmpty() &&
                   !widget<QLabel>("AN2_LBL_5")->text().isEmpty();
        }))
        return false;
    if (!shoot(QStringLiteral("inputs")))
        return false;

    QElapsedTimer apart;
    apart.start();
    // The controller computes the physical delta of a second with the weight written before.
    auto *delta = widget<QDoubleSpinBox>("CT1_Abs_Del_LCD");
    auto *physicalDelta = widget<QDoubleSpinBox>("CT1_Ph_Del_LCD");
    if (!waitFor(QStringLiteral("the counting input to use weight %1").arg(m_weight), [&] {
            return delta->value() > 0 &&
                   std::abs(physicalDelta->value() - delta->value() * m_weight) < 0.005;
        }))
        return false;
    const double count = counter->value();
    const QString time = clock->text();
    return waitFor(QStringLiteral("the counter and the clock to move"),
                   [&] {
                       return apart.hasExpired(kInputsApartMs) && counter->value() > count &&
                              clock->text() != time;
                   }) &&
           shoot(QStringLiteral("inputs later"));
}

bool Tour::operateValve()
{
    auto *state = widget<QLabel>("sol_state");
    auto *picture = widget<QLabel>("sol_st_pix");
    const QList<QPair<const char *, QString>> moves = {{"sol_open", kOpen}, {"sol_close", kClosed}};
    for (const auto &move : moves) {
        const QString target = move.second;
        const QImage before = pictureOf(picture);
        widget<QAbstractButton>(move.first)->click();
        if (!waitFor(QStringLiteral("\"%1\" and its picture").arg(target),
                     [&] { return state->text() == target && pictureOf(picture) != before; }))
            return false;
        if (!shoot(QStringLiteral("valve %1").arg(move.second == kOpen ? "open" : "closed")))
            return false;
    }
    return true;
}

bool Tour::setClock()
{
    mark();
    const qint64 sent = QDateTime::currentSecsSinceEpoch();
    widget<QAbstractButton>("setTime")->click();
    // The next live poll clears the message within a second: take the picture at once.
    if (!waitFor(QStringLiteral("\"%1\"").arg(kSettingClock),
                 [this] { return messageSeen(kSettingClock); }) ||
        !shoot(QStringLiteral("clock set")))
        return false;
    if (!waitFor(QStringLiteral("the clock written"),
                 [this] { return requestSeen(kWriteMany, kClock); }))
        return false;
    const QList<Request> log = requestsSinceMark();
    const Request &write = log.at(findRequest(log, 0, kWriteMany, kClock));
    const qint64 seconds =
        write.values.size() == 2 ? (qint64(write.values.at(0)) << 16) | write.values.at(1) : 0;
    if (write.count != 2 || std::abs(seconds - sent) > kClockSlackSeconds)
        return fail(
            QStringLiteral("the clock was written as %1, the PC says %2").arg(seconds).arg(sent));
    return true;
}

} // namespace tour
