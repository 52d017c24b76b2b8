#include "QVerifyLineEdit.h"

#include <QLabel>
#include <QLineEdit>
#include <QtTest>

Q_DECLARE_METATYPE(QVerifyLineEdit::InputState)

class TestQVerifyLineEdit : public QObject
{
    Q_OBJECT

private slots:
    void newWidgetShowsNoMark();
    void showsResult_data();
    void showsResult();
    void replacesEarlierStyleSheet();

private:
    static QColor leftBorder(QVerifyLineEdit& edit);
};

QColor TestQVerifyLineEdit::leftBorder(QVerifyLineEdit& edit)
{
    const QImage image = edit.lineEdit()->grab().toImage();
    return image.pixelColor(0, image.height() / 2);
}

void TestQVerifyLineEdit::newWidgetShowsNoMark()
{
    QVerifyLineEdit edit;
    QVERIFY(edit.label()->pixmap(Qt::ReturnByValue).isNull());
    QVERIFY(edit.styleSheet().isEmpty());
    QCOMPARE(edit.inputState(), QVerifyLineEdit::Undetermined);
}

void TestQVerifyLineEdit::showsResult_data()
{
    QTest::addColumn<QList<QVerifyLineEdit::InputState>>("states");
    QTest::addColumn<bool>("marked");
    QTest::addColumn<QString>("border");

    using S = QVerifyLineEdit;
    QTest::newRow("correct") << QList<S::InputState>{S::Correct} << true << "#7fe37f";
    QTest::newRow("wrong") << QList<S::InputState>{S::Wrong} << true << "#f98185";
    QTest::newRow("correct then wrong") << QList<S::InputState>{S::Correct, S::Wrong} << true << "#f98185";
    QTest::newRow("correct then undetermined") << QList<S::InputState>{S::Correct, S::Undetermined} << false << "";
}

void TestQVerifyLineEdit::showsResult()
{
    QFETCH(QList<QVerifyLineEdit::InputState>, states);
    QFETCH(bool, marked);
    QFETCH(QString, border);

    QVerifyLineEdit edit;
    edit.resize(200, 30);
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    const QString plainBorder = leftBorder(edit).name();
    for (QVerifyLineEdit::InputState state : states)
        edit.updateResultState(state);

    QCOMPARE(!edit.label()->pixmap(Qt::ReturnByValue).isNull(), marked);
    QCOMPARE(leftBorder(edit).name(), border.isEmpty() ? plainBorder : border);
    QCOMPARE(edit.inputState(), states.last());
}

void TestQVerifyLineEdit::replacesEarlierStyleSheet()
{
    QVerifyLineEdit edit;
    edit.setStyleSheet(QStringLiteral("QLineEdit{color:red;}"));
    edit.updateResultState(QVerifyLineEdit::Wrong);
    QVERIFY(!edit.styleSheet().contains(QLatin1String("color:red")));
    edit.updateResultState(QVerifyLineEdit::Undetermined);
    QVERIFY(edit.styleSheet().isEmpty());
}

QTEST_MAIN(TestQVerifyLineEdit)
#include "test_qverifylineedit.moc"
