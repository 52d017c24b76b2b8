// Shows every widget in a real window and saves a picture of each look, so a
// person can review them: build/widget-screenshots/<widget>-<state>.png.
#include "QClickableLabel.h"
#include "QDateLineEdit.h"
#include "QIconPushButton.h"
#include "QPictureButton.h"
#include "QRangeCalendarPopup.h"
#include "QRangeCalendarWidget.h"
#include "QRangeDateTimeEditWithPopup.h"
#include "QScrollTime.h"
#include "QSimpleSliderNavigation.h"
#include "QStyledCalendarWidget.h"
#include "QSwitchButton.h"
#include "QTimeLineEdit.h"
#include "QTopSliderNavigation.h"
#include "WidgetTestSupport.h"

#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QtTest>

#include <functional>
#include <set>

class TestWidgetScreenshots : public QObject
{
    Q_OBJECT

private:
    QDir m_dir;

    // Shows `widget`, lets `prepare` put it into a state, saves it and checks it
    // is a picture with something drawn on it.
    void shoot(QWidget& widget, const QString& name, const std::function<void()>& prepare = {})
    {
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
        if (prepare)
            prepare();
        QCoreApplication::processEvents();
        const QImage image = widget.grab().toImage();
        QVERIFY(image.save(m_dir.filePath(name + QStringLiteral(".png"))));
        std::set<QRgb> colours;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2)
                colours.insert(image.pixel(x, y));
        QVERIFY2(colours.size() > 2, qPrintable(name));
    }

private slots:
    void initTestCase()
    {
        const QString dir = qEnvironmentVariable("FERROWIX_SCREENSHOT_DIR", QDir::current().filePath(QStringLiteral("widget-screenshots")));
        QVERIFY(QDir().mkpath(dir));
        m_dir = QDir(dir);
    }

    void navigation()
    {
        QWidget background;
        background.setStyleSheet(QStringLiteral("background: rgb(30, 60, 100);"));
        background.resize(340, 48);
        auto* bar = new QTopSliderNavigation(&background);
        for (const char* name : {"实时监控", "记录查询", "系统配置"})
            bar->addItem(QString::fromUtf8(name));
        bar->resize(312, 48);
        bar->setCurrentIndex(1);
        shoot(background, QStringLiteral("QTopSliderNavigation"));

        QSimpleSliderNavigation tabs;
        for (const char* name : {"事件", "违法", "交通参数"})
            tabs.addTab(new QLabel(), QString::fromUtf8(name));
        tabs.resize(360, 120);
        shoot(tabs, QStringLiteral("QSimpleSliderNavigation"));
    }

    void switches()
    {
        for (const bool on : {true, false}) {
            QSwitchButton button;
            button.resize(64, 32);
            button.setShowText(true);
            button.setSwitchState(on ? QSwitchButton::on : QSwitchButton::off);
            shoot(button, QStringLiteral("QSwitchButton-%1").arg(on ? "on" : "off"));
        }
    }

    void pictureButton_data()
    {
        QTest::addColumn<QString>("state");
        for (const char* state : {"normal", "hover", "pressed", "checked", "disabled"})
            QTest::newRow(state) << QString::fromLatin1(state);
    }

    void pictureButton()
    {
        QFETCH(QString, state);
        QPictureButton button;
        button.setText(QStringLiteral("查询"));
        // The calendar picture in white, to stand out on the button's colours.
        QPixmap white(QStringLiteral(":/images/Calendar/calendar"));
        QPainter tint(&white);
        tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
        tint.fillRect(white.rect(), Qt::white);
        tint.end();
        for (auto set : {&QPictureButton::SetIconNormal, &QPictureButton::SetIconHot, &QPictureButton::SetIconPushed,
                         &QPictureButton::SetIconCheckedHot})
            (button.*set)(white);
        button.SetIconDisabled(QPixmap(QStringLiteral(":/images/Calendar/calendar")));
        button.setIconSize(QSize(20, 20));
        button.SetIconSpace(12);
        button.resize(96, 32);
        shoot(button, QStringLiteral("QPictureButton-") + state, [&] {
            if (state == QLatin1String("hover"))
                WidgetTestSupport::enter(button);
            else if (state == QLatin1String("pressed"))
                button.setDown(true);
            else if (state == QLatin1String("checked")) {
                button.setCheckable(true);
                button.setChecked(true);
            } else if (state == QLatin1String("disabled"))
                button.setEnabled(false);
        });
    }

    void iconButtons()
    {
        QWidget row;
        row.setStyleSheet(QStringLiteral("background: white;"));
        row.resize(140, 24);
        int x = 4;
        for (const char* name : {"calendar", "yp", "mp", "mn", "yn"}) {
            auto* button = new QIconPushButton(&row);
            button->setPicName(QStringLiteral(":/images/Calendar/") + QLatin1String(name));
            button->move(x, 2);
            x += button->width() + 6;
        }
        auto* close = new QIconPushButton(&row);
        close->setPicComposited(true);
        close->setPicName(QStringLiteral(":/images/close"));
        close->move(x, 4);
        shoot(row, QStringLiteral("QIconPushButton"));
    }

    void fieldsAndLabel()
    {
        QWidget row;
        row.setStyleSheet(QStringLiteral("QLineEdit {border:1px solid #D3DCE6;padding:3px;border-radius:2px;}"));
        row.resize(330, 40);
        auto* date = new QDateLineEdit(&row);
        date->setGeometry(6, 6, 108, 28);
        date->setDate(QDate::currentDate());
        auto* time = new QTimeLineEdit(&row);
        time->setGeometry(120, 6, 108, 28);
        time->setTime(QTime(13, 5, 0));
        auto* label = new QClickableLabel(&row);
        label->setText(QStringLiteral("2026年"));
        label->setGeometry(240, 6, 80, 28);
        shoot(row, QStringLiteral("QDateLineEdit-QTimeLineEdit-QClickableLabel"));
    }

    void calendars()
    {
        QStyledCalendarWidget days;
        days.setSelectedDate(QDate::currentDate());
        shoot(days, QStringLiteral("QStyledCalendarWidget-days"));
        QStyledCalendarWidget months(nullptr, QStyledCalendarWidget::MonthCalendar);
        months.setSelectedDate(QDate::currentDate());
        shoot(months, QStringLiteral("QStyledCalendarWidget-months"));
        QStyledCalendarWidget decade(nullptr, QStyledCalendarWidget::YearCalendar);
        decade.setSelectedDate(QDate::currentDate());
        shoot(decade, QStringLiteral("QStyledCalendarWidget-decade"));
    }

    void timePicker()
    {
        QScrollTime picker(nullptr, Qt::WindowFlags());
        picker.setTime(QTime(13, 5, 0));
        shoot(picker, QStringLiteral("QScrollTime"), [] { QTest::qWait(50); });
    }

    void rangeCalendar()
    {
        QRangeCalendarWidget range;
        const QDate today = QDate::currentDate();
        range.setDateTime(QDateTime(today.addDays(-3), QTime(8, 0)), QDateTime(today, QTime(18, 30)));
        shoot(range, QStringLiteral("QRangeCalendarWidget"));
    }

    void rangeEdit()
    {
        QWidget window;
        window.resize(400, 420);
        auto* edit = new QRangeDateTimeEditWithPopup(&window);
        edit->setGeometry(10, 10, 350, 32);
        shoot(window, QStringLiteral("QRangeDateTimeEditWithPopup"));
        auto* popup = edit->findChild<QRangeCalendarPopup*>();
        QTest::mouseClick(edit->findChild<QIconPushButton*>(), Qt::LeftButton, {}, QPoint(2, 2));
        QTRY_VERIFY_WITH_TIMEOUT(popup->isVisible(), 5000);
        QTest::qWait(100); // the arrows move over their columns once the bar is laid out
        const QImage image = popup->grab().toImage();
        QVERIFY(image.save(m_dir.filePath(QStringLiteral("QRangeDateTimeEditWithPopup-open.png"))));
    }
};

QTEST_MAIN(TestWidgetScreenshots)
#include "test_widget_screenshots.moc"
