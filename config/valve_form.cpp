// Form behaviour of the settings pages that needs no controller: the unit and value lists that
// follow the quantity and interval boxes, the groups that follow the input types, and the error
// list that is emptied whenever the settings page changes.
#include "mainwindow/valve.h"
#include "ui_valve.h"

#include "config/catalog.h"
#include "config/intervals.h"
#include "device/registermap.h"

using namespace morlenta;

void Valve::clearErrorList()
{
    ui->error_lcd->clear();
}

void Valve::onInputTypeChanged(int input, int type)
{
    const int type1 = inputWidgets(1).type->currentIndex();
    const int type2 = inputWidgets(2).type->currentIndex();
    const InputWidgets &w = inputWidgets(input);

    using namespace device;

    w.discrete->setEnabled(type == InputDiscrete);
    const bool anyDiscrete = type1 == InputDiscrete || type2 == InputDiscrete;
    ui->ds_filt_label->setEnabled(anyDiscrete);
    ui->ds_filt_delay->setEnabled(anyDiscrete);
    w.counting->setEnabled(type == InputCounting);
    ui->CT_Common_GBox->setEnabled(type1 == InputCounting || type2 == InputCounting);
    w.analog->setEnabled(type > InputCounting);
    ui->AN_Common_GBox->setEnabled(type1 > InputCounting || type2 > InputCounting);
}

void Valve::refillIntervalValues(QComboBox *valueBox, int intervalIndex)
{
    valueBox->clear();
    valueBox->addItems(config::intervalValues(config::intervalCode(intervalIndex)));
}

void Valve::refillUnits(QComboBox *unitBox, bool analog, int quantityIndex)
{
    unitBox->clear();
    unitBox->addItems(
        config::unitTextsFor(analog ? quantityIndex : config::countingQuantityCode(quantityIndex)));
}
