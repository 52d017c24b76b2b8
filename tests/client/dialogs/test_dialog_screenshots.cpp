// Saves a picture of every widget and dialog of the client's dialog frame, in
// Chinese and in English, for a person to look at:
// build/client-dialog-screenshots/<name>-<zh|en>.png. Translucent windows are
// laid on a light background so that their shadow shows.
#include "core/FontSubstitution.h"
#include "dialogs/AboutDialog.h"
#include "dialogs/BusyWaitDialog.h"
#include "dialogs/DefaultNoDataPic.h"
#include "dialogs/MessageInfoDlg.h"
#include "dialogs/OverTip.h"
#include "dialogs/QClickableLabel.h"
#include "dialogs/QCustomTableWidget.h"
#include "dialogs/QLightBoxWidget.h"
#include "dialogs/QPayPictureFrame.h"
#include "dialogs/QPictureFrame.h"
#include "dialogs/QPromptWidget.h"
#include "dialogs/QSreachBox.h"
#include "DialogTestSupport.h"

#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>
#include <QtTest>

#include <functional>
#include <set>

using namespace DialogTestSupport;

class TestDialogScreenshots : public QObject
{
    Q_OBJECT

private:
    QDir m_dir;
    QString m_language;
    std::unique_ptr<QTranslator> m_english;

    void shoot(QWidget& widget, const QString& name, const std::function<void()>& prepare = {})
    {
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
        if (prepare)
            prepare();
        QCoreApplication::processEvents();
        const QImage grab = widget.grab().toImage();
        QImage canvas(grab.size() + QSize(40, 40), QImage::Format_ARGB32);
        canvas.fill(QColor(233, 237, 242));
        QPainter painter(&canvas);
        painter.drawImage(20, 20, grab);
        painter.end();
        const QString file = m_dir.filePath(QStringLiteral("%1-%2.png").arg(name, m_language));
        QVERIFY(canvas.save(file));
        std::set<QRgb> colours;
        for (int y = 0; y < grab.height(); y += 2)
            for (int x = 0; x < grab.width(); x += 2)
                colours.insert(grab.pixel(x, y));
        QVERIFY2(colours.size() > 2, qPrintable(file));
    }

    static QImage samplePicture(const QSize& size)
    {
        QImage image(size, QImage::Format_RGB32);
        QLinearGradient sky(0, 0, 0, size.height());
        sky.setColorAt(0, QColor(90, 140, 200));
        sky.setColorAt(1, QColor(60, 70, 80));
        QPainter p(&image);
        p.fillRect(image.rect(), sky);
        p.setBrush(QColor(230, 60, 40));
        p.drawRect(size.width() / 3, size.height() / 2, size.width() / 6, size.height() / 8);
        for (int lane = 1; lane < 4; ++lane)
            p.fillRect(QRect(lane * size.width() / 4, size.height() * 2 / 3, 6, size.height() / 3), Qt::white);
        return image;
    }

private slots:
    void initTestCase()
    {
        InstallFontSubstitutions();
        QVERIFY(applyApplicationStyleSheet());
        const QString dir = qEnvironmentVariable("CORVANE_SCREENSHOT_DIR",
                                                 QDir::current().filePath(QStringLiteral("client-dialog-screenshots")));
        QVERIFY(QDir().mkpath(dir));
        m_dir = QDir(dir);
    }

    void cleanupTestCase()
    {
        if (m_english)
            QCoreApplication::removeTranslator(m_english.get());
    }

    void everyWidget_data()
    {
        QTest::addColumn<QString>("language");
        QTest::newRow("Chinese") << QStringLiteral("zh");
        QTest::newRow("English") << QStringLiteral("en");
    }
    void everyWidget()
    {
        QFETCH(QString, language);
        m_language = language;
        if (language == QLatin1String("en") && !m_english) {
            m_english = installEnglish();
            QVERIFY(m_english);
        }
        const bool english = language == QLatin1String("en");

        {
            MessageInfoDlg box;
            box.SetText(english ? QStringLiteral("Switch the stream type before choosing a split layout.")
                                : QStringLiteral("请先切换码流类型，再选择分屏模式。"));
            shoot(box, QStringLiteral("message-box"));
        }
        {
            AboutDialog about(QStringLiteral("V1.0.0.20261210"));
            shoot(about, QStringLiteral("about-dialog"));
        }
        {
            QWidget owner;
            owner.resize(361, 261);
            BusyWaitDialog busy(&owner);
            busy.SetTipText(english ? QStringLiteral("Searching, please wait...")
                                    : QStringLiteral("正在查询，请稍候..."));
            shoot(busy, QStringLiteral("busy-indicator"), [&] {
                for (int i = 0; i < 12; ++i)
                    busy.UpdateStatePic();
            });
        }
        {
            OverTip tip;
            tip.SetPicture(QStringLiteral(":images/preview/splitscreen.png"));
            shoot(tip, QStringLiteral("over-tip"));
        }
        const QString kinds[] = {QStringLiteral("tips"), QStringLiteral("warm"), QStringLiteral("fail"),
                                 QStringLiteral("succ")};
        const QString texts[] = {english ? QStringLiteral("Fetching the device's channels, please wait...")
                                         : QStringLiteral("正在获取设备通道信息，请稍候..."),
                                 english ? QStringLiteral("The device already exists") : QStringLiteral("设备已存在"),
                                 english ? QStringLiteral("Please enter a valid IP address")
                                         : QStringLiteral("请输入正确的IP地址"),
                                 english ? QStringLiteral("Settings saved") : QStringLiteral("保存配置参数成功")};
        for (int kind = 0; kind < 4; ++kind) {
            QPromptWidget::ShowPrompt(QPromptWidget::MsgType(kind), texts[kind], nullptr, 60000);
            shoot(*QPromptWidget::Current(), QStringLiteral("toast-") + kinds[kind]);
            delete QPromptWidget::Current();
        }
        {
            QCustomTableWidget table(4, 4);
            table.resize(560, 190);
            table.setHorizontalHeaderLabels({QString(), english ? QStringLiteral("Index") : QStringLiteral("序号"),
                                             english ? QStringLiteral("Type") : QStringLiteral("事件类型"),
                                             english ? QStringLiteral("Time") : QStringLiteral("发生时间")});
            table.horizontalHeader()->setStretchLastSection(true);
            for (int row = 0; row < 4; ++row) {
                auto* check = new QTableWidgetItem;
                check->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
                check->setCheckState(row % 2 ? Qt::Checked : Qt::Unchecked);
                table.setItem(row, 0, check);
                table.setItem(row, 1, new QTableWidgetItem(QString::number(row + 1)));
                table.setItem(row, 2, new QTableWidgetItem(QCoreApplication::translate("QObject", "拥堵")));
                table.setItem(row, 3, new QTableWidgetItem(QStringLiteral("2026-12-10 16:4%1:00").arg(row)));
            }
            table.resizeColumnsToContents();
            shoot(table, QStringLiteral("custom-table"));
        }
        {
            QClickableLabel label;
            label.setText(english ? QStringLiteral("Event list") : QStringLiteral("事件列表"));
            label.resize(120, 24);
            shoot(label, QStringLiteral("clickable-label"));
        }
        {
            QSreachBox box;
            box.setPlaceholderText(english ? QStringLiteral("Device name or IP") : QStringLiteral("设备名称或IP"));
            box.resize(224, 32);
            shoot(box, QStringLiteral("search-box"));
        }
        {
            QPictureFrame frame;
            frame.resize(480, 270);
            frame.setPixmap(QPixmap::fromImage(samplePicture(QSize(1920, 1080))), false);
            shoot(frame, QStringLiteral("picture-frame-magnifier"),
                  [&] { sendMouse(&frame, QEvent::MouseMove, Qt::NoButton, Qt::NoButton, QPoint(180, 160)); });
        }
        {
            QPayPictureFrame frame;
            frame.resize(240, 135);
            frame.setPixmap(QPixmap::fromImage(samplePicture(QSize(640, 360))), false);
            shoot(frame, QStringLiteral("pay-picture-frame"));
        }
        {
            QWidget host;
            host.resize(400, 300);
            auto* layout = new QVBoxLayout(&host);
            auto* text = new QLabel(
                english ? QStringLiteral("Window behind the dialog") : QStringLiteral("对话框后面的窗口"), &host);
            layout->addWidget(text);
            host.setStyleSheet(QStringLiteral("background:#ffffff; font-size: 20px;"));
            auto* lightBox = new QLightBoxWidget(&host, false);
            shoot(host, QStringLiteral("light-box"), [&] { lightBox->show(); });
        }
        {
            QWidget result;
            result.resize(600, 360);
            result.setStyleSheet(QStringLiteral("background:#ffffff;"));
            auto* placeholder = new DefaultNoDataPic(&result);
            placeholder->reTranslateUI();
            placeholder->move(150, 30);
            shoot(result, QStringLiteral("no-data-placeholder"), [&] { placeholder->show(); });
        }
    }
};

QTEST_MAIN(TestDialogScreenshots)
#include "test_dialog_screenshots.moc"
