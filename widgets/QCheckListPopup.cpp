#include "QCheckListPopup.h"

#include "ComboArrowGeometry.h"
#include "PopupPress.h"
#include "QCheckListComboBox.h"

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
    // The arrow of the editable box opens the panel, any part of a non-editable one.
    const QRect opener = combo->isEditable() ? comboBoxArrowRect(combo) : combo->rect();
    PopupPress::keepFromReopening(this, event, PopupPress::onScreen(combo, opener));
    combo->hidePopup();
}
