#include "QPassWordEdit.h"

#include <QClipboard>
#include <QFrame>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QtTest>

Q_DECLARE_METATYPE(QPassWordEdit::Level)

class TestQPassWordEdit : public QObject
{
    Q_OBJECT

private slots:
    void ratesPasswords_data();
    void ratesPasswords();
    void barShowsLevel_data();
    void barShowsLevel();
    void clipboardShortcutsAreRefused_data();
    void clipboardShortcutsAreRefused();
    void hidesText();
    void droppedTextIsRefused();
    void barFollowsTextInAStyledWindow_data();
    void barFollowsTextInAStyledWindow();

private:
    static QColor segmentColour(QPassWordEdit& edit, int segment);
};

void TestQPassWordEdit::ratesPasswords_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QPassWordEdit::Level>("level");

    QTest::newRow("empty") << "" << QPassWordEdit::None;
    QTest::newRow("five lower-case letters") << "abcde" << QPassWordEdit::None;
    QTest::newRow("five mixed classes") << "aB1!x" << QPassWordEdit::None;
    QTest::newRow("six lower-case letters") << "abcdef" << QPassWordEdit::Weak;
    QTest::newRow("six digits") << "123456" << QPassWordEdit::Weak;
    QTest::newRow("long, one class") << "abcdefghijklmnop" << QPassWordEdit::Weak;
    QTest::newRow("lower and digit") << "abcde1" << QPassWordEdit::Average;
    QTest::newRow("space counts as other") << "abc de" << QPassWordEdit::Average;
    QTest::newRow("ideograph counts as other") << QStringLiteral("abcde中") << QPassWordEdit::Average;
    QTest::newRow("lower, upper and digit") << "Abcde1" << QPassWordEdit::Strong;
    QTest::newRow("accented upper-case letter") << QStringLiteral("Ébcde1") << QPassWordEdit::Strong;
    QTest::newRow("all four classes") << "aB1!xy" << QPassWordEdit::Secure;
}

void TestQPassWordEdit::ratesPasswords()
{
    QFETCH(QString, password);
    QFETCH(QPassWordEdit::Level, level);

    QPassWordEdit edit;
    edit.lineEdit()->setText(QStringLiteral("seed"));
    edit.lineEdit()->setText(password);
    QCOMPARE(edit.securityLevel(), level);
    QCOMPARE(edit.property("securityLevel").value<QPassWordEdit::Level>(), level);
}

QColor TestQPassWordEdit::segmentColour(QPassWordEdit& edit, int segment)
{
    auto* frame = edit.findChild<QFrame*>(QStringLiteral("frame_%1").arg(segment));
    const QImage image = frame->grab().toImage();
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

void TestQPassWordEdit::barShowsLevel_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QStringList>("colours");

    const QString grey = "#e6e6e6";
    QTest::newRow("none") << "abc" << QStringList{grey, grey, grey, grey};
    QTest::newRow("weak") << "abcdef" << QStringList{"#f98185", grey, grey, grey};
    QTest::newRow("average") << "abcde1" << QStringList{"#ffc26a", "#ffc26a", grey, grey};
    QTest::newRow("strong") << "Abcde1" << QStringList{"#f8dd58", "#f8dd58", "#f8dd58", grey};
    QTest::newRow("secure") << "aB1!xy" << QStringList{"#7fe37f", "#7fe37f", "#7fe37f", "#7fe37f"};
    QTest::newRow("cleared after secure") << "aB1!xy|" << QStringList{grey, grey, grey, grey};
}

void TestQPassWordEdit::barShowsLevel()
{
    QFETCH(QString, password);
    QFETCH(QStringList, colours);

    QPassWordEdit edit;
    edit.resize(200, 40);
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    const bool clearAfterwards = password.endsWith(QLatin1Char('|'));
    edit.lineEdit()->setText(password.remove(QLatin1Char('|')));
    if (clearAfterwards)
        edit.lineEdit()->clear();
    for (int segment = 1; segment <= 4; ++segment)
        QCOMPARE(segmentColour(edit, segment).name(), colours[segment - 1]);
}

void TestQPassWordEdit::clipboardShortcutsAreRefused_data()
{
    QTest::addColumn<QKeySequence::StandardKey>("shortcut");
    QTest::newRow("paste") << QKeySequence::Paste;
    QTest::newRow("cut") << QKeySequence::Cut;
    QTest::newRow("copy") << QKeySequence::Copy;
}

void TestQPassWordEdit::clipboardShortcutsAreRefused()
{
    QFETCH(QKeySequence::StandardKey, shortcut);

    QGuiApplication::clipboard()->setText(QStringLiteral("fromclipboard"));
    QPassWordEdit edit;
    edit.lineEdit()->setText(QStringLiteral("secret1"));
    edit.lineEdit()->selectAll();

    const QKeySequence keys = QKeySequence::keyBindings(shortcut).value(0);
    QVERIFY(!keys.isEmpty());
    QTest::keySequence(edit.lineEdit(), keys);

    QCOMPARE(edit.lineEdit()->text(), QStringLiteral("secret1"));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("fromclipboard"));
}

void TestQPassWordEdit::hidesText()
{
    QPassWordEdit edit;
    QCOMPARE(edit.lineEdit()->echoMode(), QLineEdit::Password);
    QCOMPARE(edit.lineEdit()->contextMenuPolicy(), Qt::NoContextMenu);
    QCOMPARE(edit.sizeHint().height(), edit.lineEdit()->sizeHint().height() + 13);
}

// Dropping is pasting by mouse: the field must refuse it as it refuses Ctrl+V.
void TestQPassWordEdit::droppedTextIsRefused()
{
    QPassWordEdit edit;
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    QLineEdit* field = edit.lineEdit();
    QVERIFY(!field->acceptDrops());
    QMimeData dragged;
    dragged.setText(QStringLiteral("Pa55word!"));
    const QPoint at = field->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &dragged, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(field, &enter);
    QVERIFY(!enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction, &dragged, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(field, &drop);
    QCOMPARE(field->text(), QString());
    QCOMPARE(edit.securityLevel(), QPassWordEdit::None);
}

// The bar kept the colours of the first rating when the text was given before
// the window first showed, or typed in a window with a style sheet of its own.
void TestQPassWordEdit::barFollowsTextInAStyledWindow_data()
{
    QTest::addColumn<bool>("typedWhenShown");
    QTest::newRow("text given before the window shows") << false;
    QTest::newRow("text typed in the shown window") << true;
}

void TestQPassWordEdit::barFollowsTextInAStyledWindow()
{
    QFETCH(bool, typedWhenShown);
    QWidget window;
    window.setStyleSheet(QStringLiteral("QWidget#window {background: rgb(240, 242, 245);}"));
    window.setObjectName(QStringLiteral("window"));
    auto* edit = new QPassWordEdit(&window);
    edit->setGeometry(10, 10, 200, edit->sizeHint().height());
    window.resize(220, 80);
    if (!typedWhenShown)
        edit->lineEdit()->setText(QStringLiteral("Abc123!x"));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    if (typedWhenShown)
        QTest::keyClicks(edit->lineEdit(), QStringLiteral("Abc123!x"));
    QCOMPARE(edit->securityLevel(), QPassWordEdit::Secure);
    const QImage shown = window.grab().toImage();
    for (int segment = 1; segment <= 4; ++segment) {
        auto* frame = edit->findChild<QFrame*>(QStringLiteral("frame_%1").arg(segment));
        const QPoint centre = frame->mapTo(&window, frame->rect().center());
        QCOMPARE(shown.pixelColor(centre), QColor(QStringLiteral("#7fe37f")));
    }
}

QTEST_MAIN(TestQPassWordEdit)
#include "test_qpasswordedit.moc"
