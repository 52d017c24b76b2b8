// The anchor of bench_startup: the least a Qt Widgets program with the
// client's style sheet does before its first paint. It links Qt Widgets and
// the client's resources only, so the libraries it loads are the floor any
// client start pays. Prints the first-paint line at its first paint and quits.
#include "FirstPaintProbe.h"

#include "core/RasterOnlyWindows.h"

#include <QApplication>
#include <QFile>
#include <QMainWindow>

int main(int argc, char** argv)
{
    UseRasterOnlyWindows(); // as the client does, so both pay the same
    QApplication application(argc, argv);
    QFile styleSheet(QStringLiteral(":/stylesheet.css"));
    if (!styleSheet.open(QIODevice::ReadOnly))
        return 2; // an anchor without the style sheet would be too easy to beat
    application.setStyleSheet(QString::fromUtf8(styleSheet.readAll()));
    QMainWindow window;
    window.resize(1387, 854);
    new FirstPaintProbe(&window);
    window.show();
    return QApplication::exec();
}
