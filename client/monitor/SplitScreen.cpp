#include "SplitScreen.h"

#include "ui_SplitScreen.h"

#include <QKeyEvent>
#include <QPainter>

SplitScreen::SplitScreen(QWidget* parent) : QWidget(parent), ui(new Ui::SplitScreen)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Popup | Qt::FramelessWindowHint);
    FillList();
}

void SplitScreen::PopUpOver(QWidget* area, QWidget* toggle)
{
    // The press that closes the pop-up would otherwise reach the button again and reopen it.
    if (toggle)
        toggle->setAttribute(Qt::WA_NoMouseReplay);
    PlaceOver(area);
    show();
    raise();
    activateWindow();
}

void SplitScreen::PlaceOver(QWidget* area)
{
    if (area)
        move(area->mapToGlobal(QPoint(0, area->height() - height())));
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

void SplitScreen::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
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
