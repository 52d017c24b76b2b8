// Shows every widget in a real window and saves a picture of each look, so a
// person can review them: build/widget-screenshots/<widget>-<state>.png.
// Widgets with a pop-up are also shot open, from the screen as the X server
// shows them (no compositing manager runs there).
#include "CalendarGrid.h"
#include "ComboArrowGeometry.h"
#include "PromptTip.h"
#include "QCheckListComboBox.h"
#include "QCheckListPopup.h"
#include "QCheckableComboBox.h"
#include "QClickableLabel.h"
#include "QCustomTableWidget.h"
#include "QDateTimeCalendarWidget.h"
#include "QDateTimeEditWithPopup.h"
#include "QIP4LineEdit.h"
#include "QPassWordEdit.h"
#include "QRangeDateEditWithPopup.h"
#include "QScrollTimePopup.h"
#include "QSpecificLineEdit.h"
#include "QSreachBox.h"
#include "QStyledComboBox.h"
#include "QTreeNavigation.h"
#include "QVerifyLineEdit.h"
#include "QYearMonthCalendarView.h"
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

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QStandardItemModel>
#include <QTreeWidget>
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

    static int distinctColours(const QImage& image)
    {
        std::set<QRgb> colours;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2)
                colours.insert(image.pixel(x, y));
        return int(colours.size());
    }

    static QImage onScreen(const QRect& area)
    {
        return QGuiApplication::primaryScreen()
            ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
            .toImage();
    }

    // The window `host` with its open pop-up `popup`, as the screen shows them
    // together: a pop-up is a window of its own, which host.grab() leaves out.
    void shootOpen(QWidget& host, QWidget* popup, const QString& name)
    {
        QTRY_VERIFY_WITH_TIMEOUT(popup->isVisible(), 5000);
        QVERIFY(QTest::qWaitForWindowExposed(popup));
        // Painted once the pop-up's own area shows more than a blank.
        QTRY_VERIFY_WITH_TIMEOUT(distinctColours(onScreen(popup->geometry())) > 2, 5000);
        const QRect area = host.frameGeometry().united(popup->geometry());
        const QImage image = onScreen(area);
        QVERIFY(image.save(m_dir.filePath(name + QStringLiteral(".png"))));
    }

    // A host window on a plain background, large enough for a pop-up below its widgets.
    static void prepareHost(QWidget& host, const QSize& size)
    {
        host.setStyleSheet(QStringLiteral("QWidget#host {background: rgb(240, 242, 245);}"));
        host.setObjectName(QStringLiteral("host"));
        host.resize(size);
        host.move(QGuiApplication::primaryScreen()->availableGeometry().topLeft() + QPoint(40, 40));
    }

private slots:
    void initTestCase()
    {
        const QString dir = qEnvironmentVariable("FERROWIX_SCREENSHOT_DIR",
                                                 QDir::current().filePath(QStringLiteral("widget-screenshots")));
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
        // In Chinese, whatever the machine's own locale.
        const QLocale chinese(QLocale::Chinese, QLocale::China);
        QStyledCalendarWidget days;
        days.setLocale(chinese);
        days.setSelectedDate(QDate::currentDate());
        shoot(days, QStringLiteral("QStyledCalendarWidget-days"));
        QStyledCalendarWidget months(nullptr, QStyledCalendarWidget::MonthCalendar);
        months.setLocale(chinese);
        months.setSelectedDate(QDate::currentDate());
        shoot(months, QStringLiteral("QStyledCalendarWidget-months"));
        QStyledCalendarWidget decade(nullptr, QStyledCalendarWidget::YearCalendar);
        decade.setLocale(chinese);
        decade.setSelectedDate(QDate::currentDate());
        shoot(decade, QStringLiteral("QStyledCalendarWidget-decade"));
    }

    void calendarsInEnglish()
    {
        const QLocale english(QLocale::English, QLocale::UnitedStates);
        for (const auto type : {QStyledCalendarWidget::DateCalendar, QStyledCalendarWidget::MonthCalendar}) {
            QStyledCalendarWidget calendar(nullptr, type);
            calendar.setLocale(english);
            calendar.setSelectedDate(QDate(2026, 9, 14));
            shoot(calendar, QStringLiteral("QStyledCalendarWidget-%1-en")
                                .arg(type == QStyledCalendarWidget::DateCalendar ? "days" : "months"));
        }
        QYearMonthCalendarView months;
        months.setLocale(english);
        months.initCalendarType(CalendarGrid::Months);
        months.resize(300, 200);
        shoot(months, QStringLiteral("QYearMonthCalendarView-months-en"));
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
    void rangeDateEditOpen()
    {
        QWidget host;
        prepareHost(host, QSize(640, 400));
        auto* edit = new QRangeDateEditWithPopup(&host);
        edit->setGeometry(10, 10, 260, 32);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        QTest::mouseClick(edit->findChild<QIconPushButton*>(), Qt::LeftButton, {}, QPoint(2, 2));
        shootOpen(host, edit->findChild<QRangeCalendarPopup*>(), QStringLiteral("QRangeDateEditWithPopup-open"));
    }

    void treeNavigation()
    {
        QTreeNavigation menu;
        menu.resize(260, 400);
        QTreeWidgetItem* devices = menu.addTopLevelItem(QStringLiteral("设备管理"));
        menu.addSubLevelItem(devices, QStringLiteral("设备列表"));
        QTreeWidgetItem* adding = menu.addSubLevelItem(devices, QStringLiteral("添加设备"));
        QTreeWidgetItem* settings = menu.addTopLevelItem(QStringLiteral("系统设置"));
        menu.addSubLevelItem(settings, QStringLiteral("存储路径"));
        menu.addTopLevelItem(QStringLiteral("关于"));
        devices->setExpanded(true);
        menu.GetTreeWidget()->setCurrentItem(adding);
        shoot(menu, QStringLiteral("QTreeNavigation-open"));
    }

    void promptTip_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("text");
        QTest::newRow("tip") << int(PromptTip::Tip) << QStringLiteral("正在连接设备，请稍候");
        QTest::newRow("warning") << int(PromptTip::Warning) << QStringLiteral("请输入正确的IP地址");
        QTest::newRow("failure") << int(PromptTip::Failure) << QStringLiteral("登录失败：用户名或密码错误");
        QTest::newRow("success") << int(PromptTip::Success) << QStringLiteral("Settings saved");
    }

    void promptTip()
    {
        QFETCH(int, type);
        QFETCH(QString, text);
        QWidget host;
        prepareHost(host, QSize(400, 120));
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        PromptTip::showText(PromptTip::MsgType(type), text, &host, QPoint(), 10000);
        // Guarded: the tip deletes itself once it has closed.
        QPointer<QWidget> tip;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->objectName() == QLatin1String("qprompt_tip") && window->isVisible())
                tip = window;
        }
        QVERIFY(tip);
        shootOpen(host, tip, QStringLiteral("PromptTip-") + QLatin1String(QTest::currentDataTag()));
        PromptTip::showText(PromptTip::MsgType(type), QString(), &host, QPoint(), 0);
        QTRY_VERIFY(tip.isNull());
    }

    void dateTimePicker()
    {
        QWidget host;
        prepareHost(host, QSize(420, 430));
        auto* edit = new QDateTimeEditWithPopup(QDateTime(QDate(2026, 3, 18), QTime(13, 5, 0)), &host);
        edit->setGeometry(10, 10, 220, 32);
        shoot(host, QStringLiteral("QDateTimeEditWithPopup"));
        QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(20, 16));
        shootOpen(host, edit->popupWidget(), QStringLiteral("QDateTimeEditWithPopup-open"));
    }

    void timeEditOpen()
    {
        QWidget host;
        prepareHost(host, QSize(260, 330));
        auto* edit = new QTimeLineEdit(&host);
        edit->setGeometry(10, 10, 120, 28);
        edit->setTime(QTime(13, 5, 0));
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        QTest::mouseClick(edit, Qt::LeftButton);
        shootOpen(host, edit->popup(), QStringLiteral("QTimeLineEdit-open"));
    }

    void customTable()
    {
        QCustomTableWidget table(5, 4);
        table.setHorizontalHeaderLabels(
            {QString(), QStringLiteral("设备名称"), QStringLiteral("IP地址"), QStringLiteral("状态")});
        table.setFirstColCheckable(true);
        const char* const names[] = {"东门卡口", "西环高架", "南湖隧道", "北站匝道", "中山路口"};
        for (int row = 0; row < 5; ++row) {
            auto* check = new QTableWidgetItem();
            check->setCheckState(row == 1 ? Qt::Checked : Qt::Unchecked);
            table.setItem(row, 0, check);
            table.setItem(row, 1, new QTableWidgetItem(QString::fromUtf8(names[row])));
            table.setItem(row, 2, new QTableWidgetItem(QStringLiteral("192.168.1.%1").arg(10 + row)));
            table.setItem(row, 3, new QTableWidgetItem(row == 2 ? QStringLiteral("离线") : QStringLiteral("在线")));
        }
        table.enableColumnOrder(1, Qt::AscendingOrder);
        table.setColumnWidth(0, 40);
        table.resize(440, 230);
        shoot(table, QStringLiteral("QCustomTableWidget"));
    }

    void comboBoxesOpen()
    {
        QWidget host;
        prepareHost(host, QSize(620, 260));
        auto* styled = new QStyledComboBox(&host);
        styled->addItems(
            {QStringLiteral("全部"), QStringLiteral("事件"), QStringLiteral("违法"), QStringLiteral("交通参数")});
        styled->setGeometry(10, 10, 180, 30);
        auto* checkable = new QCheckableComboBox(&host);
        auto* model = new QStandardItemModel(checkable);
        for (const char* name : {"停车", "逆行", "行人", "抛洒物", "拥堵"}) {
            auto* item = new QStandardItem(QString::fromUtf8(name));
            item->setCheckable(true);
            model->appendRow(item);
        }
        checkable->setCheckableModel(model);
        checkable->setCheckState(model->index(0, 0), Qt::Checked);
        checkable->setCheckState(model->index(3, 0), Qt::Checked);
        checkable->setGeometry(210, 10, 180, 30);
        auto* checkList = new QCheckListComboBox(&host);
        checkList->addItem(QStringLiteral("车道一"), Qt::Checked, 1);
        checkList->addItem(QStringLiteral("车道二"), Qt::Unchecked, 2);
        checkList->addItem(QStringLiteral("车道三"), Qt::Checked, 3);
        checkList->setGeometry(410, 10, 200, 30);
        shoot(host, QStringLiteral("ComboBoxes"));

        styled->showPopup();
        shootOpen(host, styled->view()->parentWidget(), QStringLiteral("QStyledComboBox-open"));
        styled->hidePopup();
        checkable->showPopup();
        shootOpen(host, checkable->view()->parentWidget(), QStringLiteral("QCheckableComboBox-open"));
        checkable->hidePopup();
        QTest::mouseClick(checkList, Qt::LeftButton, {}, comboBoxArrowRect(checkList).center());
        shootOpen(host, checkList->findChild<QCheckListPopup*>(), QStringLiteral("QCheckListComboBox-open"));
    }

    void inputFields()
    {
        QWidget host;
        prepareHost(host, QSize(300, 330));
        auto* ip = new QIP4LineEdit(&host);
        ip->setGeometry(10, 10, 200, 30);
        ip->setStyleSheet(QStringLiteral("QIP4LineEdit {border:1px solid #D3DCE6;border-radius:2px;}"));
        ip->setIpText(QStringLiteral("192.168.10.25"));
        auto* password = new QPassWordEdit(&host);
        password->setGeometry(10, 50, 200, password->sizeHint().height());
        password->lineEdit()->setText(QStringLiteral("Abc123!x"));
        auto* correct = new QVerifyLineEdit(&host);
        correct->setGeometry(10, 110, 240, 30);
        correct->lineEdit()->setText(QStringLiteral("admin"));
        correct->updateResultState(QVerifyLineEdit::Correct);
        auto* wrong = new QVerifyLineEdit(&host);
        wrong->setGeometry(10, 150, 240, 30);
        wrong->lineEdit()->setText(QStringLiteral("12a"));
        wrong->updateResultState(QVerifyLineEdit::Wrong);
        auto* port = new QSpecificLineEdit(&host);
        port->setEditerType(QSpecificLineEdit::Port);
        port->setGeometry(10, 190, 120, 30);
        port->setText(QStringLiteral("8000"));
        auto* search = new QSreachBox(&host);
        search->setGeometry(10, 230, 240, 30);
        search->setPlaceholderText(QStringLiteral("搜索设备"));
        auto* switchButton = new QSwitchButton(&host);
        switchButton->setGeometry(10, 275, 64, 32);
        shoot(host, QStringLiteral("InputFields"));
        host.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&host));
        switchButton->setFocus();
        QTRY_VERIFY(switchButton->hasFocus());
        shoot(*switchButton, QStringLiteral("QSwitchButton-focused"));
    }
};

QTEST_MAIN(TestWidgetScreenshots)
#include "test_widget_screenshots.moc"
