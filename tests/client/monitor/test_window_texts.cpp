// The main window and its dialogs as an English-speaking operator meets them,
// and small faults of the window's frame: no Chinese left and no text wider
// than its widget; the incident prompt follows a language switch and keeps
// clear of the window's controls; the resize cursor goes back when the
// pointer leaves; the device search answers Enter; the hint list closes with
// its page.

#include "ClientFolder.h"

#include "data/ImplementInstance.h"
#include "core/IncidentVocabulary.h"
#include "core/LanguageManage.h"
#include "core/TrafficIncident.h"
#include "dialogs/AboutDialog.h"
#include "dialogs/AddDeviceDlg.h"
#include "dialogs/ConfigDialog.h"
#include "dialogs/MessageInfoDlg.h"
#include "dialogs/QuickSetDialog.h"
#include "CorvaneParts.h"
#include "monitor/Corvane.h"
#include "monitor/HintListWidget.h"
#include "monitor/IncidentDetailInfoDialog.h"
#include "monitor/IncidentPromptsDialog.h"
#include "monitor/QWinNativeEventFilter.h"
#include "monitor/RtspDialog.h"
#include "monitor/SplitScreen.h"
#include "search/ExportDialog.h"
#include "search/SearchFrame.h"
#include "search/VideoDetailInfoDialog.h"

#include "QRangeDateTimeEditWithPopup.h"
#include "QSimpleSliderNavigation.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QRegularExpression>
#include <QStyle>
#include <QTableWidget>
#include <QTest>
#include <QTextDocument>
#include <QTreeView>
#include <QWindow>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

bool HasChinese(const QString& text)
{
    static const QRegularExpression han(QStringLiteral("[\\x{3400}-\\x{9fff}\\x{3000}-\\x{303f}\\x{ff00}-\\x{ffef}]"));
    return text.contains(han);
}

QString NameOf(const QWidget* widget)
{
    return QStringLiteral("%1 %2").arg(QString::fromLatin1(widget->metaObject()->className()), widget->objectName());
}

// Width a label's text needs on one line.
int LabelTextWidth(const QLabel* label)
{
    QString text = label->text();
    if (Qt::mightBeRichText(text)) {
        QTextDocument document;
        document.setHtml(text);
        text = document.toPlainText();
    }
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, label->fontMetrics().horizontalAdvance(line));
    return widest + 2 * label->margin() + label->indent() * (label->indent() > 0 ? 1 : 0);
}

// Width a button's text and icon need, without its padding.
int ButtonContentWidth(const QAbstractButton* button)
{
    int width = button->fontMetrics().horizontalAdvance(button->text());
    if (!button->icon().isNull())
        width += button->iconSize().width() + 4;
    QStyle* style = button->style();
    if (qobject_cast<const QCheckBox*>(button))
        width += style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, button) +
                 style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, button);
    else if (qobject_cast<const QRadioButton*>(button))
        width += style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, button) +
                 style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, button);
    return width;
}

// Everything the operator reads in `root` (a window) that is still Chinese or
// wider than the widget it stands in. Widgets of other windows are left out:
// pop-ups and dialogs are walked on their own.
QStringList TextFaults(QWidget* root, const std::function<bool(QWidget*)>& skip = {})
{
    QStringList faults;
    auto shown = [root, &skip](QWidget* widget) {
        return widget->window() == root && widget->isVisible() && !(skip && skip(widget));
    };
    auto chinese = [&faults](QWidget* widget, const QString& what, const QString& text) {
        if (HasChinese(text))
            faults << QStringLiteral("%1: %2 \"%3\" is Chinese").arg(NameOf(widget), what, text);
    };
    for (QLabel* label : root->findChildren<QLabel*>()) {
        if (!shown(label) || label->text().isEmpty())
            continue;
        chinese(label, QStringLiteral("text"), label->text());
        const int needed = LabelTextWidth(label);
        if (!label->wordWrap() && needed > label->contentsRect().width() + 1)
            faults << QStringLiteral("%1: \"%2\" needs %3 px, has %4")
                          .arg(NameOf(label), label->text())
                          .arg(needed)
                          .arg(label->contentsRect().width());
    }
    for (QAbstractButton* button : root->findChildren<QAbstractButton*>()) {
        if (!shown(button) || button->text().isEmpty())
            continue;
        chinese(button, QStringLiteral("text"), button->text());
        if (ButtonContentWidth(button) > button->width())
            faults << QStringLiteral("%1: \"%2\" needs %3 px, has %4")
                          .arg(NameOf(button), button->text())
                          .arg(ButtonContentWidth(button))
                          .arg(button->width());
    }
    for (QLineEdit* edit : root->findChildren<QLineEdit*>())
        if (shown(edit))
            chinese(edit, QStringLiteral("placeholder"), edit->placeholderText());
    for (QComboBox* combo : root->findChildren<QComboBox*>())
        if (shown(combo))
            for (int i = 0; i < combo->count(); ++i)
                chinese(combo, QStringLiteral("item"), combo->itemText(i));
    for (QHeaderView* header : root->findChildren<QHeaderView*>()) {
        if (!shown(header) || !header->model())
            continue;
        for (int i = 0; i < header->count(); ++i)
            chinese(header, QStringLiteral("heading"),
                    header->model()->headerData(i, header->orientation()).toString());
    }
    for (QTabWidget* tabs : root->findChildren<QTabWidget*>())
        if (shown(tabs))
            for (int i = 0; i < tabs->count(); ++i)
                chinese(tabs, QStringLiteral("tab"), tabs->tabText(i));
    for (QListWidget* list : root->findChildren<QListWidget*>()) {
        if (!shown(list))
            continue;
        for (int i = 0; i < list->count(); ++i) {
            const QString text = list->item(i)->text();
            chinese(list, QStringLiteral("item"), text);
            const QRect cell = list->visualItemRect(list->item(i));
            // The rows of the date pop-up's shortcut list start 15 px in.
            const int needed = list->fontMetrics().horizontalAdvance(text) + 15;
            if (cell.width() > 0 && needed > list->viewport()->width())
                faults << QStringLiteral("%1: item \"%2\" needs %3 px, has %4")
                              .arg(NameOf(list), text)
                              .arg(needed)
                              .arg(list->viewport()->width());
        }
    }
    return faults;
}

TrafficIncident SampleIncident(quint32 type)
{
    TrafficIncident incident;
    incident.time = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss"));
    incident.deviceIp = QStringLiteral("127.0.10.1");
    incident.channelIp = QStringLiteral("127.0.10.2");
    incident.incidentType = type;
    incident.laneNo = 2;
    return incident;
}

QRect GlobalRect(const QWidget* widget)
{
    return QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
}

} // namespace

class WindowTextsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void everyWindowAndDialogInEnglishFits();
    void searchPageOpenedBeforeTheSwitchFitsInEnglish();
    void visiblePromptFollowsALanguageSwitch();
    void promptLeavesTheMaximisedWindowsPagingBarReachable();
    void resizeCursorGoesBackWhenThePointerMovesToAnotherWindow();
    void enterInTheDeviceSearchBoxSearches();
    void hintListClosesWhenTheSearchPageOpens();

private:
    void SwitchToEnglishByTheButton();
    void ShowPrompt(quint32 type);
    IncidentPromptsDialog* Prompt() const { return window->findChild<IncidentPromptsDialog*>(); }
    // Saves its pictures as `shots`-search-TAB.png and `shots`-date-popup-TAB.png.
    void WalkSearchPage(QStringList& faults, const QString& shots);
    void WalkDialog(QWidget& dialog, const QString& name, QStringList& faults);

    ClientFolder folder;
    devsim::Simulator simulator;
    std::vector<devsim::DeviceSpec> devices;
    quint16 alarmPort = 0;
    std::unique_ptr<Corvane> window;
};

void WindowTextsTest::initTestCase()
{
    folder.PrepareApplication();
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder.Path() + QStringLiteral("/xdg-config")));
    qApp->installEventFilter(new QWinNativeEventFilter(qApp));
    alarmPort = testsupport::reservePort();
    devices = SimulatedDevices(1, 1, alarmPort);
    std::string error;
    QVERIFY2(simulator.start(devices, devsim::Simulator::defaultClipPath(), error), error.c_str());
    QVERIFY(folder.StoreDevices(devices));
    LanguageManage::GetInstance()->SwitchLanguage(LanguageManage::Chinese);
}

void WindowTextsTest::init()
{
    QVERIFY(TSR_Init());
    QVERIFY(ImplementInstance::CreateInstance());
    ImplementInstance::GetInstance()->InitImplementInstance();
    window = std::make_unique<Corvane>(nullptr, alarmPort);
    window->move(40, 40);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void WindowTextsTest::cleanup()
{
    if (window)
        window->close();
    window.reset();
    QVERIFY(!ImplementInstance::GetInstance());
    LanguageManage::GetInstance()->SwitchLanguage(LanguageManage::Chinese);
}

void WindowTextsTest::cleanupTestCase()
{
    simulator.stop();
}

void WindowTextsTest::SwitchToEnglishByTheButton()
{
    QTest::mouseClick(FORM_WIDGET(window, pBnSwitchLanguage), Qt::LeftButton);
    QCOMPARE(LanguageManage::GetInstance()->CurrentLanguage(), int(LanguageManage::English));
    // The widgets' own LanguageChange events are posted.
    QCoreApplication::processEvents();
}

void WindowTextsTest::ShowPrompt(quint32 type)
{
    if (Prompt())
        Prompt()->close();
    window->DealIncidentPromptsSlot(SampleIncident(type));
    // The window paints the newest incident at its next frame.
    QTRY_VERIFY(Prompt() && Prompt()->isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(Prompt()));
}

void WindowTextsTest::WalkDialog(QWidget& dialog, const QString& name, QStringList& faults)
{
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog)) {
        faults << name + QStringLiteral(": never shown");
        return;
    }
    QCoreApplication::processEvents();
    for (const QString& fault : TextFaults(&dialog))
        faults << name + QStringLiteral(": ") + fault;
    QVERIFY(dialog.grab().save(QStringLiteral(CORVANE_SCREENSHOT_DIR "/english-%1.png").arg(name)));
    dialog.hide();
}

void WindowTextsTest::WalkSearchPage(QStringList& faults, const QString& shots)
{
    window->TopSliderNavigationItemClickedSlot(1);
    auto* tabs = window->findChild<QSimpleSliderNavigation*>(QStringLiteral("qSimpleSliderNavigation"));
    QVERIFY(tabs);
    const QStringList names{QStringLiteral("incidents"), QStringLiteral("violations"), QStringLiteral("traffic")};
    for (int tab = 0; tab < tabs->count(); ++tab) {
        tabs->setCurrentIndex(tab);
        QCoreApplication::processEvents();
        for (const QString& fault : TextFaults(window.get()))
            faults << QStringLiteral("search page %1: %2").arg(names.value(tab), fault);
        QVERIFY(window->grab().save(
            QStringLiteral(CORVANE_SCREENSHOT_DIR "/%1-search-%2.png").arg(shots, names.value(tab))));
        // The period's pop-up, opened as the operator does.
        const QList<QRangeDateTimeEditWithPopup*> periods =
            tabs->currentWidget()->findChildren<QRangeDateTimeEditWithPopup*>();
        QCOMPARE(periods.size(), 1);
        auto* opener = periods.at(0)->findChild<QAbstractButton*>(QStringLiteral("calendarButton"));
        QVERIFY(opener);
        QTest::mouseClick(opener, Qt::LeftButton);
        QWidget* popup = nullptr;
        for (QWidget* child : periods.at(0)->findChildren<QWidget*>())
            if (child->isWindow() && child->inherits("QRangeCalendarWidget"))
                popup = child;
        QVERIFY(popup);
        QTRY_VERIFY(popup->isVisible());
        QCoreApplication::processEvents();
        for (const QString& fault : TextFaults(popup))
            faults << QStringLiteral("date pop-up %1: %2").arg(names.value(tab), fault);
        QVERIFY(popup->grab().save(
            QStringLiteral(CORVANE_SCREENSHOT_DIR "/%1-date-popup-%2.png").arg(shots, names.value(tab))));
        popup->hide();
    }
    tabs->setCurrentIndex(0);
    window->TopSliderNavigationItemClickedSlot(0);
}

void WindowTextsTest::everyWindowAndDialogInEnglishFits()
{
    QVERIFY(QDir().mkpath(QStringLiteral(CORVANE_SCREENSHOT_DIR)));
    SwitchToEnglishByTheButton();
    QStringList faults;
    for (const QString& fault : TextFaults(window.get()))
        faults << QStringLiteral("preview page: ") + fault;
    QVERIFY(window->grab().save(QStringLiteral(CORVANE_SCREENSHOT_DIR "/english-preview.png")));
    // First opened now, so built in English.
    WalkSearchPage(faults, QStringLiteral("english"));

    ShowPrompt(VehicleViolation);
    for (const QString& fault : TextFaults(Prompt()))
        faults << QStringLiteral("prompt: ") + fault;
    QVERIFY(Prompt()->grab().save(QStringLiteral(CORVANE_SCREENSHOT_DIR "/english-prompt.png")));
    Prompt()->close();

    {
        ConfigDialog dialog(window.get());
        dialog.reTranslateUI();
        WalkDialog(dialog, QStringLiteral("settings"), faults);
    }
    {
        QuickSetDialog dialog(window.get());
        WalkDialog(dialog, QStringLiteral("quick-settings"), faults);
    }
    {
        AboutDialog dialog(Corvane::BuildVersionText(), window.get());
        WalkDialog(dialog, QStringLiteral("about"), faults);
    }
    {
        AddDeviceDlg dialog(window.get());
        dialog.reTranslateUI();
        WalkDialog(dialog, QStringLiteral("add-device"), faults);
    }
    {
        IncidentDetailInfoDialog dialog(window.get());
        dialog.SetInfo(QString(), QString::fromStdString(IncidentTypeName(VehicleViolation)),
                       QStringLiteral("2026_12_10 13:45:02"), QStringLiteral("127.0.10.1"),
                       QStringLiteral("127.0.10.2"), 2, QString());
        WalkDialog(dialog, QStringLiteral("incident-details"), faults);
    }
    {
        ExportDialog dialog(window.get());
        dialog.reTranslateUI();
        WalkDialog(dialog, QStringLiteral("export"), faults);
    }
    {
        VideoDetailInfoDialog dialog(window.get());
        dialog.reTranslateUI();
        WalkDialog(dialog, QStringLiteral("playback"), faults);
    }
    {
        RtspDialog dialog;
        WalkDialog(dialog, QStringLiteral("rtsp"), faults);
    }
    {
        SplitScreen chooser(window.get());
        chooser.reTranslateUI();
        WalkDialog(chooser, QStringLiteral("layouts"), faults);
    }
    QVERIFY2(faults.isEmpty(), qPrintable(QStringLiteral("\n") + faults.join(QLatin1Char('\n'))));
}

void WindowTextsTest::searchPageOpenedBeforeTheSwitchFitsInEnglish()
{
    QVERIFY(QDir().mkpath(QStringLiteral(CORVANE_SCREENSHOT_DIR)));
    // Built in Chinese, then the switch: the page and its date pop-ups follow it.
    window->TopSliderNavigationItemClickedSlot(1);
    window->TopSliderNavigationItemClickedSlot(0);
    SwitchToEnglishByTheButton();
    QStringList faults;
    WalkSearchPage(faults, QStringLiteral("english-switched"));
    QVERIFY2(faults.isEmpty(), qPrintable(QStringLiteral("\n") + faults.join(QLatin1Char('\n'))));
}

void WindowTextsTest::visiblePromptFollowsALanguageSwitch()
{
    ShowPrompt(RoadBlock);
    auto* type = Prompt()->findChild<QLabel*>(QStringLiteral("labelIncidentType"));
    auto* channel = Prompt()->findChild<QLabel*>(QStringLiteral("labelChannelNo"));
    QVERIFY(type && channel);
    QCOMPARE(type->text(), QStringLiteral("路障"));
    // Nothing but the operator's click on the window's language button.
    SwitchToEnglishByTheButton();
    QVERIFY(Prompt()->isVisible());
    QCOMPARE(type->text(), QString::fromStdString(IncidentTypeName(RoadBlock)));
    QCOMPARE(type->text(), QStringLiteral("Roadblock"));
    QCOMPARE(channel->text(), QStringLiteral("Channel"));
    QVERIFY2(TextFaults(Prompt()).isEmpty(), qPrintable(TextFaults(Prompt()).join(QLatin1Char('\n'))));
    // The live list names the type as the prompt does.
    QCOMPARE(LiveListTypeName(window, RoadBlock), type->text());
}

void WindowTextsTest::promptLeavesTheMaximisedWindowsPagingBarReachable()
{
    QTest::mouseClick(FORM_WIDGET(window, toolButton_max), Qt::LeftButton);
    QVERIFY(window->isMaximized());
    window->TopSliderNavigationItemClickedSlot(1);
    auto* tabs = window->findChild<QSimpleSliderNavigation*>(QStringLiteral("qSimpleSliderNavigation"));
    QVERIFY(tabs);
    // The traffic page's table is the window's full width: its paging bar
    // ends at the screen's right edge, where the prompt stands.
    for (int tab = 0; tab < tabs->count(); ++tab) {
        tabs->setCurrentIndex(tab);
        const auto pagingButtonShown = [this] {
            for (QPushButton* button : window->findChildren<QPushButton*>(QStringLiteral("pBtnLastPage")))
                if (button->isVisible())
                    return true;
            return false;
        };
        QTRY_VERIFY(pagingButtonShown());
        ShowPrompt(Congestion);
        const QRect prompt = Prompt()->frameGeometry();
        QStringList covered;
        for (QWidget* control : window->findChildren<QWidget*>()) {
            if (!control->isVisible() || control->window() != window.get())
                continue;
            if ((qobject_cast<QAbstractButton*>(control) || qobject_cast<QLineEdit*>(control) ||
                 qobject_cast<QComboBox*>(control)) &&
                prompt.intersects(GlobalRect(control)))
                covered << NameOf(control);
        }
        QVERIFY2(covered.isEmpty(),
                 qPrintable(QStringLiteral("tab %1: ").arg(tab) + covered.join(QStringLiteral(", "))));
        // Still at the screen's right edge, as near the corner as the controls allow.
        const QRect area = window->screen()->availableGeometry();
        QCOMPARE(prompt.right(), area.right());
        Prompt()->close();
    }
}

void WindowTextsTest::resizeCursorGoesBackWhenThePointerMovesToAnotherWindow()
{
    QWidget other;
    other.setGeometry(window->geometry().right() + 20, 40, 200, 200);
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    QWindow* handle = window->windowHandle();
    // Inside the right resize band, just inside the 12 px shadow margin.
    const QPoint band(window->width() - QWinNativeEventFilter::kShadowMargin - 2, window->height() / 2);
    QTest::mouseMove(handle, band);
    QTRY_VERIFY(QGuiApplication::overrideCursor());
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::SizeHorCursor);
    QTest::mouseMove(other.windowHandle(), QPoint(100, 100));
    QTRY_VERIFY2(!QGuiApplication::overrideCursor(), "the resize cursor stayed over another window");
    // And back over the band it comes again.
    QTest::mouseMove(handle, band);
    QTRY_VERIFY(QGuiApplication::overrideCursor());
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(handle, &leave);
    QVERIFY2(!QGuiApplication::overrideCursor(), "the resize cursor stayed after the pointer left");
}

void WindowTextsTest::enterInTheDeviceSearchBoxSearches()
{
    QTRY_COMPARE_WITH_TIMEOUT(TreeOf(window)->LoggedInDevices().size(), int(devices.size()), 30000);
    QLineEdit* box = FORM_WIDGET(window, lineEditSreachBox);
    window->activateWindow();
    box->setFocus();
    QCOMPARE(window->focusWidget(), box);
    // A text no device has: the search hides every row.
    box->setText(QStringLiteral("no-such-device"));
    TreeOf(window)->HintList()->hide();
    QTreeView* tree = FORM_WIDGET(window, treeViewDevice);
    QVERIFY(!tree->isRowHidden(0, QModelIndex()));
    QTest::keyClick(box, Qt::Key_Return);
    QTRY_VERIFY2(tree->isRowHidden(0, QModelIndex()), "Enter did not search");
    // The start of the device's name finds it again, with the keypad's Enter.
    box->setText(tree->model()->index(0, 0).data().toString().left(3));
    TreeOf(window)->HintList()->hide();
    QTest::keyClick(box, Qt::Key_Enter);
    QTRY_VERIFY(!tree->isRowHidden(0, QModelIndex()));
}

void WindowTextsTest::hintListClosesWhenTheSearchPageOpens()
{
    QLineEdit* box = FORM_WIDGET(window, lineEditSreachBox);
    // A search stored earlier is offered as a hint for what is typed.
    window->SearchDeviceSlot(QStringLiteral("127.0"));
    box->clear();
    box->setText(QStringLiteral("127"));
    QTRY_VERIFY(TreeOf(window)->HintList()->isVisible());
    window->TopSliderNavigationItemClickedSlot(1);
    QVERIFY(!TreeOf(window)->HintList()->isVisible());
}

QTEST_MAIN(WindowTextsTest)
#include "test_window_texts.moc"
