#include "QDateLineEdit.h"

#include <QSignalSpy>
#include <QtTest>

class TestDateLineEdit : public QObject
{
    Q_OBJECT

private:
    static void type(QDateLineEdit& edit, const QString& text)
    {
        edit.clear();
        QTest::keyClicks(&edit, text);
        QTest::keyClick(&edit, Qt::Key_Return);
    }

private slots:
    void commit_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("changes");
        QTest::newRow("digits only") << "20260305"
                                     << "2026-03-05" << 1;
        QTest::newRow("dashes") << "2026-03-05"
                                << "2026-03-05" << 1;
        QTest::newRow("slashes, one-digit month and day") << "2026/3/5"
                                                          << "2026-03-05" << 1;
        QTest::newRow("dashes, one-digit month") << "2026-3-05"
                                                 << "2026-03-05" << 1;
        QTest::newRow("dots") << "2026.12.31"
                              << "2026-12-31" << 1;
        QTest::newRow("no such day") << "2026-02-30"
                                     << "" << 0;
        QTest::newRow("ambiguous digits") << "2026111"
                                          << "" << 0;
    }

    void commit()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(int, changes);
        QDateLineEdit edit;
        QSignalSpy changed(&edit, &QDateLineEdit::dateChanged);
        type(edit, typed);
        QCOMPARE(edit.text(), shown);
        QCOMPARE(changed.count(), changes);
        if (changes)
            QCOMPARE(changed.at(0).at(0).toDate(), QDate::fromString(shown, Qt::ISODate));
    }

    void sameDateAgainIsNoChange()
    {
        QDateLineEdit edit;
        edit.setDate(QDate(2026, 3, 5));
        QSignalSpy changed(&edit, &QDateLineEdit::dateChanged);
        type(edit, QStringLiteral("2026/3/5"));
        QCOMPARE(changed.count(), 0);
        QCOMPARE(edit.text(), QStringLiteral("2026-03-05"));
        type(edit, QStringLiteral("2026-03-06"));
        QCOMPARE(changed.count(), 1);
    }

    void invalidSetDateKeepsText()
    {
        QDateLineEdit edit;
        edit.setDate(QDate(2026, 3, 5));
        edit.setDate(QDate());
        QCOMPARE(edit.text(), QStringLiteral("2026-03-05"));
    }

    void validatorRejectsLetters()
    {
        QDateLineEdit edit;
        QTest::keyClicks(&edit, QStringLiteral("20a26"));
        QCOMPARE(edit.text(), QStringLiteral("2026"));
    }
};

QTEST_MAIN(TestDateLineEdit)
#include "test_date_line_edit.moc"
