#pragma once

#include <QPointer>
#include <QVariantAnimation>

class QSimpleSliderNavigation;

// Drives the left edge of the sliding underline of a QSimpleSliderNavigation.
class TabBarAnimation : public QVariantAnimation
{
    Q_OBJECT

public:
    explicit TabBarAnimation(QSimpleSliderNavigation* tabWidget);

protected:
    void updateCurrentValue(const QVariant& value) override;

private:
    QPointer<QSimpleSliderNavigation> m_tabWidget;
};
