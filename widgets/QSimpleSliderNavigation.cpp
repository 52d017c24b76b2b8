#include "QSimpleSliderNavigation.h"

#include "TabBarAnimation.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>

namespace {
const char* const kStyleSheet = "QTabWidget {background-color: rgb(238, 243, 250);} \t\t\t\t  "
                                "QTabWidget::pane {border: none;position: relative;top:2px;} \t\t\t\t  "
                                "QTabWidget::tab-bar {border: none;} \t\t\t\t  "
                                "QTabBar::tab {border: none;min-height: 28px;min-width: 85px;} \t\t\t\t  "
                                "QTabBar::tab:hover,QTabBar::tab:selected {color: rgb(88, 187, 228);} \t\t\t\t  "
                                "QTabBar::tab:!enabled {background-color: rgb(180, 180, 180);}";
const QColor kBaselineColor(228, 231, 237);
const QColor kUnderlineColor(88, 187, 228);
constexpr int kSlideMs = 250;
} // namespace

QSimpleSliderNavigation::QSimpleSliderNavigation(QWidget* parent) : QTabWidget(parent)
{
    setStyleSheet(QString::fromLatin1(kStyleSheet));
    tabBar()->installEventFilter(this);
}

QSimpleSliderNavigation::~QSimpleSliderNavigation() = default;

void QSimpleSliderNavigation::setAnimationCurrentValue(int value)
{
    m_animationValue = value;
    update();
}

void QSimpleSliderNavigation::startAnimation(int start, int end, int duration)
{
    if (!m_animation)
        m_animation = std::make_unique<TabBarAnimation>(this);
    m_animation->stop();
    m_animation->setStartValue(start);
    m_animation->setEndValue(end);
    m_animation->setDuration(duration);
    m_animation->start(QAbstractAnimation::KeepWhenStopped);
}

bool QSimpleSliderNavigation::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != tabBar() || event->type() != QEvent::MouseButtonPress)
        return false;
    const auto* press = static_cast<QMouseEvent*>(event);
    if (press->button() != Qt::LeftButton)
        return false;
    const int pressed = tabBar()->tabAt(press->pos());
    const int current = tabBar()->currentIndex();
    if (pressed < 0 || pressed == current)
        return false;
    startAnimation(tabBar()->tabRect(current).left(), tabBar()->tabRect(pressed).left(), kSlideMs);
    return false;
}

void QSimpleSliderNavigation::paintEvent(QPaintEvent*)
{
    // The tab rectangle is in the bar's coordinates; the lines are drawn in ours.
    const QRect tab = tabBar()->tabRect(tabBar()->currentIndex()).translated(tabBar()->pos());

    QStyleOptionTabWidgetFrame option;
    initStyleOption(&option);
    option.lineWidth = 0;
    const QRect pane = style()->subElementRect(QStyle::SE_TabWidgetTabPane, &option, this);
    option.rect = pane;
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_FrameTabWidget, &option, &painter, this);

    painter.fillRect(QRect(pane.left(), tab.bottom() + 1, pane.width(), 1), kBaselineColor);
    const bool sliding = m_animation && m_animation->state() == QAbstractAnimation::Running;
    const int x = sliding ? m_animationValue + tabBar()->x() : tab.left();
    painter.fillRect(QRect(x, tab.bottom() + 1, tab.width(), 2), kUnderlineColor);
}
