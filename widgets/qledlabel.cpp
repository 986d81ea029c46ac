#include "widgets/qledlabel.h"

namespace {

const int kSide = 14;
const int kRadius = kSide / 2;

const QString kGreenSheet = QStringLiteral("border-radius: %1; border-width: 2px; border-color: "
                                           "rgb(192,192,192); border-style: solid; "
                                           "background-color: rgb(0,128,0);")
                                .arg(kRadius);
const QString kRedSheet = QStringLiteral("border-radius: %1; border-width: 2px; border-color: "
                                         "rgb(192,192,192); border-style: solid; "
                                         "background-color: rgb(255, 0, 0);")
                              .arg(kRadius);
const QString kOrangeSheet = QStringLiteral("border-radius: %1; border-width: 2px; border-color: "
                                            "rgb(192,192,192); border-style: solid; "
                                            "background-color: rgb(255, 128, 0);")
                                 .arg(kRadius);
const QString kBlueSheet = QStringLiteral("border-radius: %1; border-width: 2px; border-color: "
                                          "rgb(192,192,192); border-style: solid; "
                                          "background-color: rgb(0,0,255);")
                               .arg(kRadius);
const QString kYellowSheet = QStringLiteral("border-radius: %1; border-width: 2px; border-color: "
                                            "rgb(192,192,192); border-style: solid; "
                                            "background-color: rgb(255,255,0);")
                                 .arg(kRadius);

} // namespace

QLedLabel::QLedLabel(QWidget *parent) : QLabel(parent)
{
    setState(StateRed);
    setFixedSize(kSide, kSide);
}

void QLedLabel::setState(State state)
{
    switch (state) {
    case StateGreen:
        setStyleSheet(kGreenSheet);
        break;
    case StateBlue:
        setStyleSheet(kBlueSheet);
        break;
    case StateOrange:
        setStyleSheet(kOrangeSheet);
        break;
    case StateYellow:
        setStyleSheet(kYellowSheet);
        break;
    case StateRed:
    default: // values outside the enumeration show red
        setStyleSheet(kRedSheet);
        break;
    }
}

void QLedLabel::setState(bool state)
{
    setState(static_cast<State>(state));
}
