// The traffic-parameter CSV export: the export dialog, the page's export path
// and the appending routine, on real files, a read-only folder and a full file
// system; screenshots of the dialog in both languages.

#include "PageTestSupport.h"
#include "search/ExportDialog.h"
#include "search/SearchFrame.h"
#include "search/TrafficParamExport.h"

#include "dialogs/BusyWaitDialog.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QTimer>
#include <QTranslator>
#include <QRegularExpression>
#include <QtTest>

#include <memory>

using namespace PageTestSupport;

namespace {

TrafficParam Row(int rowNo)
{
    TrafficParam row;
    row.rowNo = rowNo;
    row.startTime = QStringLiteral("20261201080%1").arg(rowNo % 10) + QStringLiteral("00");
    row.endTime = QStringLiteral("20261201081%1").arg(rowNo % 10) + QStringLiteral("00");
    row.deviceIp = QStringLiteral("192.168.1.%1").arg(rowNo);
    row.channelIp = QStringLiteral("192.168.2.%1").arg(rowNo);
    row.channelNo = 3;
    row.laneNo = rowNo % 4 + 1;
    row.laneFlow = 10 + rowNo;
    row.lightVehicleNum = 20 + rowNo;
    row.midVehicleNum = 30 + rowNo;
    row.heavyVehicleNum = 40 + rowNo;
    row.laneSpeed = 50 + rowNo;
    row.spaceHeadWay = 60 + rowNo;
    row.timeHeadWay = 70 + rowNo;
    row.timeRation = 0.125f * rowNo;
    row.spaceRation = 1.0f / 3.0f;
    row.queueLength = 99;
    row.trafficState = rowNo % 4;
    return row;
}

QList<TrafficParam> Rows(int count)
{
    QList<TrafficParam> rows;
    for (int n = 1; n <= count; ++n)
        rows.append(Row(n));
    return rows;
}

// The fields each exported line of `row` must hold, as the operator reads them.
QStringList FieldsOf(const TrafficParam& row)
{
    static const char* states[] = {"无效", "畅通", "拥挤", "堵塞"};
    auto time = [](const QString& compact) {
        return QDateTime::fromString(compact, QStringLiteral("yyyyMMddHHmmss"))
            .toString(QStringLiteral("yyyy_MM_dd HH:mm:ss"));
    };
    return {QString::number(row.rowNo),
            time(row.startTime),
            time(row.endTime),
            row.deviceIp,
            row.channelIp,
            QString::number(row.laneNo),
            QString::number(row.laneFlow),
            QString::number(row.lightVehicleNum),
            QString::number(row.midVehicleNum),
            QString::number(row.heavyVehicleNum),
            QString::number(row.laneSpeed),
            QString::number(row.spaceHeadWay),
            QString::number(row.timeHeadWay),
            QString::number(row.timeRation, 'g', 6),
            QString::number(row.spaceRation, 'g', 6),
            QString::fromUtf8(states[row.trafficState])};
}

const QString kHeader = QStringLiteral(
    "序号,开始时间,结束时间,设备IP,通道,车道号,车道流量（辆/分）,小型车流量,中型车流量,大型车流量,车道速度（Km/h）,"
    "车头间距（m）,车头时距（m）,时间占有率,空间占有率,通行状态");

// The file's lines decoded as GBK; fails the test on bytes that are not GBK.
QStringList GbkLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("<cannot open>")};
    const QByteArray bytes = file.readAll();
    QTextCodec::ConverterState state;
    const QString text = QTextCodec::codecForName("gbk")->toUnicode(bytes.constData(), bytes.size(), &state);
    if (state.invalidChars != 0 || bytes.contains("\r") || !bytes.endsWith('\n'))
        return {QStringLiteral("<not GBK lines>")};
    QStringList lines = text.split(QLatin1Char('\n'));
    lines.removeLast();
    return lines;
}

// A tmpfs of `kilobytes` mounted on `folder`; empty when mounting is not allowed.
class SmallFileSystem
{
public:
    SmallFileSystem(const QString& folder, int kilobytes) : mountPoint(folder)
    {
        mounted = QProcess::execute(QStringLiteral("mount"),
                                    {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                     QStringLiteral("size=%1k").arg(kilobytes), QStringLiteral("tmpfs"), folder}) == 0;
    }
    ~SmallFileSystem()
    {
        if (mounted)
            QProcess::execute(QStringLiteral("umount"), {mountPoint});
    }
    bool Mounted() const { return mounted; }

private:
    QString mountPoint;
    bool mounted = false;
};

} // namespace

class TestExport : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<SearchFrame> page;

    QTableWidget* Table() const { return page->findChild<QTableWidget*>(QStringLiteral("tableWidgetTrafficParam")); }
    BusyWaitDialog* Busy() const { return page->findChild<BusyWaitDialog*>(); }
    void Check(const QList<int>& rows)
    {
        for (int row : rows)
            Table()->item(row, 0)->setCheckState(Qt::Checked);
    }
    // Runs an export of the checked rows from the page and waits for its toast.
    QString Export(const QString& path)
    {
        CloseToasts();
        page->ExportTrafficParamSlot(path);
        if (!QTest::qWaitFor([] { return !ToastText().isEmpty(); }, 10000))
            return QStringLiteral("<no toast>");
        return ToastText();
    }

private slots:
    void initTestCase() { qRegisterMetaType<QList<TrafficParam>>(); }

    void init()
    {
        folder = std::make_unique<QTemporaryDir>();
        page = std::make_unique<SearchFrame>();
        page->resize(1400, 800);
        page->show();
        page->ShowTrafficParamInfo(Rows(30), 30, 1, true);
        QCOMPARE(Table()->rowCount(), 30);
    }
    void cleanup()
    {
        page.reset();
        CloseToasts();
    }

    void checkedRowsAppendedToNewAndExistingFile()
    {
        const QString path = folder->filePath(QStringLiteral("交通参数.csv"));
        Check({7, 2, 25}); // checked out of order: the file follows the page
        QCOMPARE(Export(path), QStringLiteral("3条导出成功0条导出失败"));
        QVERIFY(!Busy()->isVisible());
        QCOMPARE(page->ExportDialogOf().ExportPath(), QString());

        Table()->item(7, 0)->setCheckState(Qt::Unchecked);
        QCOMPARE(Export(path), QStringLiteral("2条导出成功0条导出失败"));

        const QStringList lines = GbkLines(path);
        QCOMPARE(lines.size(), 7);
        QCOMPARE(lines.at(0), kHeader);
        QCOMPARE(lines.at(4), kHeader);
        const int rowNos[] = {3, 8, 26, 3, 26};
        const int lineNos[] = {1, 2, 3, 5, 6};
        for (int n = 0; n < 5; ++n) {
            const QStringList fields = lines.at(lineNos[n]).split(QLatin1Char(','));
            QCOMPARE(fields, FieldsOf(Row(rowNos[n])));
        }
        // Chinese text is GBK in the file, not UTF-8.
        QFile raw(path);
        QVERIFY(raw.open(QIODevice::ReadOnly));
        const QByteArray bytes = raw.readAll();
        QVERIFY(bytes.startsWith(QTextCodec::codecForName("gbk")->fromUnicode(QStringLiteral("序号,"))));
        QVERIFY(!bytes.contains(QStringLiteral("序号").toUtf8()));
    }

    void noRowCheckedWritesOnlyTheHeader()
    {
        const QString path = folder->filePath(QStringLiteral("empty.csv"));
        QCOMPARE(Export(path), QStringLiteral("0条导出成功0条导出失败"));
        QCOMPARE(GbkLines(path), QStringList{kHeader});
    }

    // The worker works on copies: a new page arriving while it writes changes nothing.
    void workerUsesRowsTakenWhenExportStarts()
    {
        const QString path = folder->filePath(QStringLiteral("copy.csv"));
        Check({0, 1});
        CloseToasts();
        page->ExportTrafficParamSlot(path);
        page->ShowTrafficParamInfo({}, 0, 1, true);
        QTRY_VERIFY_WITH_TIMEOUT(!ToastText().isEmpty(), 10000);
        QCOMPARE(ToastText(), QStringLiteral("2条导出成功0条导出失败"));
        const QStringList lines = GbkLines(path);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines.at(2).split(QLatin1Char(',')), FieldsOf(Row(2)));
    }

    void failuresAreReportedWithTheRowsWritten_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("missing folder") << QStringLiteral("%1/no/such/folder/x.csv");
        QTest::newRow("a folder") << QStringLiteral("%1");
        QTest::newRow("no file chosen") << QString();
        QTest::newRow("full device") << QStringLiteral("/dev/full");
    }
    void failuresAreReportedWithTheRowsWritten()
    {
        QFETCH(QString, path);
        if (path.contains(QLatin1String("%1")))
            path = path.arg(folder->path());
        Check({0, 4, 9});
        const QString toast = Export(path);
        QVERIFY2(toast.startsWith(QStringLiteral("导出失败：0条导出成功3条导出失败")), qPrintable(toast));
        QVERIFY(!Busy()->isVisible());
    }

    // A full file system (a small tmpfs) part-way through: the count is what
    // reached the file, and the file holds exactly those rows.
    void fullFileSystemCountsWhatReachedTheFile()
    {
        const QString mountPoint = folder->filePath(QStringLiteral("small"));
        QVERIFY(QDir().mkpath(mountPoint));
        SmallFileSystem small(mountPoint, 64);
        if (!small.Mounted())
            QSKIP("cannot mount a tmpfs here; the full device case covers the failure");
        const QString path = mountPoint + QStringLiteral("/full.csv");
        const QList<TrafficParam> rows = Rows(5000); // about 600 KB of lines
        QSet<int> all;
        for (const TrafficParam& row : rows)
            all.insert(row.rowNo);
        const TrafficParamExport::Outcome outcome = TrafficParamExport::Append(path, rows, all);
        QVERIFY(!outcome.ok);
        QVERIFY2(outcome.written > 0 && outcome.written < 5000, qPrintable(QString::number(outcome.written)));
        QCOMPARE(outcome.written + outcome.failed, 5000);
        QVERIFY(!outcome.error.isEmpty());
        const QStringList lines = GbkLines(path + QStringLiteral(".none")); // no such file: sanity of the helper
        QCOMPARE(lines, QStringList{QStringLiteral("<cannot open>")});
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> written = file.readAll().split('\n');
        // Whole lines of the rows counted, then at most one cut line.
        QVERIFY(written.size() >= outcome.written + 1);
        QCOMPARE(QTextCodec::codecForName("gbk")->toUnicode(written.at(outcome.written)).split(QLatin1Char(',')),
                 FieldsOf(rows.at(outcome.written - 1)));
    }

    void dialogButtons()
    {
        ExportDialog& dialog = page->ExportDialogOf();
        QSignalSpy exported(&dialog, &ExportDialog::ExportTrafficParamSig);
        // Cancel from the export button: no export, no busy indicator left behind.
        QTimer::singleShot(0, &dialog, [&dialog] {
            QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("pBtnCancel")), Qt::LeftButton);
        });
        QTest::mouseClick(page->findChild<QPushButton*>(QStringLiteral("pBtnTrafficParamExport")), Qt::LeftButton);
        QCOMPARE(exported.count(), 0);
        QVERIFY(!Busy()->isVisible());
        // Export without a chosen file: reported as a failure, the indicator goes.
        QTimer::singleShot(0, &dialog, [&dialog] {
            QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("pBtnExport")), Qt::LeftButton);
        });
        CloseToasts();
        QTest::mouseClick(page->findChild<QPushButton*>(QStringLiteral("pBtnTrafficParamExport")), Qt::LeftButton);
        QCOMPARE(exported.count(), 1);
        QCOMPARE(exported.at(0).at(0).toString(), QString());
        QTRY_VERIFY_WITH_TIMEOUT(ToastText().startsWith(QStringLiteral("导出失败")), 10000);
        QVERIFY(!Busy()->isVisible());
    }

    void aTypedPathIsUsed_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("folderGetsName");
        QTest::newRow("file") << QStringLiteral("%1/typed.csv") << false;
        QTest::newRow("folder") << QStringLiteral("%1") << true;
        QTest::newRow("folder with separator") << QStringLiteral("%1/") << true;
        QTest::newRow("spaces around") << QStringLiteral("  %1/padded.csv  ") << false;
    }
    void aTypedPathIsUsed()
    {
        QFETCH(QString, typed);
        QFETCH(bool, folderGetsName);
        typed = typed.arg(folder->path());
        ExportDialog& dialog = page->ExportDialogOf();
        QSignalSpy exported(&dialog, &ExportDialog::ExportTrafficParamSig);
        Check({1, 3});
        QTimer::singleShot(0, &dialog, [&dialog, typed] {
            QTest::keyClicks(dialog.findChild<QLineEdit*>(QStringLiteral("lineEditExportPath")), typed);
            QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("pBtnExport")), Qt::LeftButton);
        });
        CloseToasts();
        QTest::mouseClick(page->findChild<QPushButton*>(QStringLiteral("pBtnTrafficParamExport")), Qt::LeftButton);
        QCOMPARE(exported.count(), 1);
        const QString path = exported.at(0).at(0).toString();
        QVERIFY2(QFileInfo(path).absolutePath() == folder->path(), qPrintable(path));
        if (folderGetsName)
            QVERIFY2(QRegularExpression(QStringLiteral("^TrafficParam_\\d{17}\\.csv$"))
                         .match(QFileInfo(path).fileName())
                         .hasMatch(),
                     qPrintable(path));
        else
            QCOMPARE(path, typed.trimmed());
        QTRY_COMPARE_WITH_TIMEOUT(ToastText(), QStringLiteral("2条导出成功0条导出失败"), 10000);
        QCOMPARE(GbkLines(path).size(), 3);
    }

    void emptyPageRefusesExport()
    {
        page->ShowTrafficParamInfo({}, 0, 1, true);
        CloseToasts();
        QTest::mouseClick(page->findChild<QPushButton*>(QStringLiteral("pBtnTrafficParamExport")), Qt::LeftButton);
        QCOMPARE(ToastText(), QStringLiteral("当前无查询结果，将无法导出内容！"));
        QVERIFY(!page->ExportDialogOf().isVisible());
    }

    void screenshots_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("title");
        QTest::newRow("Chinese") << "zh" << QStringLiteral("流量导出路径");
        QTest::newRow("English") << "en" << QStringLiteral("Traffic export path");
    }
    void screenshots()
    {
        QFETCH(QString, language);
        QFETCH(QString, title);
        const Language translation(language);
        QVERIFY(translation.Loaded());
        QFile css(QStringLiteral(":/stylesheet.css"));
        QVERIFY(css.open(QIODevice::ReadOnly));
        qApp->setStyleSheet(QString::fromUtf8(css.readAll()));
        ExportDialog& dialog = page->ExportDialogOf();
        dialog.reTranslateUI();
        dialog.findChild<QLineEdit*>(QStringLiteral("lineEditExportPath"))
            ->setText(QStringLiteral("/home/operator/TrafficParam_20261201080000123.csv"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QDir out = ScreenshotFolder();
        QVERIFY(dialog.grab().save(out.filePath(QStringLiteral("export-dialog-%1.png").arg(language))));
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("labelExportDlgName"))->text(), title);
        dialog.close();
        dialog.reTranslateUI();
    }
};

QTEST_MAIN(TestExport)
#include "test_export.moc"
