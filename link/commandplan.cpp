#include "link/commandplan.h"

#include <QCoreApplication>

namespace morlenta::link {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("Valve", text);
}

constexpr int kRefusalMs = 2000;

using device::Target;
const Request kReadBlock{Target::Block};
const Request kReadStoredWord{Target::StoredWord};

Request writeValue(Target target, quint16 value)
{
    return {target, true, Source::Value, value};
}

} // namespace

CommandPlan commandPlan(quint16 command)
{
    CommandPlan plan;
    switch (command) {
    case ConnectDevice:
        plan.requests = {kReadBlock, kReadStoredWord};
        plan.ledGreen = true;
        plan.connected = true;
        plan.message = {tr("подключён"), kMessageMs};
        break;
    case ReadConfig:
        plan.requests = {kReadBlock, kReadStoredWord};
        plan.ledGreen = true;
        plan.message = {tr("Чтенеие конфигурации..."), kMessageMs};
        break;
    case ApplyConfig:
        // Without a block read the identifier, the reserved word and the fields of inputs that
        // are off would be made up.
        plan.encodesForm = true;
        plan.notRead = {tr("Конфигурация не применена...   настройки устройства не прочитаны"),
                        kRefusalMs};
        plan.inputError = {tr("Конфигурация не применена...   ошибка ввода данных"), kRefusalMs};
        // The apply register takes the block's first word.
        plan.requests = {{Target::Block, true, Source::Block},
                         {Target::Apply, true, Source::Block}};
        plan.ledGreen = true;
        plan.message = {tr("Применение новой конфигурации..."), kMessageMs};
        plan.reconnects = true;
        break;
    case SetClock:
        plan.requests = {{Target::Clock, true, Source::Clock}};
        plan.message = {tr("Установка времени на устройстве..."), kMessageMs};
        plan.restartsPoll = true;
        break;
    case OpenValve:
    case CloseValve:
        plan.requests = {writeValue(Target::Solenoid, command == OpenValve ? device::kValveOpen
                                                                           : device::kValveClosed)};
        plan.restartsPoll = true;
        break;
    case ResetCounters:
        plan.requests = {writeValue(Target::ResetCounters, device::kResetValue)};
        break;
    default:
        break;
    }
    return plan;
}

} // namespace morlenta::link
