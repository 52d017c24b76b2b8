#include "QPositiveIntValidator.h"
#include "QSpecificLineEdit.h"

#include <QtTest>

Q_DECLARE_METATYPE(QSpecificLineEdit::Type)

class TestQSpecificLineEdit : public QObject
{
    Q_OBJECT

private slots:
    void validatesByType_data();
    void validatesByType();
    void boundsApplyBeforeOrAfterType_data();
    void boundsApplyBeforeOrAfterType();
    void nonPositiveBoundsAreIgnored();
    void typingIsRestricted_data();
    void typingIsRestricted();
    void noneRemovesRestriction();
};

void TestQSpecificLineEdit::validatesByType_data()
{
    QTest::addColumn<QSpecificLineEdit::Type>("type");
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("expected");

    const auto port = QSpecificLineEdit::Port;
    QTest::newRow("port 0") << port << "0" << int(QValidator::Invalid);
    QTest::newRow("port 1") << port << "1" << int(QValidator::Acceptable);
    QTest::newRow("port 65535") << port << "65535" << int(QValidator::Acceptable);
    QTest::newRow("port 65536 is not a port") << port << "65536" << int(QValidator::Intermediate);
    QTest::newRow("port with a sixth digit") << port << "655350" << int(QValidator::Invalid);
    QTest::newRow("port with a sign") << port << "-1" << int(QValidator::Invalid);

    const auto positive = QSpecificLineEdit::PositiveInt;
    QTest::newRow("positive 0") << positive << "0" << int(QValidator::Invalid);
    QTest::newRow("positive max") << positive << "2147483647" << int(QValidator::Acceptable);
    QTest::newRow("positive letters") << positive << "12a" << int(QValidator::Invalid);

    const auto phone = QSpecificLineEdit::PhoneNo;
    QTest::newRow("phone 11 digits") << phone << "13812345678" << int(QValidator::Acceptable);
    QTest::newRow("phone second digit 2") << phone << "12812345678" << int(QValidator::Invalid);
    QTest::newRow("phone being typed") << phone << "1381234" << int(QValidator::Intermediate);
    QTest::newRow("phone 12 digits") << phone << "138123456789" << int(QValidator::Invalid);

    const auto id = QSpecificLineEdit::IDCard;
    QTest::newRow("id 18 with X") << id << "11010519491231002X" << int(QValidator::Acceptable);
    QTest::newRow("id 18 with digit") << id << "110105194912310021" << int(QValidator::Acceptable);
    QTest::newRow("id 18 with lower-case x") << id << "11010519491231002x" << int(QValidator::Invalid);
    QTest::newRow("id 18 month 00") << id << "110105194900100021" << int(QValidator::Invalid);
    QTest::newRow("id 18 month 13") << id << "110105194913100021" << int(QValidator::Invalid);
    QTest::newRow("id 18 day 00") << id << "110105194912000021" << int(QValidator::Invalid);
    QTest::newRow("id 18 day 32") << id << "110105194912320021" << int(QValidator::Invalid);
    QTest::newRow("id 18 day 31") << id << "110105194901310021" << int(QValidator::Acceptable);
    QTest::newRow("id 18 bar in the day") << id << "1101051949121|0021" << int(QValidator::Invalid);
    QTest::newRow("id 15") << id << "110105491231002" << int(QValidator::Acceptable);
    QTest::newRow("id 15 month 00") << id << "110105490010002" << int(QValidator::Invalid);
    QTest::newRow("id 15 day 00") << id << "110105491200002" << int(QValidator::Invalid);
    QTest::newRow("id 15 bar in the day") << id << "1101054912|1002" << int(QValidator::Invalid);
    QTest::newRow("id being typed") << id << "1101051949" << int(QValidator::Intermediate);
}

void TestQSpecificLineEdit::validatesByType()
{
    QFETCH(QSpecificLineEdit::Type, type);
    QFETCH(QString, input);
    QFETCH(int, expected);

    QSpecificLineEdit edit;
    edit.setEditerType(type);
    QCOMPARE(edit.editerType(), type);
    QVERIFY(edit.validator());
    int pos = input.size();
    QCOMPARE(int(edit.validator()->validate(input, pos)), expected);
}

void TestQSpecificLineEdit::boundsApplyBeforeOrAfterType_data()
{
    QTest::addColumn<bool>("boundsFirst");
    QTest::newRow("bottom set before the type") << true;
    QTest::newRow("bottom set after the type") << false;
}

void TestQSpecificLineEdit::boundsApplyBeforeOrAfterType()
{
    QFETCH(bool, boundsFirst);
    QSpecificLineEdit edit;
    if (boundsFirst)
        edit.setPositiveBottom(10);
    edit.setEditerType(QSpecificLineEdit::PositiveInt);
    if (!boundsFirst)
        edit.setPositiveBottom(10);

    const auto* validator = qobject_cast<const QPositiveIntValidator*>(edit.validator());
    QVERIFY(validator);
    QCOMPARE(validator->bottom(), 10);
    QCOMPARE(validator->top(), 2147483647);
    QCOMPARE(edit.bottom(), 10);
    QCOMPARE(edit.top(), -1);
}

void TestQSpecificLineEdit::nonPositiveBoundsAreIgnored()
{
    QSpecificLineEdit edit;
    edit.setEditerType(QSpecificLineEdit::Port);
    edit.setPositiveTop(0);
    edit.setPositiveTop(-5);
    edit.setPositiveBottom(-1);
    QCOMPARE(edit.top(), -1);
    QCOMPARE(edit.bottom(), -1);
    const auto* validator = qobject_cast<const QPositiveIntValidator*>(edit.validator());
    QVERIFY(validator);
    QCOMPARE(validator->bottom(), 1);
    QCOMPARE(validator->top(), 65535);

    edit.setPositiveTop(8080);
    QCOMPARE(validator->top(), 8080);
}

void TestQSpecificLineEdit::typingIsRestricted_data()
{
    QTest::addColumn<QSpecificLineEdit::Type>("type");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");

    QTest::newRow("port refuses a lone 0") << QSpecificLineEdit::Port << "0"
                                           << "";
    QTest::newRow("port refuses a sixth digit") << QSpecificLineEdit::Port << "655351"
                                                << "65535";
    QTest::newRow("phone refuses letters") << QSpecificLineEdit::PhoneNo << "13a8"
                                           << "138";
    QTest::newRow("id refuses lower-case x") << QSpecificLineEdit::IDCard << "11010519491231002x"
                                             << "11010519491231002";
    QTest::newRow("id refuses month 13") << QSpecificLineEdit::IDCard << "110105194913"
                                         << "11010519491";
    QTest::newRow("none takes anything") << QSpecificLineEdit::None << "a0-|"
                                         << "a0-|";
}

void TestQSpecificLineEdit::typingIsRestricted()
{
    QFETCH(QSpecificLineEdit::Type, type);
    QFETCH(QString, typed);
    QFETCH(QString, shown);

    QSpecificLineEdit edit;
    edit.setEditerType(type);
    QTest::keyClicks(&edit, typed);
    QCOMPARE(edit.text(), shown);
}

void TestQSpecificLineEdit::noneRemovesRestriction()
{
    QSpecificLineEdit edit;
    edit.setEditerType(QSpecificLineEdit::PhoneNo);
    QVERIFY(edit.validator());
    edit.setEditerType(QSpecificLineEdit::None);
    QVERIFY(!edit.validator());
    QTest::keyClicks(&edit, "abc");
    QCOMPARE(edit.text(), QStringLiteral("abc"));
}

QTEST_MAIN(TestQSpecificLineEdit)
#include "test_qspecificlineedit.moc"
