#pragma once

// What the search page's tests look at as the operator does: the toast, a
// double click, the application style sheet and the interface language.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QTranslator>
#include <QtTest>
#include <QWidget>

namespace PageTestSupport {

// The current toast's text, empty when none is shown.
inline QString ToastText()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QLatin1String("qprompt_tip") && widget->isVisible()) {
            if (const QLabel* message = widget->findChild<QLabel*>(QStringLiteral("labMsg")))
                return message->text();
        }
    }
    return QString();
}

inline void CloseToasts()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == QLatin1String("qprompt_tip"))
            widget->close();
}

// A double click in the middle of the widget, through its event filters.
inline void DoubleClick(QWidget* widget)
{
    const QPoint centre = widget->rect().center();
    QMouseEvent event(QEvent::MouseButtonDblClick, centre, widget->mapToGlobal(centre), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// The application style sheet, applied as the program does at start-up.
inline bool ApplyStyleSheet()
{
    QFile styleSheet(QStringLiteral(":/stylesheet.css"));
    if (!styleSheet.open(QIODevice::ReadOnly))
        return false;
    qApp->setStyleSheet(QString::fromUtf8(styleSheet.readAll()));
    return true;
}

// The program's translation "zh" or "en", installed while the object lives.
class Language
{
public:
    explicit Language(const QString& language)
    {
        loaded =
            translator.load(QCoreApplication::applicationDirPath() + QStringLiteral("/corvane_%1.qm").arg(language));
        if (loaded)
            QCoreApplication::installTranslator(&translator);
    }
    ~Language() { QCoreApplication::removeTranslator(&translator); }
    bool Loaded() const { return loaded; }

private:
    QTranslator translator;
    bool loaded = false;
};

// The data rows of a test run in each interface language: column "language".
inline void AddLanguageRows()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("Chinese") << "zh";
    QTest::newRow("English") << "en";
}

// The folder the search page's screenshots go to, made when missing.
inline QDir ScreenshotFolder()
{
    const QDir out(QCoreApplication::applicationDirPath() + QStringLiteral("/../search-screenshots"));
    out.mkpath(QStringLiteral("."));
    return out;
}

} // namespace PageTestSupport
