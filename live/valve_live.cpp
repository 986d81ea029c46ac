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
// input switched on; it starts when the page is shown, not when a connection is made while the
// page is shown already, and a closed port stops it. A valve or clock command restarts it
// whatever the page and the inputs, so that the next cycle comes a tick after the write.
void Valve::updatePolling(PollChange change)
{
    using namespace device;
    switch (change) {
    case PollChange::PortClosed:
        m_pollTimer->stop();
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
        if (m_config[inputWordRegister(reg::InputType, 1)] != InputOff ||
            m_config[inputWordRegister(reg::InputType, 2)] != InputOff)
            m_pollTimer->start(kTickMs);
        ui->cap_charge->setEnabled(m_config[reg::SolenoidType] == kBistableSolenoid);
        break;
    }
}

bool Valve::inputsPageShown() const
{
    return ui->Main_Tab_Widget->currentWidget() == ui->Ins_Tab;
}

void Valve::pollCycle()
{
    // The client queues every request. A silent controller takes about 30 s per read (time-out and
    // retries) and a slow line cannot carry a full cycle a second, so sending a cycle while the
    // previous one is still outstanding would grow the queue without bound and the display would
    // fall ever further behind. Skip the tick instead: at most one cycle's reads are outstanding
    // and the display lags by at most one cycle.
    if (m_liveInFlight > 0)
        return;

    // The page is repainted once per cycle, when its last reply is handled, not after every
    // reply: a repaint between two replies holds up the client's next request (measured: the
    // cycle at 115200 baud took a quarter longer than a bare client's).
    ui->Ins_Tab->setUpdatesEnabled(false);
    using namespace device;
    for (const Route &r :
         live::pollPlan(m_config[reg::SolenoidType], m_config[inputWordRegister(reg::InputType, 1)],
                        m_config[inputWordRegister(reg::InputType, 2)]))
        liveRead(r);
    if (m_liveInFlight == 0)
        ui->Ins_Tab->setUpdatesEnabled(true);
}

void Valve::liveRead(const Route &route)
{
    if (QModbusReply *reply = read(route, &Valve::showLive)) {
        // A reply is deleted once handled, whatever its outcome (answer, error, abort).
        ++m_liveInFlight;
        connect(reply, &QObject::destroyed, this, [this] {
            if (--m_liveInFlight == 0)
                ui->Ins_Tab->setUpdatesEnabled(true);
        });
    }
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
