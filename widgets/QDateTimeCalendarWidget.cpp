#include "QDateTimeCalendarWidget.h"

#include "QDateLineEdit.h"
#include "QStyledCalendarWidget.h"
#include "QTimeLineEdit.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

class QDateTimeCalendarWidgetForm
{
public:
    void setupUi(QFrame* owner);

    QVBoxLayout* verticalLayout_2 = nullptr;
    QVBoxLayout* verticalLayout = nullptr;
    QFrame* frameEdit = nullptr;
    QHBoxLayout* horizontalLayout = nullptr;
    QDateLineEdit* lineEditDate = nullptr;
    QTimeLineEdit* lineEditTime = nullptr;
    QStyledCalendarWidget* calendarWidget = nullptr;
    QFrame* frameButtons = nullptr;
    QHBoxLayout* horizontalLayout_3 = nullptr;
    QPushButton* pushButtonCurrentDateTime = nullptr;
    QPushButton* pushButtonConfirm = nullptr;
};

namespace {
QFrame* newPlainFrame(QWidget* parent, const QString& name, int height)
{
    auto* frame = new QFrame(parent);
    frame->setObjectName(name);
    frame->setFixedHeight(height);
    frame->setFrameShape(QFrame::NoFrame);
    frame->setFrameShadow(QFrame::Raised);
    return frame;
}

QString translate(const char* text)
{
    return QCoreApplication::translate("QDateTimeCalendarWidget", text);
}

const char* const kStyleSheet =
    "#calendarWidget {border:1px solid #D1D1D1;}"
    "#frameEdit {border:1px solid #D1D1D1;border-bottom:none;background:transparent;}"
    "#pushButtonCurrentDateTime {border:1px solid #D1D1D1;border-radius: 2px;color:#333333;}"
    "#pushButtonConfirm {border-radius: 2px;color:white;background-color:#58BBE4;}"
    "#pushButtonConfirm:hover {background-color:#79C8E9;}"
    "#pushButtonConfirm:pressed {background-color:#4695B6;}"
    "#pushButtonConfirm:disabled {background-color:#DDF1F9}"
    "#frameButtons {border:1px solid #D1D1D1;border-top:none;background:transparent;}"
    "QLineEdit{ border:1px solid #D3DCE6;padding:3px;border-radius:2px;}"
    "QLineEdit:hover{  border:1px solid #58BBE4; }"
    "QLineEdit:focus{ border:1px solid #4695B6; }";
} // namespace

void QDateTimeCalendarWidgetForm::setupUi(QFrame* owner)
{
    if (owner->objectName().isEmpty())
        owner->setObjectName(QStringLiteral("QDateTimeCalendarWidget"));
    owner->resize(244, 363);
    owner->setFrameShape(QFrame::NoFrame);
    owner->setFrameShadow(QFrame::Raised);
    verticalLayout_2 = new QVBoxLayout(owner);
    verticalLayout_2->setObjectName(QStringLiteral("verticalLayout_2"));
    verticalLayout_2->setSpacing(0);
    verticalLayout_2->setContentsMargins(0, 0, 0, 0);
    verticalLayout = new QVBoxLayout();
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    verticalLayout->setSpacing(0);
    verticalLayout->setContentsMargins(0, 0, 0, 0);

    frameEdit = newPlainFrame(owner, QStringLiteral("frameEdit"), 40);
    horizontalLayout = new QHBoxLayout(frameEdit);
    horizontalLayout->setObjectName(QStringLiteral("horizontalLayout"));
    horizontalLayout->setSpacing(4);
    horizontalLayout->setContentsMargins(11, 6, 11, 6);
    lineEditDate = new QDateLineEdit(frameEdit);
    lineEditDate->setObjectName(QStringLiteral("lineEditDate"));
    lineEditDate->setFixedHeight(28);
    lineEditDate->setPlaceholderText(translate("请选择日期"));
    horizontalLayout->addWidget(lineEditDate);
    lineEditTime = new QTimeLineEdit(frameEdit);
    lineEditTime->setObjectName(QStringLiteral("lineEditTime"));
    lineEditTime->setFixedHeight(28);
    lineEditTime->setPlaceholderText(translate("请选择时间"));
    horizontalLayout->addWidget(lineEditTime);
    verticalLayout->addWidget(frameEdit);

    calendarWidget = new QStyledCalendarWidget(owner, QStyledCalendarWidget::DateCalendar);
    calendarWidget->setObjectName(QStringLiteral("calendarWidget"));
    calendarWidget->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    verticalLayout->addWidget(calendarWidget);

    frameButtons = newPlainFrame(owner, QStringLiteral("frameButtons"), 49);
    horizontalLayout_3 = new QHBoxLayout(frameButtons);
    horizontalLayout_3->setObjectName(QStringLiteral("horizontalLayout_3"));
    horizontalLayout_3->setSpacing(0);
    horizontalLayout_3->setContentsMargins(8, 8, 8, 9);
    pushButtonCurrentDateTime = new QPushButton(translate("当前时间"), frameButtons);
    pushButtonCurrentDateTime->setObjectName(QStringLiteral("pushButtonCurrentDateTime"));
    pushButtonCurrentDateTime->setFixedSize(64, 32);
    horizontalLayout_3->addWidget(pushButtonCurrentDateTime);
    horizontalLayout_3->addItem(new QSpacerItem(226, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    pushButtonConfirm = new QPushButton(translate("确认"), frameButtons);
    pushButtonConfirm->setObjectName(QStringLiteral("pushButtonConfirm"));
    pushButtonConfirm->setFixedSize(48, 32);
    horizontalLayout_3->addWidget(pushButtonConfirm);
    verticalLayout->addWidget(frameButtons);

    verticalLayout_2->addLayout(verticalLayout);
    owner->setWindowTitle(translate("QDateTimeCalendarWidget"));
}

QDateTimeCalendarWidget::QDateTimeCalendarWidget(QWidget* parent, Qt::WindowFlags flags, int mode)
    : QFrame(parent, flags), ui(std::make_unique<QDateTimeCalendarWidgetForm>()), m_mode(mode)
{
    ui->setupUi(this);
    connect(ui->pushButtonConfirm, &QPushButton::clicked, this, &QDateTimeCalendarWidget::OnClickedConfirmBtn);
    connect(ui->pushButtonConfirm, &QPushButton::clicked, this, &QDateTimeCalendarWidget::SignalDateConfirm);
    connect(ui->pushButtonCurrentDateTime, &QPushButton::clicked, this,
            &QDateTimeCalendarWidget::OnClickedCurrentDateTimeBtn);
    connect(ui->lineEditDate, &QDateLineEdit::dateChanged, ui->calendarWidget, &QStyledCalendarWidget::setSelectedDate);
    connect(ui->calendarWidget, &QStyledCalendarWidget::selectionChanged, this,
            [this] { ui->lineEditDate->setDate(ui->calendarWidget->selectedDate()); });
    connect(ui->calendarWidget, &QStyledCalendarWidget::dateSubmited, this, &QDateTimeCalendarWidget::onDateSubmitted);
    setStyleSheet(QLatin1String(kStyleSheet));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    setEditVisible(mode);
}

QDateTimeCalendarWidget::~QDateTimeCalendarWidget() = default;

void QDateTimeCalendarWidget::setDateTime(const QDateTime& dateTime)
{
    m_reference = dateTime;
    ui->calendarWidget->setSelectedDate(dateTime.date());
    ui->lineEditDate->setDate(dateTime.date());
    ui->lineEditTime->setTime(dateTime.time());
}

void QDateTimeCalendarWidget::setDateRange(const QDate& min, const QDate& max)
{
    ui->calendarWidget->setDateRange(min, max);
}

QDateTime QDateTimeCalendarWidget::dateTime() const
{
    return QDateTime(ui->calendarWidget->selectedDate(), ui->lineEditTime->time());
}

void QDateTimeCalendarWidget::setEditVisible(int mode)
{
    m_mode = mode;
    ui->frameEdit->setVisible(mode == 1);
}

void QDateTimeCalendarWidget::onDateSubmitted(const QDate& day)
{
    // With a confirm button the user confirms; without one the click commits.
    if (ui->pushButtonConfirm->isVisibleTo(this))
        return;
    if (day != m_reference.date())
        emit SignalDateChanged(QDateTime(day, m_reference.time()));
    emit SignalDateConfirm();
}

void QDateTimeCalendarWidget::OnClickedConfirmBtn()
{
    const QDateTime value = dateTime();
    // No selection (cleared calendar) gives no value to report.
    if (value.isValid() && value != m_reference)
        emit SignalDateChanged(value);
}

void QDateTimeCalendarWidget::OnClickedCurrentDateTimeBtn()
{
    ui->calendarWidget->setSelectedDate(QDate::currentDate());
    ui->lineEditTime->setTime(QTime::currentTime());
}
