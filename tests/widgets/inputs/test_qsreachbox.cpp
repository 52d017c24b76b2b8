#include "QSreachBox.h"

#include <QToolButton>
#include <QtTest>

class TestQSreachBox : public QObject
{
    Q_OBJECT

private slots:
    void buttonEmitsText_data();
    void buttonEmitsText();
    void returnDoesNotSearch();
};

void TestQSreachBox::buttonEmitsText_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty field") << "";
    QTest::newRow("plate") << QStringLiteral("京A12345");
}

void TestQSreachBox::buttonEmitsText()
{
    QFETCH(QString, text);
    QSreachBox box;
    box.resize(200, 30);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    box.setText(text);
    QSignalSpy searched(&box, &QSreachBox::searchTriggered);

    auto* button = box.findChild<QToolButton*>();
    QVERIFY(button);
    QVERIFY(button->isVisible());
    QTest::mouseClick(button, Qt::LeftButton);

    QCOMPARE(searched.count(), 1);
    QCOMPARE(searched.first().first().toString(), text);
}

void TestQSreachBox::returnDoesNotSearch()
{
    QSreachBox box;
    QSignalSpy searched(&box, &QSreachBox::searchTriggered);
    QSignalSpy returned(&box, &QLineEdit::returnPressed);
    QTest::keyClicks(&box, "abc");
    QTest::keyClick(&box, Qt::Key_Return);
    QCOMPARE(returned.count(), 1);
    QCOMPARE(searched.count(), 0);
}

QTEST_MAIN(TestQSreachBox)
#include "test_qsreachbox.moc"
