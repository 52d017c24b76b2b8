#include "QScrollTime.h"

#include "QHourModel.h"
#include "QMinuteModel.h"
#include "QScrollTimeDelegate.h"
#include "QSecondModel.h"
#include "ScaledPicture.h"
#include "TranslucentWindow.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QListView>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <qdrawutil.h>

namespace {
constexpr int kListWidth = 36;
constexpr int kScrollHeight = 192;
// Height of the filler rows above the first value: 35 + 17 + 35.
constexpr int kBandOffset = 87;
constexpr int kRowHeight = QScrollTimeDelegate::kRowHeight;
const QColor kBandColor(88, 187, 228);

const char* const kStyleSheet = "#frameScroll,#listViewHour,#listViewMinute,#listViewSecond {background:transparent;}"
                                "#frame {border-top:1px solid #D1D1D1;}"
                                "#pBScrollCancel{border:none;}"
                                "#pBScrollConfirm {border:none;color:#58BBE4;}"
                                "#pBScrollConfirm:hover {color:#79C8E9;}"
                                "#pBScrollConfirm:pressed {color:#4695B6;}";
} // namespace

class QScrollTimeForm
{
public:
    void setupUi(QFrame* picker)
    {
        picker->setObjectName(QStringLiteral("QScrollTime"));
        picker->resize(132, 232);
        picker->setWindowTitle(QCoreApplication::translate("QScrollTime", "QScrollTime"));
        verticalLayout = new QVBoxLayout(picker);
        verticalLayout->setSpacing(0);
        verticalLayout->setContentsMargins(0, 0, 0, 0);
        verticalLayout->setSizeConstraint(QLayout::SetFixedSize);

        frameScroll = new QFrame(picker);
        frameScroll->setObjectName(QStringLiteral("frameScroll"));
        frameScroll->setFrameShape(QFrame::NoFrame);
        frameScroll->setFrameShadow(QFrame::Raised);
        auto* columns = new QHBoxLayout(frameScroll);
        columns->setSpacing(0);
        columns->setContentsMargins(0, 0, 0, 0);
        listViewHour = column(QStringLiteral("listViewHour"));
        listViewMinute = column(QStringLiteral("listViewMinute"));
        listViewSecond = column(QStringLiteral("listViewSecond"));
        for (QListView* list : {listViewHour, listViewMinute, listViewSecond})
            columns->addWidget(list);
        verticalLayout->addWidget(frameScroll);

        frame = new QFrame(picker);
        frame->setObjectName(QStringLiteral("frame"));
        frame->setFrameShape(QFrame::NoFrame);
        frame->setFrameShadow(QFrame::Raised);
        auto* buttons = new QHBoxLayout(frame);
        buttons->setSpacing(9);
        buttons->setContentsMargins(0, 9, 0, 9);
        pBScrollCancel = new QPushButton(QCoreApplication::translate("QScrollTime", "取消"), frame);
        pBScrollCancel->setObjectName(QStringLiteral("pBScrollCancel"));
        pBScrollConfirm = new QPushButton(QCoreApplication::translate("QScrollTime", "确认"), frame);
        pBScrollConfirm->setObjectName(QStringLiteral("pBScrollConfirm"));
        buttons->addWidget(pBScrollCancel);
        buttons->addWidget(pBScrollConfirm);
        verticalLayout->addWidget(frame);
    }

    QVBoxLayout* verticalLayout = nullptr;
    QFrame* frameScroll = nullptr;
    QListView* listViewHour = nullptr;
    QListView* listViewMinute = nullptr;
    QListView* listViewSecond = nullptr;
    QFrame* frame = nullptr;
    QPushButton* pBScrollCancel = nullptr;
    QPushButton* pBScrollConfirm = nullptr;

private:
    QListView* column(const QString& name)
    {
        auto* list = new QListView(frameScroll);
        list->setObjectName(name);
        list->setFixedWidth(kListWidth);
        list->setFrameShape(QFrame::NoFrame);
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        list->setEditTriggers(QAbstractItemView::NoEditTriggers);
        list->setTabKeyNavigation(false);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
        return list;
    }
};

QScrollTime::QScrollTime(QWidget* parent, Qt::WindowFlags flags)
    : QFrame(parent, flags), ui(std::make_unique<QScrollTimeForm>())
{
    ui->setupUi(this);
    ui->listViewHour->setModel(new QHourModel(this));
    ui->listViewMinute->setModel(new QMinuteModel(this));
    ui->listViewSecond->setModel(new QSecondModel(this));
    for (QListView* list : {ui->listViewHour, ui->listViewMinute, ui->listViewSecond}) {
        list->setItemDelegate(new QScrollTimeDelegate(list));
        list->viewport()->installEventFilter(this);
        list->viewport()->setAttribute(Qt::WA_Hover);
        connect(list, &QListView::clicked, this, &QScrollTime::slotTimeClicked);
        connect(list->verticalScrollBar(), &QScrollBar::valueChanged, this,
                [this, list] { slotTimeChangedByScorll(list); });
    }
    ui->frameScroll->setFixedHeight(kScrollHeight);
    setStyleSheet(QString::fromLatin1(kStyleSheet));

    connect(ui->pBScrollConfirm, &QPushButton::clicked, this, [this] {
        // An empty field gets the time shown even when nothing was scrolled.
        if (!m_initialTime.isValid())
            emit timeChanged(m_chosenTime);
        hide();
    });
    connect(ui->pBScrollCancel, &QPushButton::clicked, this, [this] {
        emit singalCancelClicked(m_initialTime);
        hide();
    });

    setContentsMargins(12, 6, 12, 18);
    const QRect contents = contentsRect();
    m_bandRect = QRect(contents.left(), contents.top() + kBandOffset, contents.width(), kRowHeight);
    TranslucentWindow::enable(this);
}

QScrollTime::~QScrollTime() = default;

void QScrollTime::setTime(const QTime& time)
{
    m_initialTime = time.isValid() ? time : QTime();
    m_chosenTime = time.isValid() ? time : QTime(0, 0, 0);
    // The lists scroll once they are laid out.
    QTimer::singleShot(0, this, &QScrollTime::slotDelaySetTime);
}

QTime QScrollTime::time() const
{
    return m_chosenTime;
}

void QScrollTime::scrollToValue(QListView* list, int value)
{
    list->doItemsLayout();
    list->verticalScrollBar()->setValue(value * kRowHeight);
}

void QScrollTime::slotDelaySetTime()
{
    const QTime shown = m_chosenTime;
    scrollToValue(ui->listViewHour, shown.hour());
    scrollToValue(ui->listViewMinute, shown.minute());
    scrollToValue(ui->listViewSecond, shown.second());
}

void QScrollTime::slotTimeClicked(QModelIndex index)
{
    auto* list = qobject_cast<QListView*>(sender());
    if (!list || !index.isValid())
        return;
    list->verticalScrollBar()->setValue(index.row() * kRowHeight - QTimeModel::kRowsAbove * kRowHeight);
}

void QScrollTime::slotTimeChangedByScorll(QListView* list)
{
    QWidget* viewport = list->viewport();
    const QPoint bandCentre = viewport->mapFrom(this, m_bandRect.center());
    const QModelIndex index = list->indexAt(QPoint(viewport->width() / 2, bandCentre.y()));
    if (!index.isValid())
        return;
    const QRect row = list->visualRect(index).translated(viewport->mapTo(this, QPoint(0, 0)));
    if (row.top() != m_bandRect.top() || row.bottom() != m_bandRect.bottom()) {
        // Snapping scrolls again, which brings us back here with the row in place.
        list->verticalScrollBar()->setValue(index.row() * kRowHeight - QTimeModel::kRowsAbove * kRowHeight);
        return;
    }
    bool isNumber = false;
    const int value = index.data().toString().toInt(&isNumber);
    if (!isNumber)
        return;
    const QTime before = m_chosenTime;
    if (list == ui->listViewHour)
        m_chosenTime.setHMS(value, before.minute(), before.second());
    else if (list == ui->listViewMinute)
        m_chosenTime.setHMS(before.hour(), value, before.second());
    else
        m_chosenTime.setHMS(before.hour(), before.minute(), value);
    if (m_chosenTime != before)
        emit timeChanged(m_chosenTime);
}

QListView* QScrollTime::listOf(const QObject* viewport) const
{
    for (QListView* list : {ui->listViewHour, ui->listViewMinute, ui->listViewSecond}) {
        if (list->viewport() == viewport)
            return list;
    }
    return nullptr;
}

bool QScrollTime::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: {
        QListView* list = listOf(watched);
        if (!list)
            break;
        // The band row is already the chosen one: it takes no clicks.
        const QPoint pos = list->viewport()->mapTo(this, static_cast<QMouseEvent*>(event)->pos());
        if (m_bandRect.contains(pos))
            return true;
        break;
    }
    default: break;
    }
    return QFrame::eventFilter(watched, event);
}

void QScrollTime::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    TranslucentWindow::fillWhereOpaque(this, painter, Qt::white);
    qDrawBorderPixmap(&painter, rect(), QMargins(),
                      ScaledPicture::load(QStringLiteral(":/images/Calendar/timeBorder.png"), this));
    painter.fillRect(m_bandRect, kBandColor);
    painter.setPen(Qt::white);
    for (const QListView* left : {ui->listViewHour, ui->listViewMinute}) {
        const int border = left->mapTo(this, QPoint(left->width(), 0)).x();
        painter.drawText(QRect(border - 2, m_bandRect.top(), 4, 33), Qt::AlignCenter, QStringLiteral(":"));
    }
}
