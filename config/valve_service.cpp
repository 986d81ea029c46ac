// The hidden service page: Ctrl+Shift and a click on the logo open it, the service password
// unlocks the identifier field, and a complete identifier goes out with the next write.
#include "mainwindow/valve.h"
#include "ui_valve.h"

#include <QDebug>
#include <QGuiApplication>

#include "config/validation.h"

using namespace morlenta;

namespace {

constexpr int kCompleteIdentifierLength = 21; // 16 digits and 5 dashes

} // namespace

void Valve::on_logo_clicked()
{
    // Exactly these two: Ctrl+Alt+Shift, say, is not the gesture.
    if (QGuiApplication::keyboardModifiers() != (Qt::ControlModifier | Qt::ShiftModifier))
        return;
    ui->Sub_Sett_TabWidget->setTabEnabled(ui->Sub_Sett_TabWidget->indexOf(ui->service_tab), true);
    qDebug("CTRL+SHIFT+Mouse_Left_Button");
}

void Valve::on_service_pass_textChanged(const QString &arg1)
{
    ui->device_id->setEnabled(config::isServicePassword(arg1));
}

void Valve::on_device_id_textChanged(const QString &arg1)
{
    m_idComplete = arg1.size() == kCompleteIdentifierLength;
}
