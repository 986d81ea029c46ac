// The configuration block on the settings pages: decoding a block read from the controller into
// the form, encoding the form back into a block with the input checks, and the error list with
// its red marking.
#include "mainwindow/valve.h"
#include "ui_valve.h"

#include <QDebug>
#include <QTimer>

#include <algorithm>

#include "config/catalog.h"
#include "config/fields.h"
#include "config/intervals.h"
#include "config/validation.h"
#include "device/registermap.h"

using namespace morlenta::config;
using namespace morlenta::device;

namespace {

constexpr int kMarkMs = 2000;

// The widgets of one input on the settings pages and on the inputs page.
struct InputWidgets
{
    QComboBox *type;
    QGroupBox *discrete;
    QComboBox *openEdge;
    QComboBox *closeEdge;
    QGroupBox *counting;
    QComboBox *activeEdge;
    QComboBox *controlType;
    QComboBox *countingQuantity;
    QComboBox *countingUnit;
    QDoubleSpinBox *weight;
    std::array<QDoubleSpinBox *, 4> countingValues; // min open, min close, max open, max close
    QGroupBox *analog;
    QComboBox *analogQuantity;
    QComboBox *analogUnit;
    QDoubleSpinBox *lower;
    QDoubleSpinBox *upper;
    std::array<QDoubleSpinBox *, 4> analogValues;
    QGroupBox *display;
    QGroupBox *discreteDisplay;
    QGroupBox *countingDisplay;
    QGroupBox *analogDisplay;
};

InputWidgets inputWidgets(Ui::Valve *ui, int input)
{
    if (input == 1)
        return {ui->in_type_1,
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
                ui->AN1_LCD_GBox};
    return {ui->in_type_2,
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
            ui->AN2_LCD_GBox};
}

// Selects `index` when the box lists it; otherwise the box keeps its current item. Used where a
// blank box would be encoded as a different word than the one read.
void selectIfListed(QComboBox *box, int index)
{
    if (index >= 0 && index < box->count())
        box->setCurrentIndex(index);
}

// An interval box without a current item (the controller held a code the tool does not know)
// keeps the stored code rather than writing code 1, which the tool never writes.
void encodeInterval(Block &block, int reg, const QComboBox *box)
{
    if (box->currentIndex() >= 0)
        block[reg] = quint16(intervalCode(box->currentIndex()));
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

quint16 countingUnitCode(const InputWidgets &w)
{
    const int quantity = countingQuantityCode(w.countingQuantity->currentIndex());
    return quint16(std::max(0, unitCodeAt(quantity, w.countingUnit->currentIndex())));
}

quint16 analogUnitCode(const InputWidgets &w)
{
    // No current quantity (a code above 27 was read) or no unit: 0.
    return quint16(
        std::max(0, unitCodeAt(w.analogQuantity->currentIndex(), w.analogUnit->currentIndex())));
}

} // namespace

void Valve::decodeConfiguration(const quint16 *words)
{
    std::copy_n(words, kBlockWords, m_config.begin());
    qDebug("Draw To UI");

    const Block &b = m_config;
    IdentifierWords id;
    std::copy_n(b.cbegin() + reg::Identifier, id.size(), id.begin());
    ui->ID->setText(identifierText(id));
    ui->error_lcd->clear();
    ui->mb_online->setCurrentIndex(b[reg::OnlineTime]);
    // The new-connection group shows the line parameters the controller holds, so that a write
    // keeps them unless the user changes them there.
    selectIfListed(ui->dev_id_2, b[reg::NewAddress] - 1);
    selectIfListed(ui->dev_br_2, b[reg::NewBaudRate]);
    selectIfListed(ui->dev_db_2, b[reg::NewDataBits]);
    selectIfListed(ui->dev_par_2, b[reg::NewParity]);
    selectIfListed(ui->dev_sb_2, b[reg::NewStopBits]);
    // Fires the input-type handlers, which enable the groups of the new types.
    ui->in_type_1->setCurrentIndex(b[reg::InputType]);
    ui->in_type_2->setCurrentIndex(b[reg::InputType + 1]);

    ui->sol_type->setCurrentIndex(b[reg::SolenoidType]);
    ui->sol_imp_len->setCurrentIndex(b[reg::PulseLength]);
    ui->sol_imp_len->setEnabled(b[reg::SolenoidType] == kBistableSolenoid);

    const int type1 = b[reg::InputType];
    const int type2 = b[reg::InputType + 1];
    ui->ds_filt_delay->setCurrentIndex(b[reg::DiscreteDelay]);
    const bool anyDiscrete = type1 == InputDiscrete || type2 == InputDiscrete;
    ui->ds_filt_label->setEnabled(anyDiscrete);
    ui->ds_filt_delay->setEnabled(anyDiscrete);

    for (int input = 1; input <= kServedInputs; ++input) {
        const InputWidgets w = inputWidgets(ui, input);
        if (b[inputWordRegister(reg::InputType, input)] != InputDiscrete) {
            w.discrete->setEnabled(false);
            continue;
        }
        w.openEdge->setCurrentIndex(
            discreteEdgeIndex(getFloat(b, inputFloatRegister(input, RowMinOpen))));
        w.closeEdge->setCurrentIndex(
            discreteEdgeIndex(getFloat(b, inputFloatRegister(input, RowMinClose))));
    }

    for (int input = 1; input <= kServedInputs; ++input) {
        // The edge and control bits are encoded whatever the input types: the bits of an input that
        // does not count are kept as read, not replaced by whatever the form showed before.
        const InputWidgets w = inputWidgets(ui, input);
        w.activeEdge->setCurrentIndex(inputBit(b[reg::ActiveEdges], input));
        w.controlType->setCurrentIndex(inputBit(b[reg::ControlTypes], input));
        if (b[inputWordRegister(reg::InputType, input)] == InputCounting)
            decodeCountingInput(input);
        else
            w.counting->setEnabled(false);
    }

    const int countingInterval = intervalIndex(b[reg::CountingInterval]);
    ui->CT_meas_interval->setCurrentIndex(countingInterval);
    refillIntervalValues(ui->CT_meas_value, countingInterval);
    // The stored moment is selected again, so that a read followed by a write keeps it.
    selectIfListed(ui->CT_meas_value, b[reg::CountingMoment]);
    ui->CT_Freq_filter->setCurrentIndex(b[reg::FrequencyFilter]);
    const int resetInterval = intervalIndex(b[reg::ResetInterval]);
    ui->CT_reset_interval->setCurrentIndex(resetInterval);
    refillIntervalValues(ui->CT_reset_value, resetInterval);
    selectIfListed(ui->CT_reset_value, b[reg::ResetMoment]);
    ui->CT_Common_GBox->setEnabled(type1 == InputCounting || type2 == InputCounting);

    for (int input = 1; input <= kServedInputs; ++input) {
        if (b[inputWordRegister(reg::InputType, input)] > InputCounting)
            decodeAnalogInput(input);
        else
            inputWidgets(ui, input).analog->setEnabled(false);
    }

    const int analogInterval = intervalIndex(b[reg::AnalogInterval]);
    ui->AN_meas_interval->setCurrentIndex(analogInterval);
    refillIntervalValues(ui->AN_meas_value, analogInterval);
    selectIfListed(ui->AN_meas_value, b[reg::AnalogMoment]);
    ui->AN_pause->setCurrentIndex(b[reg::AnalogPause]);
    ui->AN_Filt->setCurrentIndex(b[reg::AnalogFilter]);
    ui->AN_Common_GBox->setEnabled(type1 > InputCounting || type2 > InputCounting);

    showInputType(inputWidgets(ui, 1), type1);
    showInputType(inputWidgets(ui, 2), type2);
}

void Valve::decodeCountingInput(int input)
{
    const Block &b = m_config;
    const InputWidgets w = inputWidgets(ui, input);

    // Selecting the quantity refills the unit box before the unit is looked up in it.
    const int quantityIndex = countingQuantityIndex(b[inputWordRegister(reg::Quantity, input)]);
    if (quantityIndex >= 0)
        w.countingQuantity->setCurrentIndex(quantityIndex);
    const quint16 unit = b[inputWordRegister(reg::Unit, input)];
    const int unitIndex =
        unitIndexOf(countingQuantityCode(w.countingQuantity->currentIndex()), unit);
    if (unitIndex >= 0)
        w.countingUnit->setCurrentIndex(unitIndex);
    qDebug().noquote() << QString::number(unit) + QStringLiteral("Units_CT") +
                              QString::number(input);

    w.weight->setValue(getFloat(b, inputFloatRegister(input, RowWeightOrLower)));
    for (int i = 0; i < 4; ++i)
        w.countingValues[i]->setValue(getFloat(b, inputFloatRegister(input, RowMinOpen + i)));
}

void Valve::decodeAnalogInput(int input)
{
    const Block &b = m_config;
    const InputWidgets w = inputWidgets(ui, input);
    w.analogQuantity->setCurrentIndex(b[inputWordRegister(reg::Quantity, input)]);
    const int unitIndex =
        unitIndexOf(w.analogQuantity->currentIndex(), b[inputWordRegister(reg::Unit, input)]);
    if (unitIndex >= 0)
        w.analogUnit->setCurrentIndex(unitIndex);

    w.lower->setValue(getFloat(b, inputFloatRegister(input, RowWeightOrLower)));
    w.upper->setValue(getFloat(b, inputFloatRegister(input, RowUpper)));
    for (int i = 0; i < 4; ++i)
        w.analogValues[i]->setValue(getFloat(b, inputFloatRegister(input, RowMinOpen + i)));
}

Valve::FormCheck Valve::encodeConfiguration()
{
    const double weight1 = ui->CT_Imp_Weight_1->value();
    const double weight2 = ui->CT_Imp_Weight_2->value();
    const double lower1 = ui->AN_Btm_Lim_Phys_1->value();
    const double upper1 = ui->AN_Upp_Lim_Phys_1->value();
    const double lower2 = ui->AN_Btm_Lim_Phys_2->value();
    const double upper2 = ui->AN_Upp_Lim_Phys_2->value();

    Block &b = m_config;
    IdentifierWords id;
    if (m_idComplete && parseIdentifier(ui->device_id->text(), id))
        std::copy(id.cbegin(), id.cend(), b.begin() + reg::Identifier);

    // The address list starts at "1": the register holds the address itself.
    b[reg::NewAddress] = indexWord(ui->dev_id_2->currentIndex() + 1);
    b[reg::NewBaudRate] = indexWord(ui->dev_br_2->currentIndex());
    b[reg::NewDataBits] = indexWord(ui->dev_db_2->currentIndex());
    b[reg::NewParity] = indexWord(ui->dev_par_2->currentIndex());
    b[reg::NewStopBits] = indexWord(ui->dev_sb_2->currentIndex());
    b[reg::SolenoidType] = indexWord(ui->sol_type->currentIndex());
    b[reg::PulseLength] = indexWord(ui->sol_imp_len->currentIndex());
    b[reg::InputType] = indexWord(ui->in_type_1->currentIndex());
    b[reg::InputType + 1] = indexWord(ui->in_type_2->currentIndex());

    encodeInput(1, weight1, lower1, upper1);
    encodeInput(2, weight2, lower2, upper2);

    // Slots of inputs 3 and 4 are always empty.
    for (int input = kServedInputs + 1; input <= kInputSlots; ++input) {
        for (int first : {reg::InputType, reg::Quantity, reg::Unit})
            b[inputWordRegister(first, input)] = 0;
        for (int row = 0; row < kFloatRows; ++row)
            putFloat(b, inputFloatRegister(input, row), 0.0f);
    }

    b[reg::AnalogPause] = indexWord(ui->AN_pause->currentIndex());
    encodeInterval(b, reg::AnalogInterval, ui->AN_meas_interval);
    b[reg::AnalogMoment] = indexWord(ui->AN_meas_value->currentIndex());
    b[reg::AnalogFilter] = indexWord(ui->AN_Filt->currentIndex());
    b[reg::ActiveEdges] =
        packInputBits(ui->front_type_1->currentIndex(), ui->front_type_2->currentIndex());
    b[reg::ControlTypes] =
        packInputBits(ui->control_type_1->currentIndex(), ui->control_type_2->currentIndex());
    encodeInterval(b, reg::CountingInterval, ui->CT_meas_interval);
    b[reg::CountingMoment] = indexWord(ui->CT_meas_value->currentIndex());
    b[reg::FrequencyFilter] = indexWord(ui->CT_Freq_filter->currentIndex());
    encodeInterval(b, reg::ResetInterval, ui->CT_reset_interval);
    b[reg::ResetMoment] = indexWord(ui->CT_reset_value->currentIndex());
    b[reg::DiscreteDelay] = indexWord(ui->ds_filt_delay->currentIndex());
    b[reg::OnlineTime] = indexWord(ui->mb_online->currentIndex());
    // The reserved word goes back as it was read.

    std::copy(m_config.cbegin(), m_config.cend(), m_mirror.begin());
    return ui->error_lcd->count() > 0 ? FormCheck::InputErrors : FormCheck::Passed;
}

void Valve::encodeInput(int input, double weight, double lower, double upper)
{
    Block &b = m_config;
    const InputWidgets w = inputWidgets(ui, input);
    const int type = b[inputWordRegister(reg::InputType, input)];
    const int quantityReg = inputWordRegister(reg::Quantity, input);
    const int unitReg = inputWordRegister(reg::Unit, input);
    auto apply = [this](const MessageActions &actions) {
        for (const MessageAction &a : actions)
            a.add ? addInputError(a.message) : removeInputError(a.message);
    };

    apply(checksNotRun(input, type));
    if (type == InputDiscrete) {
        putFloat(b, inputFloatRegister(input, RowMinOpen),
                 discreteEdgeFloat(w.openEdge->currentIndex()));
        putFloat(b, inputFloatRegister(input, RowMinClose),
                 discreteEdgeFloat(w.closeEdge->currentIndex()));
    } else if (type == InputCounting) {
        b[quantityReg] = indexWord(countingQuantityCode(w.countingQuantity->currentIndex()));
        b[unitReg] = countingUnitCode(w);
        CountingValues values;
        for (int i = 0; i < 4; ++i)
            values[i] = w.countingValues[i]->value();
        apply(countingCheck(input, weight, values));
        putFloat(b, inputFloatRegister(input, RowWeightOrLower), float(w.weight->value()));
        for (int i = 0; i < 4; ++i)
            putFloat(b, inputFloatRegister(input, RowMinOpen + i), float(values[i]));
    } else if (isAnalog(type)) {
        b[quantityReg] = indexWord(w.analogQuantity->currentIndex());
        b[unitReg] = analogUnitCode(w);
        apply(limitCheck(input, lower, upper));
        putFloat(b, inputFloatRegister(input, RowWeightOrLower), float(lower));
        putFloat(b, inputFloatRegister(input, RowUpper), float(upper));
        for (int i = 0; i < 4; ++i)
            putFloat(b, inputFloatRegister(input, RowMinOpen + i),
                     float(w.analogValues[i]->value()));
    }
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
    for (const QString &name : markedWidgetNames(message))
        if (QWidget *box = findChild<QWidget *>(name))
            box->setStyleSheet(markedStyle());
    // Each marking has its own reset, which clears all fourteen boxes.
    QTimer::singleShot(kMarkMs, this, &Valve::resetErrorMarks);
}

void Valve::resetErrorMarks()
{
    for (const QString &name : allMarkableWidgetNames())
        if (QWidget *box = findChild<QWidget *>(name))
            box->setStyleSheet(unmarkedStyle());
}
