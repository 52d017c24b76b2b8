#include "dialogs/QSreachBox.h"

#include <QAction>
#include <QToolButton>
#include <QtTest>

class TestSreachBox : public QObject
{
    Q_OBJECT

private:
    // The line edit shows each trailing action as a small tool button.
    static QToolButton* buttonOf(QSreachBox& box, const char* actionName)
    {
        auto* action = box.findChild<QAction*>(QLatin1String(actionName));
        for (QToolButton* button : box.findChildren<QToolButton*>())
            if (button->defaultAction() == action)
                return button;
        return nullptr;
    }

private slots:
    void searchActionEmitsTheText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("a name") << QStringLiteral("路口 3");
        QTest::newRow("empty") << QString();
    }
    void searchActionEmitsTheText()
    {
        QFETCH(QString, text);
        QSreachBox box;
        box.resize(240, 32);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QSignalSpy searched(&box, &QSreachBox::searchTriggered);
        box.setText(text);
        QToolButton* search = buttonOf(box, "actionSearch");
        QVERIFY(search);
        QTest::mouseClick(search, Qt::LeftButton);
        QCOMPARE(searched.count(), 1);
        QCOMPARE(searched.at(0).at(0).toString(), text);
    }

    void clearActionLeavesTheTextToTheListener()
    {
        QSreachBox box;
        box.resize(240, 32);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        box.setText(QStringLiteral("192.168"));
        QSignalSpy cleared(&box, &QSreachBox::searchClear);
        QTest::mouseClick(buttonOf(box, "actionClear"), Qt::LeftButton);
        QCOMPARE(cleared.count(), 1);
        QCOMPARE(box.text(), QStringLiteral("192.168"));
    }

    void actionsSitAtTheTrailingEdgeWithTheirPictures()
    {
        QSreachBox box;
        const QList<QAction*> actions = box.actions();
        QCOMPARE(actions.size(), 2);
        QCOMPARE(actions.at(0)->objectName(), QStringLiteral("actionSearch"));
        for (QAction* action : actions) {
            QVERIFY(action->text().isEmpty());
            QVERIFY(!action->icon().pixmap(16, 16, QIcon::Normal).isNull());
            QVERIFY(!action->icon().pixmap(16, 16, QIcon::Active).isNull());
            QVERIFY(action->icon().pixmap(16, 16, QIcon::Active).toImage() !=
                    action->icon().pixmap(16, 16, QIcon::Normal).toImage());
        }
    }
};

QTEST_MAIN(TestSreachBox)
#include "test_sreach_box.moc"
