#include "OverTip.h"

#include "ui_OverTip.h"

OverTip::OverTip(QWidget* parent) : QWidget(parent, Qt::WindowFlags()), ui(std::make_unique<Ui::OverTip>())
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
}

OverTip::~OverTip() = default;

void OverTip::SetPicture(const QString& path)
{
    ui->labelPic->setPixmap(QPixmap(path));
}
