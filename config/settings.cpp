#include "config/settings.h"

#include <cmath>

#include "config/intervals.h"
#include "config/validation.h"

namespace morlenta::config {

using namespace device;

namespace {

constexpr int kThresholdRows[4] = {RowMinOpen, RowMinClose, RowMaxOpen, RowMaxClose};

Thresholds decodeThresholds(const Block &b, int input)
{
    return {getFloat(b, inputFloatRegister(input, RowMinOpen)),
            getFloat(b, inputFloatRegister(input, RowMinClose)),
            getFloat(b, inputFloatRegister(input, RowMaxOpen)),
            getFloat(b, inputFloatRegister(input, RowMaxClose))};
}

std::array<double, 4> thresholdValues(const Thresholds &t)
{
    return {t.minOpen, t.minClose, t.maxOpen, t.maxClose};
}

// A float setting goes out in single precision. A NaN over a NaN keeps the word read: a double
// cannot carry every NaN's bits back (a signalling NaN comes back quiet).
void encodeFloat(Block &b, const Block &lastRead, int input, int row, double value)
{
    const int reg = inputFloatRegister(input, row);
    if (!(std::isnan(value) && std::isnan(getFloat(lastRead, reg))))
        putFloat(b, reg, float(value));
}

// Several words show as one item: an edge code of 1.5 as "спадающий", interval code 2 as
// "выключен". The item the word read shows keeps that word, so that a read written back is the
// block read. (A float of an input that was not discrete is no edge code: it is replaced.)
void encodeEdge(Block &b, const Block &lastRead, int input, int row, int edge)
{
    const int reg = inputFloatRegister(input, row);
    const bool wasEdge = lastRead[inputWordRegister(reg::InputType, input)] == InputDiscrete;
    if (!wasEdge || edge != discreteEdgeIndex(getFloat(lastRead, reg)))
        putFloat(b, reg, discreteEdgeFloat(edge));
}

void encodeInterval(Block &b, const Block &lastRead, int intervalReg, int momentReg,
                    const Interval &interval)
{
    // No item (an interval box without a current item) keeps the code read as well.
    if (interval.interval >= 0 && interval.interval != intervalIndex(lastRead[intervalReg]))
        b[intervalReg] = quint16(intervalCode(interval.interval));
    b[momentReg] = quint16(interval.moment);
}

Interval decodeInterval(const Block &b, int intervalReg, int momentReg)
{
    return {intervalIndex(b[intervalReg]), b[momentReg]};
}

void encodeInput(Block &b, const Block &lastRead, int input, const InputSettings &in)
{
    const int quantityReg = inputWordRegister(reg::Quantity, input);
    const int unitReg = inputWordRegister(reg::Unit, input);
    if (in.type == InputDiscrete) {
        encodeEdge(b, lastRead, input, RowMinOpen, in.openEdge);
        encodeEdge(b, lastRead, input, RowMinClose, in.closeEdge);
        return;
    }
    Thresholds thresholds;
    if (in.type == InputCounting) {
        b[quantityReg] = quint16(in.counting.quantity);
        b[unitReg] = quint16(in.counting.unit);
        encodeFloat(b, lastRead, input, RowWeightOrLower, in.counting.weight);
        thresholds = in.counting.thresholds;
    } else if (isAnalog(in.type)) {
        b[quantityReg] = quint16(in.analog.quantity);
        b[unitReg] = quint16(in.analog.unit);
        encodeFloat(b, lastRead, input, RowWeightOrLower, in.analog.lower);
        encodeFloat(b, lastRead, input, RowUpper, in.analog.upper);
        thresholds = in.analog.thresholds;
    } else {
        return; // off, or a type the tool does not know: nothing of the input is written
    }
    const std::array<double, 4> values = thresholdValues(thresholds);
    for (int i = 0; i < 4; ++i)
        encodeFloat(b, lastRead, input, kThresholdRows[i], values[i]);
}

} // namespace

Settings decodeSettings(const Block &b)
{
    Settings s;
    std::copy_n(b.cbegin() + reg::Identifier, s.identifier.size(), s.identifier.begin());
    s.line = {b[reg::NewAddress], b[reg::NewBaudRate], b[reg::NewDataBits], b[reg::NewParity],
              b[reg::NewStopBits]};
    s.solenoidType = b[reg::SolenoidType];
    s.pulseLength = b[reg::PulseLength];
    for (int input = 1; input <= kServedInputs; ++input) {
        InputSettings &in = s.inputs[input - 1];
        in.type = b[inputWordRegister(reg::InputType, input)];
        in.openEdge = discreteEdgeIndex(getFloat(b, inputFloatRegister(input, RowMinOpen)));
        in.closeEdge = discreteEdgeIndex(getFloat(b, inputFloatRegister(input, RowMinClose)));
        in.activeEdge = inputBit(b[reg::ActiveEdges], input);
        in.controlType = inputBit(b[reg::ControlTypes], input);
        const int quantity = b[inputWordRegister(reg::Quantity, input)];
        const int unit = b[inputWordRegister(reg::Unit, input)];
        const double first = getFloat(b, inputFloatRegister(input, RowWeightOrLower));
        in.counting = {quantity, unit, first, decodeThresholds(b, input)};
        in.analog = {quantity, unit, first, getFloat(b, inputFloatRegister(input, RowUpper)),
                     decodeThresholds(b, input)};
    }
    s.discreteDelay = b[reg::DiscreteDelay];
    s.countingMeasurement = decodeInterval(b, reg::CountingInterval, reg::CountingMoment);
    s.counterReset = decodeInterval(b, reg::ResetInterval, reg::ResetMoment);
    s.frequencyFilter = b[reg::FrequencyFilter];
    s.analogMeasurement = decodeInterval(b, reg::AnalogInterval, reg::AnalogMoment);
    s.analogPause = b[reg::AnalogPause];
    s.analogFilter = b[reg::AnalogFilter];
    s.onlineTime = b[reg::OnlineTime];
    return s;
}

Block encodeSettings(const Settings &s, const Block &lastRead)
{
    Block b = lastRead;
    if (s.writeIdentifier)
        std::copy(s.identifier.cbegin(), s.identifier.cend(), b.begin() + reg::Identifier);
    b[reg::NewAddress] = quint16(s.line.address);
    b[reg::NewBaudRate] = quint16(s.line.baudIndex);
    b[reg::NewDataBits] = quint16(s.line.dataBitsIndex);
    b[reg::NewParity] = quint16(s.line.parityIndex);
    b[reg::NewStopBits] = quint16(s.line.stopBitsIndex);
    b[reg::SolenoidType] = quint16(s.solenoidType);
    b[reg::PulseLength] = quint16(s.pulseLength);
    for (int input = 1; input <= kServedInputs; ++input) {
        b[inputWordRegister(reg::InputType, input)] = quint16(s.inputs[input - 1].type);
        encodeInput(b, lastRead, input, s.inputs[input - 1]);
    }
    // The slots of inputs 3 and 4 are always empty.
    for (int input = kServedInputs + 1; input <= kInputSlots; ++input) {
        for (int first : {reg::InputType, reg::Quantity, reg::Unit})
            b[inputWordRegister(first, input)] = 0;
        for (int row = 0; row < kFloatRows; ++row)
            putFloat(b, inputFloatRegister(input, row), 0.0f);
    }
    // Bits 0 and 1 only: the bits above belong to no input the tool serves, and are emptied
    // like the slots of inputs 3 and 4.
    b[reg::ActiveEdges] = packInputBits(s.inputs[0].activeEdge, s.inputs[1].activeEdge);
    b[reg::ControlTypes] = packInputBits(s.inputs[0].controlType, s.inputs[1].controlType);
    b[reg::DiscreteDelay] = quint16(s.discreteDelay);
    encodeInterval(b, lastRead, reg::CountingInterval, reg::CountingMoment, s.countingMeasurement);
    encodeInterval(b, lastRead, reg::ResetInterval, reg::ResetMoment, s.counterReset);
    b[reg::FrequencyFilter] = quint16(s.frequencyFilter);
    encodeInterval(b, lastRead, reg::AnalogInterval, reg::AnalogMoment, s.analogMeasurement);
    b[reg::AnalogPause] = quint16(s.analogPause);
    b[reg::AnalogFilter] = quint16(s.analogFilter);
    b[reg::OnlineTime] = quint16(s.onlineTime);
    return b; // the reserved word (84) as read
}

MessageActions settingsChecks(const Settings &s)
{
    MessageActions actions;
    for (int input = 1; input <= kServedInputs; ++input) {
        const InputSettings &in = s.inputs[input - 1];
        actions += checksNotRun(input, in.type);
        if (in.type == InputCounting)
            actions +=
                countingCheck(input, in.counting.weight, thresholdValues(in.counting.thresholds));
        else if (isAnalog(in.type))
            actions += limitCheck(input, in.analog.lower, in.analog.upper);
    }
    return actions;
}

SettingsIssue settingsIssue(int message)
{
    using Field = SettingsIssue::Field;
    for (int input = 1; input <= kServedInputs; ++input) {
        if (message == weightMessage(input))
            return {message, input, {Field::Weight}};
        for (int value = 0; value < 4; ++value)
            if (message == multipleMessage(input, value))
                return {message, input, {Field(int(Field::MinOpen) + value)}};
        if (message == limitMessage(input))
            return {message, input, {Field::Lower, Field::Upper}};
    }
    return {message, 1, {}};
}

QVector<SettingsIssue> validateSettings(const Settings &settings)
{
    // The page's list: a message is added once, at the end, and taken off wherever it stands.
    QVector<int> listed;
    for (const MessageAction &a : settingsChecks(settings)) {
        if (!a.add)
            listed.removeAll(a.message);
        else if (!listed.contains(a.message))
            listed.append(a.message);
    }
    QVector<SettingsIssue> issues;
    for (int message : listed)
        issues.append(settingsIssue(message));
    return issues;
}

QStringList choiceTexts(Choice choice)
{
    const auto steps = [](int first, int step, int count) {
        QStringList texts;
        for (int k = 0; k < count; ++k)
            texts << QString::number(first + step * k);
        return texts;
    };
    switch (choice) {
    case Choice::InputType:
        return {QStringLiteral("выключен"), QStringLiteral("дискретный"), QStringLiteral("счётный"),
                QStringLiteral("напряжение"), QStringLiteral("ток")};
    case Choice::SolenoidType:
        return {QStringLiteral("бистабильный"), QStringLiteral("нормально открытый"),
                QStringLiteral("нормально закрытый")};
    case Choice::PulseLength:
        return steps(20, 10, 14);
    case Choice::DiscreteEdge:
        return {QStringLiteral("отключён"), QStringLiteral("спадающий"),
                QStringLiteral("нарастающий")};
    case Choice::ActiveEdge:
        return {QStringLiteral("спадающий"), QStringLiteral("нарастающий")};
    case Choice::ControlType:
        return {QStringLiteral("абсолютный"), QStringLiteral("за период")};
    case Choice::Interval:
        return {QStringLiteral("выключен"), QStringLiteral("1-60 минут"),
                QStringLiteral("1-24 часа"), QStringLiteral("1-7 дней"),
                QStringLiteral("1-28 дней")};
    case Choice::FrequencyFilter:
        return {QStringLiteral("5 кГц"), QStringLiteral("60 Гц"),  QStringLiteral("40 Гц"),
                QStringLiteral("20 Гц"), QStringLiteral("10 Гц"),  QStringLiteral("5 Гц"),
                QStringLiteral("1 Гц"),  QStringLiteral("0.5 Гц"), QStringLiteral("0.05 Гц")};
    case Choice::AnalogPause:
        return QStringList{QStringLiteral("выключен")} +
               QStringList{"50", "100", "200", "1000", "5000", "10000", "30000", "55000"} +
               QStringList{QStringLiteral("постоянно включён")};
    case Choice::AnalogFilter:
        return steps(0, 1, 17);
    case Choice::DiscreteDelay:
        return steps(0, 300, 17);
    case Choice::OnlineTime:
        return {QStringLiteral("5 сек."),  QStringLiteral("10 сек."), QStringLiteral("15 сек."),
                QStringLiteral("20 сек."), QStringLiteral("30 сек."), QStringLiteral("1 мин."),
                QStringLiteral("2 мин."),  QStringLiteral("5 мин."),  QStringLiteral("10 мин."),
                QStringLiteral("15 мин.")};
    }
    return {};
}

} // namespace morlenta::config
