#include "QIP4LineEdit.h"

#include <QApplication>
#include <QtTest>

class TestQIP4LineEdit : public QObject
{
    Q_OBJECT

private slots:
    void setIpText_data();
    void setIpText();
    void typing_data();
    void typing();
    void backspaceInEmptyOctetMovesBack();
    void arrowsMoveBetweenOctets();
    void clickBetweenOctetsTypesIntoNearestOctet_data();
    void clickBetweenOctetsTypesIntoNearestOctet();

private:
    static QList<QLineEdit*> octets(QIP4LineEdit& edit) { return edit.findChildren<QLineEdit*>(); }
    static int focusedOctet(QIP4LineEdit& edit)
    {
        return octets(edit).indexOf(qobject_cast<QLineEdit*>(QApplication::focusWidget()));
    }
    static void showAndFocusFirst(QIP4LineEdit& edit);
};

void TestQIP4LineEdit::showAndFocusFirst(QIP4LineEdit& edit)
{
    edit.resize(200, 30);
    edit.show();
    QVERIFY(QTest::qWaitForWindowActive(&edit));
    octets(edit).first()->setFocus();
    QTRY_COMPARE(focusedOctet(edit), 0);
}

void TestQIP4LineEdit::setIpText_data()
{
    QTest::addColumn<QString>("ip");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("read");

    QTest::newRow("full address") << "192.168.1.1" << true << "192.168.1.1";
    QTest::newRow("extremes") << "0.0.255.255" << true << "0.0.255.255";
    QTest::newRow("octet 256") << "256.1.1.1" << false << "10.0.0.1";
    QTest::newRow("empty octet") << "1..1.1" << false << "10.0.0.1";
    QTest::newRow("three octets") << "1.1.1" << false << "10.0.0.1";
    QTest::newRow("five octets") << "1.1.1.1.1" << false << "10.0.0.1";
    QTest::newRow("trailing space") << "1.1.1.1 " << false << "10.0.0.1";
    QTest::newRow("inner space") << "1.1. 1.1" << false << "10.0.0.1";
    QTest::newRow("leading zeros are dropped") << "010.001.000.09" << true << "10.1.0.9";
}

void TestQIP4LineEdit::setIpText()
{
    QFETCH(QString, ip);
    QFETCH(bool, accepted);
    QFETCH(QString, read);

    QIP4LineEdit edit;
    QCOMPARE(edit.getIpText(), QStringLiteral("..."));
    QVERIFY(edit.setIpText(QStringLiteral("10.0.0.1")));
    QCOMPARE(edit.setIpText(ip), accepted);
    QCOMPARE(edit.getIpText(), read);
}

void TestQIP4LineEdit::typing_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<int>("focus");

    // "H" stands for the Home key.
    QTest::newRow("three digits stay") << "192"
                                       << "192..." << 0;
    QTest::newRow("fourth digit moves on and is dropped") << "1921"
                                                          << "192..." << 1;
    QTest::newRow("typing goes on in the next octet") << "19216"
                                                      << "192.6.." << 1;
    QTest::newRow("26 then a digit moves on") << "265"
                                              << "26..." << 1;
    QTest::newRow("250 stays") << "250"
                               << "250..." << 0;
    QTest::newRow("259 is refused") << "259"
                                    << "25..." << 0;
    QTest::newRow("dot in empty octet does nothing") << "."
                                                     << "..." << 0;
    QTest::newRow("dots move on") << "1.2.3.4"
                                  << "1.2.3.4" << 3;
    QTest::newRow("dot in the last octet stays") << "1.2.3.4."
                                                 << "1.2.3.4" << 3;
    QTest::newRow("no digit after a leading 0") << "05"
                                                << "0..." << 0;
    QTest::newRow("no second 0") << "00"
                                 << "0..." << 0;
    QTest::newRow("no 0 before an octet") << "25H0"
                                          << "25..." << 0;
    QTest::newRow("0 inside an octet") << "25H"
                                          "\x01"
                                          "0"
                                       << "205..." << 0;
    QTest::newRow("0 at the end of an octet") << "10"
                                                 "0"
                                              << "100..." << 0;
}

void TestQIP4LineEdit::typing()
{
    QFETCH(QString, keys);
    QFETCH(QString, ip);
    QFETCH(int, focus);

    QIP4LineEdit edit;
    showAndFocusFirst(edit);
    for (const QChar key : keys) {
        QWidget* target = QApplication::focusWidget();
        if (key == QLatin1Char('H'))
            QTest::keyClick(target, Qt::Key_Home);
        else if (key == QChar(1))
            QTest::keyClick(target, Qt::Key_Right);
        else
            QTest::keyClick(target, key.toLatin1());
    }
    QCOMPARE(edit.getIpText(), ip);
    QCOMPARE(focusedOctet(edit), focus);
}

void TestQIP4LineEdit::backspaceInEmptyOctetMovesBack()
{
    QIP4LineEdit edit;
    showAndFocusFirst(edit);
    const QList<QLineEdit*> parts = octets(edit);
    parts[1]->setText(QStringLiteral("22"));
    parts[2]->setFocus();
    QTRY_COMPARE(focusedOctet(edit), 2);

    QTest::keyClick(parts[2], Qt::Key_Backspace);
    QCOMPARE(focusedOctet(edit), 1);
    QCOMPARE(parts[1]->cursorPosition(), 2);
    QCOMPARE(parts[1]->text(), QStringLiteral("22"));
}

void TestQIP4LineEdit::arrowsMoveBetweenOctets()
{
    QIP4LineEdit edit;
    showAndFocusFirst(edit);
    QVERIFY(edit.setIpText(QStringLiteral("1.22.3.4")));
    const QList<QLineEdit*> parts = octets(edit);
    parts[0]->setCursorPosition(1);

    QTest::keyClick(parts[0], Qt::Key_Right);
    QCOMPARE(focusedOctet(edit), 1);
    QCOMPARE(parts[1]->cursorPosition(), 0);

    QTest::keyClick(parts[1], Qt::Key_Left);
    QCOMPARE(focusedOctet(edit), 0);
    QCOMPARE(parts[0]->cursorPosition(), 1);

    parts[3]->setFocus();
    QTRY_COMPARE(focusedOctet(edit), 3);
    parts[3]->setCursorPosition(1);
    QTest::keyClick(parts[3], Qt::Key_Right);
    QCOMPARE(focusedOctet(edit), 3);
}

void TestQIP4LineEdit::clickBetweenOctetsTypesIntoNearestOctet_data()
{
    QTest::addColumn<int>("gapAfter"); // -1: the left margin
    QTest::addColumn<int>("offset");   // from the end of that octet
    QTest::addColumn<int>("octet");
    QTest::addColumn<QString>("ip");

    QTest::newRow("left margin") << -1 << 0 << 0 << "12...";
    QTest::newRow("just after octet 1") << 0 << 2 << 0 << "12...";
    QTest::newRow("just before octet 3") << 1 << 8 << 2 << "..12.";
    QTest::newRow("just after octet 4") << 3 << 1 << 3 << "...12";
}

// The outer edit is a frame only: what is typed after a click anywhere on it
// must land in an octet, never in the frame where nobody sees it.
void TestQIP4LineEdit::clickBetweenOctetsTypesIntoNearestOctet()
{
    QFETCH(int, gapAfter);
    QFETCH(int, offset);
    QFETCH(int, octet);
    QFETCH(QString, ip);

    QIP4LineEdit edit;
    edit.resize(200, 30);
    edit.show();
    QVERIFY(QTest::qWaitForWindowActive(&edit));
    const int x = gapAfter < 0 ? 0 : octets(edit).at(gapAfter)->geometry().right() + offset;
    QTest::mouseClick(&edit, Qt::LeftButton, {}, QPoint(x, edit.height() / 2));
    QTRY_COMPARE(focusedOctet(edit), octet);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("12"));
    QCOMPARE(edit.getIpText(), ip);
    QCOMPARE(edit.text(), QString());
    QVERIFY(QApplication::focusWidget() != &edit);
}

QTEST_MAIN(TestQIP4LineEdit)
#include "test_qip4lineedit.moc"
