#include "QCheckListComboBox.h"

#include "PopupPlacement.h"
#include "QCheckListPopup.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QStylePainter>

QCheckListComboBox::QCheckListComboBox(QWidget* parent) : QComboBox(parent)
{
    setEditable(true);
    lineEdit()->setReadOnly(true);
    Init();
}

QCheckListComboBox::~QCheckListComboBox() = default;

void QCheckListComboBox::Init()
{
    m_popup = new QCheckListPopup(this);
    connect(m_popup, &QCheckListWidget::signalSelectConfirm, this, &QCheckListComboBox::signalSelectConfirm);
}

void QCheckListComboBox::addItem(const QString& text, Qt::CheckState state, const QVariant& value)
{
    if (m_popup)
        m_popup->addItem(text, state, value);
}

bool QCheckListComboBox::getCheckItems(QVector<QVariant>& values)
{
    return m_popup && m_popup->getCheckItems(values);
}

bool QCheckListComboBox::setItemChecked(const QVector<QVariant>& values)
{
    return m_popup && m_popup->setItemChecked(values);
}

void QCheckListComboBox::updateArrow(QStyle::StateFlag state)
{
    if (state == m_arrowState)
        return;
    m_arrowState = state;
    update();
}

void QCheckListComboBox::mousePressEvent(QMouseEvent* event)
{
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const QStyle::SubControl hit = style()->hitTestComplexControl(QStyle::CC_ComboBox, &option, event->pos(), this);
    if (hit != QStyle::SC_ComboBoxArrow || event->button() != Qt::LeftButton)
        return;
    updateArrow(QStyle::State_Sunken);
    showPopup();
}

void QCheckListComboBox::mouseReleaseEvent(QMouseEvent*)
{
    updateArrow(QStyle::State_None);
}

void QCheckListComboBox::showPopup()
{
    m_popup->move(PopupPlacement::belowOrAbove(this, m_popup->fittedSize()));
    m_popup->show();
    m_popup->setFocus(Qt::OtherFocusReason);
    update();
}

void QCheckListComboBox::hidePopup()
{
    m_popup->hide();
    updateArrow(QStyle::State_None);
}

void QCheckListComboBox::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    QStyleOptionComboBox option;
    initStyleOption(&option);
    if (m_arrowState == QStyle::State_Sunken) {
        option.state |= QStyle::State_Sunken;
        option.activeSubControls = QStyle::SC_ComboBoxArrow;
    }
    if (m_popup->isVisible())
        option.state |= QStyle::State_On;
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}
