#include "mainwindow/valve.h"
#include "ui_valve.h"

#include <QDebug>
#include <QModbusReply>
#include <QTimer>

#include "device/registermap.h"
#include "live/liveconv.h"
#include "live/pollplan.h"

using namespace morlenta;

namespace {

void showFloat(QDoubleSpinBox *box, quint32 raw, const live::Display &display)
{
    if (const std::optional<double> value = live::floatValue(raw, display.range))
        box->setValue(*value);
}

} // namespace

// The poll timer's one owner. It runs while the inputs page is shown on an open port with an
// input switched on and the controller's block read since the port was opened (before that, the
// input types in the copy may be another connection's); it starts when the page is shown, not
// when a connection is made while the page is shown already, and a closed port stops it. A valve
// or clock command restarts it whatever the page and the inputs, so that the next cycle comes a
// tick after the write.
void Valve::updatePolling(PollChange change)
{
    using namespace device;
    switch (change) {
    case PollChange::PortClosed:
        m_pollTimer->stop();
        m_livePlan.clear(); // a read still in the client is aborted with the port
        m_liveNext = 0;
        showHeldValues();
        break;
    case PollChange::ValveCommand:
        m_pollTimer->start(kTickMs);
        break;
    case PollChange::PageChanged:
        if (!inputsPageShown()) {
            m_pollTimer->stop();
            break;
        }
        qDebug().noquote() << QStringLiteral("Solenoid Device");
        if (!isConnected())
            break;
        if (m_blockRead && (m_config[inputWordRegister(reg::InputType, 1)] != InputOff ||
                            m_config[inputWordRegister(reg::InputType, 2)] != InputOff))
            m_pollTimer->start(kTickMs);
        ui->cap_charge->setEnabled(m_config[reg::SolenoidType] == kBistableSolenoid);
        break;
    }
}

bool Valve::inputsPageShown() const
{
    return ui->Main_Tab_Widget->currentWidget() == ui->Ins_Tab;
}

// A tick's reads go out one at a time, each when the one before has finished: a command's
// requests and the probe then wait for at most one read, not for a whole tick's (against a
// silent controller each read costs the client's time-out and retries, half a minute). While the
// previous tick's reads are still being worked off (a slow line, a silent controller) a tick
// sends nothing new: the display lags by at most one cycle.
void Valve::pollCycle()
{
    if (m_liveInFlight > 0 || m_liveNext < m_livePlan.size())
        return;
    using namespace device;
    m_livePlan =
        live::pollPlan(m_config[reg::SolenoidType], m_config[inputWordRegister(reg::InputType, 1)],
                       m_config[inputWordRegister(reg::InputType, 2)]);
    m_liveNext = 0;
    sendNextLiveRead();
}

// Also run by the probe's answer: a controller counted as asleep gets no live read, which would
// only wait out the client's time-out; the tick's reads wait for the answer instead.
void Valve::sendNextLiveRead()
{
    if (m_liveInFlight > 0 || !m_awake || m_liveNext >= m_livePlan.size())
        return;
    if (QModbusReply *reply = read(m_livePlan[m_liveNext++], &Valve::holdLiveValue)) {
        ++m_liveInFlight;
        // After the transport's handler: the next read goes out once this value is held.
        connect(reply, &QModbusReply::finished, this, [this, reply] { onLiveReadDone(reply); });
        return;
    }
    m_liveNext = m_livePlan.size(); // refused: the port is gone
    showHeldValues();
}

void Valve::onLiveReadDone(QModbusReply *reply)
{
    --m_liveInFlight;
    const QModbusDevice::Error error = reply->error();
    if (error == QModbusDevice::TimeoutError) {
        // Unanswered through all the client's retries: the controller is asleep (or the line
        // is gone). The rest of the tick would wait as long each; the next tick probes first.
        m_liveNext = m_livePlan.size();
        expireOnlineTime();
    }
    if (error != QModbusDevice::NoError || m_liveNext >= m_livePlan.size())
        m_valueHold->start(0); // shown as soon as this reply is done with
    if (isConnected())
        sendNextLiveRead();
}

// The values of a cycle are shown together, not as each reply comes in. The client sends its next
// request only once the handlers of a reply have returned, and showing a value (a spin box, a
// label relaid out, a repaint) takes longer than a reply at 115200 baud leaves: shown one by one,
// they held up every request of the cycle. A value is held until its cycle's last reply has been
// handled or a read has failed, and never longer than kHoldMs, so that a slow or silent line
// never keeps the page from changing. A cycle longer than that (9600 baud and slower) is shown on
// the way: as soon as a request has gone out in the last kShowSoonMs of a hold, so that showing
// and painting run while the line carries the exchange.
void Valve::holdLiveValue(const Route &route, const quint16 *words)
{
    m_heldValues.append({route, {words[0], route.words > 1 ? words[1] : quint16(0)}});
    if (!m_valueHold->isActive())
        m_valueHold->start(kHoldMs);
}

void Valve::showHeldValues()
{
    m_valueHold->stop();
    for (const HeldValue &held : qAsConst(m_heldValues))
        showLive(held.route, held.words.data());
    m_heldValues.clear();
}

void Valve::onRequestWritten()
{
    if (m_valueHold->isActive() && m_valueHold->remainingTime() <= kShowSoonMs)
        showHeldValues();
}

void Valve::showLive(const Route &route, const quint16 *words)
{
    using device::Target;
    const quint32 word32 = device::joinWords(words[0], words[1]);
    switch (route.target) {
    case Target::Solenoid:
        showSolenoid(words[0]);
        break;
    case Target::Discrete:
        showDiscrete(route.input, words[0] != 0);
        break;
    case Target::Counter:
        showCounter(route.input, route.quantity, word32);
        break;
    case Target::Analog:
        showAnalog(route.input, route.quantity, word32);
        break;
    case Target::Capacitor:
        showCapacitor(words[0]);
        break;
    case Target::Temperature:
        showTemperature(word32);
        break;
    case Target::Clock:
        showClock(word32);
        break;
    default:
        break;
    }
}

void Valve::showDiscrete(int input, bool high)
{
    if (input < 1 || input > device::kServedInputs)
        return;
    inputWidgets(input).level->setText(live::discreteText(high));
}

void Valve::showCounter(int input, int quantity, quint32 raw)
{
    if (input < 1 || input > device::kServedInputs || quantity < 0 ||
        quantity >= device::kCounterQuantities)
        return;

    const InputWidgets &w = inputWidgets(input);
    QDoubleSpinBox *box = w.counter[quantity];
    // Quantities 0 and 1 count impulses; 2 and 3 are physical values computed by the controller.
    const live::Display display = live::counterDisplay(quantity);
    if (quantity < 2) {
        box->setValue(live::counterValue(raw, display.range));
        w.counterCaptions[quantity]->setText(live::impulseUnit());
    } else {
        showFloat(box, raw, display);
        w.counterCaptions[quantity]->setText(w.countingUnit->currentText());
    }
}

void Valve::showAnalog(int input, int quantity, quint32 raw)
{
    if (input < 1 || input > device::kServedInputs || quantity < 0 ||
        quantity >= device::kAnalogQuantities)
        return;

    const InputWidgets &w = inputWidgets(input);
    showFloat(w.analogValue[quantity], raw, live::analogDisplay(quantity));
    // Even quantities are electrical (value, previous, delta), odd ones their physical values.
    w.analogCaptions[quantity]->setText(quantity % 2 == 0
                                            ? live::electricalUnit(w.type->currentIndex())
                                            : w.analogUnit->currentText());
}

void Valve::showSolenoid(quint16 state)
{
    const std::optional<QString> text = live::valveText(state);
    if (!text)
        return;
    ui->sol_st_pix->setPixmap(QPixmap(state == device::kValveOpen
                                          ? QStringLiteral(":/resources/images/sol_open_64.png")
                                          : QStringLiteral(":/resources/images/sol_close_64.png")));
    ui->sol_state->setText(*text);
}

void Valve::showCapacitor(quint16 charge)
{
    if (const std::optional<int> value = live::capacitorCharge(charge))
        ui->cap_charge->setValue(*value);
}

void Valve::showTemperature(quint32 raw)
{
    if (const std::optional<QString> text = live::temperatureText(raw))
        ui->core_temp->setText(*text);
}

void Valve::showClock(quint32 raw)
{
    ui->time->setText(live::clockText(raw));
}
