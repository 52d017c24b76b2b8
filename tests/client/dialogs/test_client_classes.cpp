// The widget library has classes of the same names as some of the client's.
// A program that links both must get the client's: the library keeps those
// symbols to itself, so none of them can stand in for the client's.
#include "dialogs/QClickableLabel.h"
#include "dialogs/QClickabledHeaderView.h"
#include "dialogs/QCustomTableWidget.h"
#include "dialogs/QPromptWidget.h"
#include "dialogs/QSreachBox.h"
#include "dialogs/QTableItemDelegate.h"

#include <QSwitchButton.h>

#include <QtTest>

#include <dlfcn.h>

class TestClientClasses : public QObject
{
    Q_OBJECT

private slots:
    void libraryExportsNoneOfTheSharedNames_data()
    {
        QTest::addColumn<QByteArray>("symbol");
        // The meta-objects, as Itanium C++ names.
        for (const char* name : {"QClickabledHeaderView", "QClickableLabel", "QCustomTableWidget", "QTableItemDelegate",
                                 "QSreachBox", "QPromptWidget"}) {
            const QByteArray symbol = "_ZN" + QByteArray::number(int(qstrlen(name))) + name + "16staticMetaObjectE";
            QTest::newRow(name) << symbol;
        }
    }
    void libraryExportsNoneOfTheSharedNames()
    {
        QFETCH(QByteArray, symbol);
        void* library = dlopen(FERROWIX_LIBRARY, RTLD_NOW | RTLD_NOLOAD);
        QVERIFY2(library, dlerror());
        QCOMPARE(dlsym(library, symbol.constData()), nullptr);
        // An exported class of the library is found the same way.
        QVERIFY(dlsym(library, "_ZN13QSwitchButton16staticMetaObjectE"));
        dlclose(library);
    }

    void clientTableIsBuiltFromTheClientsClasses()
    {
        QSwitchButton libraryWidget(nullptr);
        QCustomTableWidget table(2, 2);
        QVERIFY(qobject_cast<QClickabledHeaderView*>(table.horizontalHeader()));
        QVERIFY(qobject_cast<QTableItemDelegate*>(table.itemDelegate()));
        QCOMPARE(table.metaObject(), &QCustomTableWidget::staticMetaObject);
        QCOMPARE(QCustomTableWidget::staticMetaObject.superClass(), &QTableWidget::staticMetaObject);
        QClickableLabel label;
        QCOMPARE(QClickableLabel::staticMetaObject.superClass(), &QLabel::staticMetaObject);
        QVERIFY(label.metaObject()->indexOfSignal("clicked()") >= 0);
    }
};

QTEST_MAIN(TestClientClasses)
#include "test_client_classes.moc"
