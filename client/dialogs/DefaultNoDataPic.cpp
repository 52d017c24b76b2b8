#include "DefaultNoDataPic.h"

#include "ui_DefaultNoDataPic.h"

DefaultNoDataPic::DefaultNoDataPic(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::DefaultNoDataPic>())
{
    ui->setupUi(this);
    // No window type: with a parent this is a child widget over the table.
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint);
    ui->label->setPixmap(QPixmap(QStringLiteral(":images/default/noTableData.png")));
}

DefaultNoDataPic::~DefaultNoDataPic() = default;

void DefaultNoDataPic::reTranslateUI()
{
    ui->labelDefualt->setText(tr("无列表数据"));
    ui->retranslateUi(this);
}
