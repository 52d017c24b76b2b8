#pragma once

#include <QColor>
#include <QHeaderView>

// The header of the client's tables: section 0 of a horizontal header can
// carry a check-all box, and sections are divided by short vertical lines.
class QClickabledHeaderView : public QHeaderView
{
    Q_OBJECT

public:
    QClickabledHeaderView(Qt::Orientation orientation, QWidget* parent = nullptr);

    void setCheckable(bool checkable);
    bool isCheckable() const { return m_bCheckable; }
    // Changes the box without emitting headerCheckBoxToggled.
    void setChecked(bool checked);
    bool isChecked() const { return m_bChecked; }
    void setLineColor(const QColor& color);
    QColor lineColor() const { return m_lineColor; }

    // The style's check-box indicator, centred in `sectionRect`.
    QRect checkBoxRect(const QRect& sectionRect) const;

signals:
    void headerCheckBoxToggled(bool bcheck);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    bool m_bCheckable = true;
    bool m_bChecked = false;
    QColor m_lineColor = QColor(219, 219, 231, 255);
};
