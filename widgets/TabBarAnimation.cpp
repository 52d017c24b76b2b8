#include "TabBarAnimation.h"

#include "QSimpleSliderNavigation.h"

TabBarAnimation::TabBarAnimation(QSimpleSliderNavigation* tabWidget) : m_tabWidget(tabWidget)
{
    setEasingCurve(QEasingCurve::InOutQuad);
}

void TabBarAnimation::updateCurrentValue(const QVariant& value)
{
    if (m_tabWidget)
        m_tabWidget->setAnimationCurrentValue(value.toInt());
}
