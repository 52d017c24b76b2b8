// A row of the live incident list: its texts, in both interface languages,
// including rows made before the language was switched.

#include "ClientFolder.h"

#include "core/LanguageManage.h"
#include "monitor/IncidentItem.h"

#include <QLabel>
#include <QTest>

class IncidentItemTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qputenv("CORVANE_APP_DIR", QFile::encodeName(folder.Path()));
        LanguageManage::GetInstance()->SwitchLanguage(LanguageManage::Chinese);
    }
    void cleanup() { LanguageManage::GetInstance()->SwitchLanguage(LanguageManage::Chinese); }

    void textsFollowTheLanguage_data()
    {
        QTest::addColumn<bool>("madeBeforeTheSwitch");
        QTest::newRow("row made in Chinese, then switched") << true;
        QTest::newRow("row made in English") << false;
    }

    void textsFollowTheLanguage()
    {
        QFETCH(bool, madeBeforeTheSwitch);
        std::unique_ptr<IncidentItem> item;
        auto make = [&item] {
            item = std::make_unique<IncidentItem>(QStringLiteral("2026_12_10 08:30:00"), QString(),
                                                  QStringLiteral("10.1.2.3"), QStringLiteral("10.1.2.4"));
        };
        if (madeBeforeTheSwitch) {
            make();
            QCOMPARE(Text(*item, "labelTime"), QStringLiteral("时间 2026_12_10 08:30:00"));
            QCOMPARE(Text(*item, "labelCheckDetails"), QStringLiteral("查看详情"));
        }
        LanguageManage::GetInstance()->SwitchLanguage(LanguageManage::English);
        QCOMPARE(LanguageManage::GetInstance()->CurrentLanguage(), LanguageManage::English);
        if (!madeBeforeTheSwitch)
            make();
        // Rows that exist hear of the switch through a posted event.
        QTRY_COMPARE(Text(*item, "labelTime"), QStringLiteral("Time 2026_12_10 08:30:00"));
        QCOMPARE(Text(*item, "labelDeviceIp"), QStringLiteral("Device 10.1.2.3"));
        QCOMPARE(Text(*item, "labelChannelIp"), QStringLiteral("Camera 10.1.2.4"));
        QCOMPARE(Text(*item, "labelCheckDetails"), QStringLiteral("Details"));

        LanguageManage::GetInstance()->SwitchLanguage(LanguageManage::Chinese);
        QTRY_COMPARE(Text(*item, "labelDeviceIp"), QStringLiteral("设备 10.1.2.3"));
        QCOMPARE(Text(*item, "labelChannelIp"), QStringLiteral("通道 10.1.2.4"));
    }

private:
    static QString Text(const IncidentItem& item, const char* name)
    {
        const QLabel* label = item.findChild<QLabel*>(QLatin1String(name));
        return label ? label->text() : QStringLiteral("<no %1>").arg(QLatin1String(name));
    }

    ClientFolder folder;
};

QTEST_MAIN(IncidentItemTest)
#include "test_incident_item.moc"
