#pragma once

#include "ferrowix_export.h"

#include <QTabWidget>

#include <memory>

class TabBarAnimation;

// A flat tab widget whose blue underline slides to a tab clicked with the left button.
class FERROWIX_EXPORT QSimpleSliderNavigation : public QTabWidget
{
    Q_OBJECT

public:
    explicit QSimpleSliderNavigation(QWidget* parent = nullptr);
    ~QSimpleSliderNavigation() override;

    void setAnimationCurrentValue(int value);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void startAnimation(int start, int end, int duration);

    std::unique_ptr<TabBarAnimation> m_animation;
    int m_animationValue = -1;
};
