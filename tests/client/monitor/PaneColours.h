#pragma once
// Whether a pane shows video: an idle pane has a handful of colours, a frame
// of video many.

#include <QImage>
#include <QSet>

// Colours that differ from the idle pane's background: video was drawn.
inline int DistinctColours(const QImage& image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 4)
        for (int x = 0; x < image.width(); x += 4)
            colours.insert(image.pixel(x, y));
    return colours.size();
}
