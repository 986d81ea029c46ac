#ifndef INPUTWIDGETS_H
#define INPUTWIDGETS_H

#include <array>

#include "device/registermap.h"

class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QLineEdit;

// The widgets of one input, on the settings pages and on the inputs page: the one table every
// part of the main window reaches them through (Valve::inputWidgets(input), input 1 or 2).
struct InputWidgets
{
    // The settings pages.
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
    // Minimum opening, minimum closing, maximum opening, maximum closing.
    std::array<QDoubleSpinBox *, 4> countingThresholds;
    QGroupBox *analog;
    QComboBox *analogQuantity;
    QComboBox *analogUnit;
    QDoubleSpinBox *lower;
    QDoubleSpinBox *upper;
    std::array<QDoubleSpinBox *, 4> analogThresholds;

    // The inputs page: the groups, and the live values with their captions, in the order of
    // device::Route::quantity.
    QGroupBox *display;
    QGroupBox *discreteDisplay;
    QGroupBox *countingDisplay;
    QGroupBox *analogDisplay;
    QLineEdit *level;
    std::array<QDoubleSpinBox *, morlenta::device::kCounterQuantities> counter;
    std::array<QLabel *, morlenta::device::kCounterQuantities> counterCaptions;
    std::array<QDoubleSpinBox *, morlenta::device::kAnalogQuantities> analogValue;
    std::array<QLabel *, morlenta::device::kAnalogQuantities> analogCaptions;
};

#endif // INPUTWIDGETS_H
