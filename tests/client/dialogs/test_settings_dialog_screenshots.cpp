// Both settings dialogs in both languages, saved as pictures for a person to
// look at: <build>/dialog-screenshots/<dialog>-<language>.png.
#include "DialogTestSupport.h"
#include "SettingsDialogSandbox.h"

#include "dialogs/ConfigDialog.h"
#include "dialogs/QuickSetDialog.h"

#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QFile>

#include <set>

class TestSettingsDialogScreenshots : public QObject
{
    Q_OBJECT

private:
    QDir m_dir;

    void Shoot(QWidget& dialog, const QString& name)
    {
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QImage image = dialog.grab().toImage();
        QVERIFY(image.save(m_dir.filePath(name + QStringLiteral(".png"))));
        std::set<QRgb> colours;
        for (int y = 0; y < image.height(); y += 3)
            for (int x = 0; x < image.width(); x += 3)
                colours.insert(image.pixel(x, y));
        QVERIFY2(colours.size() > 10, qPrintable(name));
        // Every text fits its widget in this language.
        for (QWidget* widget : dialog.findChildren<QWidget*>()) {
            if (!widget->isVisible() || !(qobject_cast<QLabel*>(widget) || qobject_cast<QAbstractButton*>(widget)))
                continue;
            QVERIFY2(widget->sizeHint().width() <= widget->width(), qPrintable(name + ": " + widget->objectName()));
        }
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QDir().mkpath(QStringLiteral(CORVANE_SCREENSHOT_DIR)));
        m_dir = QDir(QStringLiteral(CORVANE_SCREENSHOT_DIR));
        QVERIFY(DialogTestSupport::applyApplicationStyleSheet());
    }

    void dialogs_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("suffix");
        QTest::newRow("Chinese") << int(LanguageManage::Chinese) << "zh";
        QTest::newRow("English") << int(LanguageManage::English) << "en";
    }
    void dialogs()
    {
        QFETCH(int, language);
        QFETCH(QString, suffix);
        SettingsDialogSandbox sandbox;
        SwitchLanguage(language);
        sandbox.EditFileAndRestart("Incident/Smog", 0);

        ConfigDialog config;
        Shoot(config, "ConfigDialog-" + suffix);
        QuickSetDialog quick;
        Shoot(quick, "QuickSetDialog-" + suffix);
    }
};

QTEST_MAIN(TestSettingsDialogScreenshots)
#include "test_settings_dialog_screenshots.moc"
