#pragma once

#include <QPixmap>
#include <QWidget>

// A dimming layer over a host widget: a snapshot of the host under a
// translucent black fill, kept to the host's size while visible.
class QLightBoxWidget : public QWidget
{
    Q_OBJECT

public:
    QLightBoxWidget(QWidget* parent, bool toTopWidget = false);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void Refresh();

    bool m_bUpdating = false;
    QPixmap m_hostSnapshot;
};
