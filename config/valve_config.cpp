// The configuration block on the settings pages: the settings of a block read from the controller
// (config/settings.h) shown in the form, the form's settings encoded back over that block with
// the input checks, and the error list with its red marking.
#include "mainwindow/valve.h"
#include "ui_valve.h"

#include <QDebug>
#include <QTimer>

#include <algorithm>

#include "config/catalog.h"
#include "config/fields.h"
#include "config/settings.h"
#include "config/validation.h"
#include "device/registermap.h"

using namespace morlenta::config;
using namespace morlenta::device;

namespace {

constexpr int kMarkMs = 2000;

// Selects `index` when the box lists it; otherwise the box keeps its current item. Used where a
// blank box would be encoded as a different word than the one read.
void selectIfListed(QComboBox *box, int index)
{
    if (index >= 0 && index < box->count())
        box->setCurrentIndex(index);
}

void showInputType(const InputWidgets &w, int type)
{
    w.display->setEnabled(type != InputOff);
    if (type < InputDiscrete || type > InputCurrent)
        return;
    w.discreteDisplay->setEnabled(type == InputDiscrete);
    w.countingDisplay->setEnabled(type == InputCounting);
    w.analogDisplay->setEnabled(isAnalog(type));
}

void showThresholds(const std::array<QDoubleSpinBox *, 4> &boxes, const Thresholds &t)
{
    const double values[4] = {t.minOpen, t.minClose, t.maxOpen, t.maxClose};
    for (int i = 0; i < 4; ++i)
        boxes[i]->setValue(values[i]);
}

Thresholds thresholdsOf(const std::array<QDoubleSpinBox *, 4> &boxes)
{
    return {boxes[0]->value(), boxes[1]->value(), boxes[2]->value(), boxes[3]->value()};
}

void decodeCounting(const InputWidgets &w, const CountingInput &c, int input)
{
    // Selecting the quantity refills the unit box before the unit is looked up in it.
    const int quantityIndex = countingQuantityIndex(c.quantity);
    if (quantityIndex >= 0)
        w.countingQuantity->setCurrentIndex(quantityIndex);
    const int unitIndex =
        unitIndexOf(countingQuantityCode(w.countingQuantity->currentIndex()), c.unit);
    if (unitIndex >= 0)
        w.countingUnit->setCurrentIndex(unitIndex);
    qDebug().noquote() << QString::number(c.unit) + QStringLiteral("Units_CT") +
                              QString::number(input);
    w.weight->setValue(c.weight);
    showThresholds(w.countingThresholds, c.thresholds);
}

void decodeAnalog(const InputWidgets &w, const AnalogInput &a)
{
    w.analogQuantity->setCurrentIndex(a.quantity);
    const int unitIndex = unitIndexOf(w.analogQuantity->currentIndex(), a.unit);
    if (unitIndex >= 0)
        w.analogUnit->setCurrentIndex(unitIndex);
    w.lower->setValue(a.lower);
    w.upper->setValue(a.upper);
    showThresholds(w.analogThresholds, a.thresholds);
}

Interval intervalOf(const QComboBox *intervalBox, const QComboBox *momentBox)
{
    return {intervalBox->currentIndex(), momentBox->currentIndex()};
}

// A unit box without a current item, or one of a quantity box without one (a code above 27 was
// read), is written as unit code 0.
int unitCode(int quantityCode, const QComboBox *unitBox)
{
    return std::max(0, unitCodeAt(quantityCode, unitBox->currentIndex()));
}

QDoubleSpinBox *fieldBox(const InputWidgets &w, SettingsIssue::Field field)
{
    using Field = SettingsIssue::Field;
    switch (field) {
    case Field::Weight:
        return w.weight;
    case Field::Lower:
        return w.lower;
    case Field::Upper:
        return w.upper;
    default:
        return w.countingThresholds[int(field) - int(Field::MinOpen)];
    }
}

} // namespace

void Valve::decodeConfiguration(const quint16 *words)
{
    std::copy_n(words, kBlockWords, m_config.begin());
    qDebug("Draw To UI");

    const Settings s = decodeSettings(m_config);
    const auto showInterval = [this](QComboBox *box, QComboBox *momentBox, const Interval &i) {
        box->setCurrentIndex(i.interval);
        refillIntervalValues(momentBox, i.interval);
        // The stored moment is selected again, so that a read followed by a write keeps it.
        selectIfListed(momentBox, i.moment);
    };
    ui->ID->setText(identifierText(s.identifier));
    ui->error_lcd->clear();
    ui->mb_online->setCurrentIndex(s.onlineTime);
    // The new-connection group shows the line parameters the controller holds, so that a write
    // keeps them unless the user changes them there.
    selectIfListed(ui->dev_id_2, s.line.address - 1);
    selectIfListed(ui->dev_br_2, s.line.baudIndex);
    selectIfListed(ui->dev_db_2, s.line.dataBitsIndex);
    selectIfListed(ui->dev_par_2, s.line.parityIndex);
    selectIfListed(ui->dev_sb_2, s.line.stopBitsIndex);
    // Fires the input-type handlers, which enable the groups of the new types.
    for (int input = 1; input <= kServedInputs; ++input)
        inputWidgets(input).type->setCurrentIndex(s.inputs[input - 1].type);

    ui->sol_type->setCurrentIndex(s.solenoidType);
    ui->sol_imp_len->setCurrentIndex(s.pulseLength);
    ui->sol_imp_len->setEnabled(s.solenoidType == kBistableSolenoid);

    const int type1 = s.inputs[0].type;
    const int type2 = s.inputs[1].type;
    ui->ds_filt_delay->setCurrentIndex(s.discreteDelay);
    const bool anyDiscrete = type1 == InputDiscrete || type2 == InputDiscrete;
    ui->ds_filt_label->setEnabled(anyDiscrete);
    ui->ds_filt_delay->setEnabled(anyDiscrete);

    for (int input = 1; input <= kServedInputs; ++input) {
        const InputWidgets &w = inputWidgets(input);
        const InputSettings &in = s.inputs[input - 1];
        if (in.type != InputDiscrete) {
            w.discrete->setEnabled(false);
            continue;
        }
        w.openEdge->setCurrentIndex(in.openEdge);
        w.closeEdge->setCurrentIndex(in.closeEdge);
    }

    for (int input = 1; input <= kServedInputs; ++input) {
        // The edge and control bits are encoded whatever the input types: the bits of an input that
        // does not count are kept as read, not replaced by whatever the form showed before.
        const InputWidgets &w = inputWidgets(input);
        const InputSettings &in = s.inputs[input - 1];
        w.activeEdge->setCurrentIndex(in.activeEdge);
        w.controlType->setCurrentIndex(in.controlType);
        if (in.type == InputCounting)
            decodeCounting(w, in.counting, input);
        else
            w.counting->setEnabled(false);
    }

    showInterval(ui->CT_meas_interval, ui->CT_meas_value, s.countingMeasurement);
    ui->CT_Freq_filter->setCurrentIndex(s.frequencyFilter);
    showInterval(ui->CT_reset_interval, ui->CT_reset_value, s.counterReset);
    ui->CT_Common_GBox->setEnabled(type1 == InputCounting || type2 == InputCounting);

    for (int input = 1; input <= kServedInputs; ++input) {
        if (s.inputs[input - 1].type > InputCounting)
            decodeAnalog(inputWidgets(input), s.inputs[input - 1].analog);
        else
            inputWidgets(input).analog->setEnabled(false);
    }

    showInterval(ui->AN_meas_interval, ui->AN_meas_value, s.analogMeasurement);
    ui->AN_pause->setCurrentIndex(s.analogPause);
    ui->AN_Filt->setCurrentIndex(s.analogFilter);
    ui->AN_Common_GBox->setEnabled(type1 > InputCounting || type2 > InputCounting);

    for (int input = 1; input <= kServedInputs; ++input)
        showInputType(inputWidgets(input), s.inputs[input - 1].type);
}

Settings Valve::formSettings() const
{
    Settings s;
    IdentifierWords id;
    if (m_idComplete && parseIdentifier(ui->device_id->text(), id)) {
        s.identifier = id;
        s.writeIdentifier = true;
    }
    // The address list starts at "1": the register holds the address itself.
    s.line = {ui->dev_id_2->currentIndex() + 1, ui->dev_br_2->currentIndex(),
              ui->dev_db_2->currentIndex(), ui->dev_par_2->currentIndex(),
              ui->dev_sb_2->currentIndex()};
    s.solenoidType = ui->sol_type->currentIndex();
    s.pulseLength = ui->sol_imp_len->currentIndex();
    for (int input = 1; input <= kServedInputs; ++input) {
        const InputWidgets &w = inputWidgets(input);
        InputSettings &in = s.inputs[input - 1];
        in.type = w.type->currentIndex();
        in.openEdge = w.openEdge->currentIndex();
        in.closeEdge = w.closeEdge->currentIndex();
        in.activeEdge = w.activeEdge->currentIndex();
        in.controlType = w.controlType->currentIndex();
        const int counted = countingQuantityCode(w.countingQuantity->currentIndex());
        in.counting = {counted, unitCode(counted, w.countingUnit), w.weight->value(),
                       thresholdsOf(w.countingThresholds)};
        const int measured = w.analogQuantity->currentIndex();
        in.analog = {measured, unitCode(measured, w.analogUnit), w.lower->value(), w.upper->value(),
                     thresholdsOf(w.analogThresholds)};
    }
    s.discreteDelay = ui->ds_filt_delay->currentIndex();
    s.countingMeasurement = intervalOf(ui->CT_meas_interval, ui->CT_meas_value);
    s.counterReset = intervalOf(ui->CT_reset_interval, ui->CT_reset_value);
    s.frequencyFilter = ui->CT_Freq_filter->currentIndex();
    s.analogMeasurement = intervalOf(ui->AN_meas_interval, ui->AN_meas_value);
    s.analogPause = ui->AN_pause->currentIndex();
    s.analogFilter = ui->AN_Filt->currentIndex();
    s.onlineTime = ui->mb_online->currentIndex();
    return s;
}

Valve::FormCheck Valve::encodeConfiguration()
{
    const Settings settings = formSettings();
    // The list keeps what earlier writes listed until a check takes it off.
    for (const MessageAction &a : settingsChecks(settings))
        a.add ? addInputError(a.message) : removeInputError(a.message);
    m_config = encodeSettings(settings, m_config);
    std::copy(m_config.cbegin(), m_config.cend(), m_mirror.begin());
    return ui->error_lcd->count() > 0 ? FormCheck::InputErrors : FormCheck::Passed;
}

void Valve::addInputError(int message)
{
    const QString text = inputErrorMessage(message);
    if (ui->error_lcd->findItems(text, Qt::MatchContains).isEmpty())
        ui->error_lcd->addItem(text);
    markInputError(message);
}

void Valve::removeInputError(int message)
{
    const QString text = inputErrorMessage(message);
    for (QListWidgetItem *item : ui->error_lcd->findItems(text, Qt::MatchFixedString))
        delete item;
}

void Valve::markInputError(int message)
{
    const SettingsIssue issue = settingsIssue(message);
    for (SettingsIssue::Field field : issue.fields)
        fieldBox(inputWidgets(issue.input), field)->setStyleSheet(markedStyle());
    // Each marking has its own reset, which clears all fourteen boxes.
    QTimer::singleShot(kMarkMs, this, &Valve::resetErrorMarks);
}

void Valve::resetErrorMarks()
{
    for (const InputWidgets &w : m_inputWidgets)
        for (int field = 0; field <= int(SettingsIssue::Field::Upper); ++field)
            fieldBox(w, SettingsIssue::Field(field))->setStyleSheet(unmarkedStyle());
}
