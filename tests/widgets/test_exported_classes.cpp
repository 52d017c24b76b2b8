// Links the shared library only, as the client does: the exported classes
// must be usable from outside, and a class of the program that happens to share
// a name with one of the library's internal classes must not replace it.
#include "QIconPushButton.h"
#include "PromptTip.h"
#include "QPictureButton.h"
#include "QRangeDateTimeEditWithPopup.h"
#include "QSimpleSliderNavigation.h"
#include "QSwitchButton.h"
#include "QTopSliderNavigation.h"
#include "QTreeNavigation.h"
#include "ui_range_form.h"

#include <QtUiPlugin/QDesignerCustomWidgetCollectionInterface>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QListWidgetItem>
#include <QPluginLoader>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTreeWidget>
#include <QtTest>

// The client has a class of this name too; this one counts its constructions
// and, unlike the library's, never reports a click.
static int g_programLabels = 0;

class QClickableLabel : public QLabel
{
public:
    explicit QClickableLabel(QWidget* parent = nullptr);
    ~QClickableLabel() override;
    int programOnly[64] = {};
};

// Out of line, as the library's are, so that the two would meet at load time.
QClickableLabel::QClickableLabel(QWidget* parent) : QLabel(parent)
{
    ++g_programLabels;
}

QClickableLabel::~QClickableLabel() = default;

// Likewise for a widget the library offers only to Qt Designer.
static int g_programTables = 0;

class QCustomTableWidget : public QTableWidget
{
public:
    explicit QCustomTableWidget(QWidget* parent = nullptr);
    ~QCustomTableWidget() override;
};

QCustomTableWidget::QCustomTableWidget(QWidget* parent) : QTableWidget(parent)
{
    ++g_programTables;
}

QCustomTableWidget::~QCustomTableWidget() = default;

// The client carries its own floating tip window of this name as well.
static int g_programTips = 0;

class QPromptWidget : public QWidget
{
public:
    explicit QPromptWidget(QWidget* parent = nullptr);
    ~QPromptWidget() override;
};

QPromptWidget::QPromptWidget(QWidget* parent) : QWidget(parent)
{
    ++g_programTips;
}

QPromptWidget::~QPromptWidget() = default;

class TestExportedClasses : public QObject
{
    Q_OBJECT

private slots:
    void sevenClassesAreUsable()
    {
        QTopSliderNavigation top;
        top.addItem(QStringLiteral("实时"));
        QCOMPARE(top.setCurrentIndex(0), 0);
        QSimpleSliderNavigation tabs;
        tabs.addTab(new QWidget(), QStringLiteral("事件"));
        QCOMPARE(tabs.count(), 1);
        QSwitchButton switchButton;
        switchButton.setSwitchState(QSwitchButton::off);
        QCOMPARE(switchButton.property("switchState").toInt(), 1);
        QPictureButton picture;
        QCOMPARE(picture.text(), QStringLiteral("pictureButton"));
        QIconPushButton icon;
        icon.setPicName(QStringLiteral(":/images/Calendar/calendar"));
        QVERIFY(!icon.size().isEmpty()); // the library's pictures travel with it

        QRangeDateTimeEditWithPopup range;
        QRangeEditWithPopupBase& base = range;
        QCOMPARE(base.sizeHint(), QSize(350, 32));
        QList<QListWidgetItem*> items;
        base.getShortCutDateItem(items);
        QCOMPARE(items.size(), 7);
        QDateTime begin;
        QDateTime end;
        range.getDateTime(begin, end);
        QCOMPARE(begin.time(), QTime(0, 0, 0));
        QVERIFY(qobject_cast<QRangeEditWithPopupBase*>(&range));
        QCOMPARE(range.metaObject()->className(), "QRangeDateTimeEditWithPopup");
    }

    void treeNavigationIsUsable()
    {
        QTreeNavigation menu;
        QTreeWidgetItem* device = menu.addTopLevelItem(QStringLiteral("设备管理"));
        QVERIFY(menu.addSubLevelItem(device, QStringLiteral("添加设备")));
        QCOMPARE(menu.GetTreeWidget()->topLevelItemCount(), 1);
        QCOMPARE(device->childCount(), 1);
    }

    void promptTipIsUsable()
    {
        QWidget anchor;
        anchor.resize(400, 200);
        anchor.show();
        PromptTip::showText(PromptTip::Success, QStringLiteral("保存成功"), &anchor, QPoint(), 5000);
        QWidget* tip = nullptr;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->objectName() == QLatin1String("qprompt_tip") && window->isVisible())
                tip = window;
        }
        QVERIFY(tip);
        auto* label = tip->findChild<QLabel*>(QStringLiteral("labelText"));
        QVERIFY(label);
        QCOMPARE(label->text(), QStringLiteral("保存成功"));
        QCOMPARE(g_programTips, 0); // the library's window, not the program's class of that name
        PromptTip::showText(PromptTip::Success, QString(), &anchor, QPoint(), 0);
        QTRY_VERIFY(QApplication::topLevelWidgets().indexOf(tip) < 0);

        QPromptWidget own;
        QCOMPARE(g_programTips, 1);
    }

    // Qt Designer names the range edit's include file after the date-only edit;
    // code generated from such a form must compile and build the range edit.
    void formIncludesRangeEditByDesignerHeader()
    {
        QWidget form;
        Ui::RangeForm ui;
        ui.setupUi(&form);
        QDateTime begin;
        QDateTime end;
        ui.rangeDateTimeEdit->getDateTime(begin, end);
        QCOMPARE(end.time(), QTime(23, 59, 59));
    }

    void programClassDoesNotReplaceLibraryClass()
    {
        QRangeDateTimeEditWithPopup range;
        QCOMPARE(g_programLabels, 0);
        QWidget* popup = nullptr;
        for (QWidget* child : range.findChildren<QWidget*>()) {
            if (child->inherits("QRangeCalendarWidget"))
                popup = child;
        }
        QVERIFY(popup);
        auto* yearLabel = popup->findChild<QLabel*>(QStringLiteral("labelYear"));
        QVERIFY(yearLabel);
        QVERIFY(yearLabel->metaObject()->indexOfSignal("clicked()") >= 0);
        QSignalSpy clicked(yearLabel, SIGNAL(clicked()));
        QTest::mouseClick(yearLabel, Qt::LeftButton);
        QCOMPARE(clicked.count(), 1);
        QVERIFY(yearLabel->text().contains(QLatin1Char('-'))); // the calendar switched to its decade view

        QClickableLabel own;
        QCOMPARE(g_programLabels, 1);
    }

    void designerWidgetsStayTheLibrarys()
    {
        QPluginLoader loader(QStringLiteral(FERROWIX_LIBRARY));
        auto* collection = qobject_cast<QDesignerCustomWidgetCollectionInterface*>(loader.instance());
        QVERIFY2(collection, qPrintable(loader.errorString()));
        QDesignerCustomWidgetInterface* tablePlugin = nullptr;
        for (QDesignerCustomWidgetInterface* plugin : collection->customWidgets()) {
            if (plugin->name() == QLatin1String("QCustomTableWidget"))
                tablePlugin = plugin;
        }
        QVERIFY(tablePlugin);
        std::unique_ptr<QWidget> table(tablePlugin->createWidget(nullptr));
        QCOMPARE(g_programTables, 0);
        // The library's table, with its check-box header.
        auto* view = qobject_cast<QTableView*>(table.get());
        QVERIFY(view && view->horizontalHeader()->inherits("QClickabledHeaderView"));

        QCustomTableWidget own;
        QCOMPARE(g_programTables, 1);
    }
};

QTEST_MAIN(TestExportedClasses)
#include "test_exported_classes.moc"
