#include "PromptTip.h"

#include "QPromptWidget.h"

void PromptTip::showText(const MsgType& type, const QString& text, QWidget* widget, const QPoint& pos,
                         int msecDisplayTime)
{
    QPromptWidget* tip = QPromptWidget::current();
    if (tip && tip->isVisible()) {
        if (text.isEmpty())
            tip->closeSoon();
        else
            tip->showMessage(type, text, widget, pos, msecDisplayTime);
        return;
    }
    if (text.isEmpty())
        return;
    tip = new QPromptWidget(type, text, widget, pos, msecDisplayTime);
    tip->placeOverAnchor();
    tip->setObjectName(QStringLiteral("qprompt_tip"));
    tip->showNormal();
}
