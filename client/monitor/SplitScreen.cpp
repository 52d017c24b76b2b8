#include "SplitScreen.h"

#include "ui_SplitScreen.h"

#include <QPainter>

SplitScreen::SplitScreen(QWidget* parent) : QWidget(parent), ui(new Ui::SplitScreen)
{
    ui->setupUi(this);
    setWindowFlags(Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint);
    FillList();
}

SplitScreen::~SplitScreen()
{
    delete ui;
}

void SplitScreen::FillList()
{
    const QPixmap strip(QStringLiteral(":images/preview/splitscreen.png"));
    const int band = strip.height() / 5;
    const QStringList names{tr("1分屏"), tr("4分屏"), tr("6分屏"), tr("9分屏"), tr("16分屏")};
    ui->listWidget->setIconSize(QSize(32, 32));
    for (int row = 0; row < names.size(); ++row) {
        auto* item = new QListWidgetItem(QIcon(strip.copy(0, 32 * row, strip.width(), band)), names[row]);
        item->setSizeHint(QSize(120, 32));
        ui->listWidget->addItem(item);
    }
}

void SplitScreen::on_listWidget_itemClicked(QListWidgetItem* pItem)
{
    close();
    QString text = pItem->text();
    emit ShowSplitScreenSig(text);
}

void SplitScreen::reTranslateUI()
{
    ui->listWidget->clear();
    FillList();
}

void SplitScreen::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    QPainter painter(this);
    painter.save();
    painter.setPen(QPen(QColor(88, 187, 228), 4));
    painter.drawLine(painter.window().topLeft(), painter.window().bottomLeft());
    painter.restore();
}
