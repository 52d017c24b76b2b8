#pragma once

#include "ferrowix_export.h"

#include <QRectF>
#include <QWidget>

#include <memory>

class QTopSliderNavigationPrivate;

// A painted bar of page names; a translucent slider glides to the current one.
class FERROWIX_EXPORT QTopSliderNavigation : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QRectF sliderGeometry READ sliderGeometry WRITE setSliderGeometry)

public:
    explicit QTopSliderNavigation(QWidget* parent = nullptr);
    ~QTopSliderNavigation() override;

    void addItem(const QString& text);
    // Empties the items only: the selection and the minimum size stay.
    void clearItem();
    int setCurrentIndex(int index);
    int setItemVisible(int index, bool visible);

    void setItemSize(const QSize& size);
    void setSpace(int space);
    void setLineColor(const QColor& color);
    void setItemColor(const QColor& color);
    void setCurrentItemColor(const QColor& color);
    void setLineWidth(int width);
    void setSelectItemLineWidth(int width);

    void setSliderGeometry(const QRectF& rect);
    const QRectF& sliderGeometry() const;

signals:
    void itemClicked(int index);

protected:
    void drawItemBackground(QPainter* painter);
    void drawItemLine(QPainter* painter);
    void drawText(QPainter* painter);

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::unique_ptr<QTopSliderNavigationPrivate> d;
};
