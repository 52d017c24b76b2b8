#include "QCheckListPopup.h"

#include "QCheckListComboBox.h"

#include <QMouseEvent>
#include <QStyleOptionComboBox>

QCheckListPopup::QCheckListPopup(QCheckListComboBox* parent) : QCheckListWidget(parent, Qt::Popup)
{
    setAttribute(Qt::WA_WindowPropagation);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
}

void QCheckListPopup::mousePressEvent(QMouseEvent* event)
{
    auto* combo = qobject_cast<QCheckListComboBox*>(owner());
    if (!combo) {
        QCheckListWidget::mousePressEvent(event);
        return;
    }
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = combo->isEditable();
    option.subControls = QStyle::SC_All;
    option.activeSubControls = QStyle::SC_ComboBoxArrow;
    const QPoint pos = combo->mapFromGlobal(event->globalPos());
    const QStyle::SubControl hit = combo->style()->hitTestComplexControl(QStyle::CC_ComboBox, &option, pos, combo);
    // The press that closes the panel from the arrow must not open it again.
    if ((hit == QStyle::SC_ComboBoxArrow && option.editable) || (hit != QStyle::SC_None && !option.editable))
        setAttribute(Qt::WA_NoMouseReplay);
    combo->hidePopup();
}
