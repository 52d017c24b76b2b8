#pragma once

// Helpers shared by the tests of the client's dialogs and widgets.

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QMouseEvent>
#include <QTranslator>
#include <QWidget>

#include <memory>

namespace DialogTestSupport {

// The application style sheet, applied as the program does at start-up.
inline bool applyApplicationStyleSheet()
{
    QFile file(QStringLiteral(":/stylesheet.css"));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    qApp->setStyleSheet(QString::fromUtf8(file.readAll()));
    return true;
}

// Installs the program's English translation ("corvane_en.qm" next to the
// programs) for the life of the returned object; null when it does not load.
inline std::unique_ptr<QTranslator> installEnglish()
{
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral(CORVANE_BIN_DIR "/corvane_en.qm")))
        return nullptr;
    QCoreApplication::installTranslator(translator.get());
    return translator;
}

inline QColor pixelOf(QWidget& widget, const QPoint& at)
{
    return widget.grab().toImage().pixelColor(at);
}

// A mouse event as the window system delivers it, with the held buttons.
inline void sendMouse(QWidget* target, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held,
                      const QPoint& local)
{
    QMouseEvent event(type, local, target->mapToGlobal(local), button, held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

} // namespace DialogTestSupport
