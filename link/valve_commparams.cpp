#include "mainwindow/valve.h"
#include "ui_valve.h"

#include "link/commparams.h"

using namespace morlenta;

namespace {

void fill(QComboBox *box, const link::CommList &list)
{
    for (const link::CommItem &item : list.items)
        box->addItem(QIcon(), item.text, item.data);
    box->setCurrentIndex(list.initialIndex);
}

} // namespace

void Valve::fillCommParameters()
{
    for (QComboBox *box : {ui->dev_id_1, ui->dev_id_2})
        fill(box, link::addressList());
    for (QComboBox *box : {ui->dev_br_1, ui->dev_br_2})
        fill(box, link::baudRateList());
    for (QComboBox *box : {ui->dev_db_1, ui->dev_db_2})
        fill(box, link::dataBitsList());
    for (QComboBox *box : {ui->dev_par_1, ui->dev_par_2})
        fill(box, link::parityList());
    for (QComboBox *box : {ui->dev_sb_1, ui->dev_sb_2})
        fill(box, link::stopBitsList());
}
