#include "PreviewController.h"

#include "DeviceTreeRoles.h"
#include "KvorPlayWindow.h"
#include "KvorSplitWndsCtrl.h"
#include "MonitorLog.h"
#include "RequstRunables.h"
#include "SplitScreen.h"
#include "TipBox.h"

#include "data/ImplementInstance.h"
#include "core/LanguageManage.h"
#include "core/SettingsStore.h"
#include "core/stu_DeviceChannelInfo.h"
#include "device/DeviceManager.h"
#include "dialogs/MessageInfoDlg.h"
#include "dialogs/OverTip.h"
#include "dialogs/QPromptWidget.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPersistentModelIndex>
#include <QStandardItemModel>

namespace {

constexpr int kChannelRole = DeviceTreeRoles::Channel;
constexpr int kPaneRole = DeviceTreeRoles::PaneIndex;
constexpr int kPreviewStateRole = DeviceTreeRoles::PreviewState;
constexpr int kLoginStateRole = DeviceTreeRoles::LoginState;
constexpr int kBusyRole = DeviceTreeRoles::Busy;
constexpr int kLoginRole = DeviceTreeRoles::Login;
enum PreviewState { Idle = 0, Playing = 1, Failed = 2 };

std::shared_ptr<spdlog::logger> Log()
{
    return CorvaneLog();
}

// The texts keep the window's translation context.
QString Text(const char* source)
{
    return QCoreApplication::translate("Corvane", source);
}

int StreamType()
{
    ImplementInstance* instance = ImplementInstance::GetInstance();
    return instance ? instance->GetConfig()->GetValue(QStringLiteral("Param/StreamType"), true).toInt() : 0;
}

} // namespace

PreviewController::PreviewController(const Widgets& widgets, QStandardItemModel* tree, QObject* parent)
    : QObject(parent), ui(widgets), pDeviceModel(tree)
{
    // The pane grid takes split mode 1 once the live-video grid is in the form.
    ui.grid->SetSplitMode(1);
    pixSplitScreen.load(QStringLiteral(":images/preview/splitscreen.png"));
    const int band = pixSplitScreen.height() / 5;
    ui.splitScreenButton->setPixmap(pixSplitScreen.copy(0, 32, pixSplitScreen.width(), band));
    // From every pane, those the grid has yet to make too.
    connect(ui.grid, &KvorSplitWndsCtrl::RealPlayDisplaced, this, &PreviewController::MarkChannelIdle);
    // The number of pages follows the cameras in the tree and the layout.
    if (pDeviceModel) {
        connect(pDeviceModel, &QAbstractItemModel::rowsInserted, this, &PreviewController::UpdatePagingBar);
        connect(pDeviceModel, &QAbstractItemModel::rowsRemoved, this, &PreviewController::UpdatePagingBar);
        connect(pDeviceModel, &QAbstractItemModel::modelReset, this, &PreviewController::UpdatePagingBar);
    }
    UpdatePagingBar();
}

void PreviewController::MarkChannelIdle(const QString& channelIp)
{
    for (const QModelIndex& row : ChannelRows())
        if (row.data(kChannelRole).value<stu_DeviceChannelInfo>().channelIp == channelIp)
            MarkChannelPreview(row, Idle);
}

void PreviewController::UpdatePagingBar()
{
    // The bar is there only when there is somewhere to turn to.
    const int total = TotalPages();
    ui.turnPageFrame->setVisible(total > 1);
    if (total < 1)
        return;
    const int current = qBound(1, ui.currentPage->text().toInt(), total);
    ui.currentPage->setText(QString::number(current));
    ui.totalPages->setText(QString::number(total));
    ui.nextPage->setEnabled(current < total);
    ui.lastPage->setEnabled(current < total);
    ui.firstPage->setEnabled(current > 1);
    ui.previousPage->setEnabled(current > 1);
}

void PreviewController::CloseRetiredChannel(const QModelIndex& channelRow)
{
    if (CloseChannelRow(channelRow) && nPreviewCount > 0)
        --nPreviewCount;
}

void PreviewController::CloseLayoutChooser()
{
    if (pSplitScreen)
        pSplitScreen->close();
}

QList<QModelIndex> PreviewController::ChannelRows() const
{
    QList<QModelIndex> rows;
    if (!pDeviceModel)
        return rows;
    for (int d = 0; d < pDeviceModel->rowCount(); ++d) {
        const QModelIndex device = pDeviceModel->index(d, 0);
        for (int c = 0; c < pDeviceModel->rowCount(device); ++c)
            rows << pDeviceModel->index(c, 0, device);
    }
    return rows;
}

bool PreviewController::IsPlayableChannel(const QModelIndex& row) const
{
    const int state = row.data(kPreviewStateRole).toInt();
    const QVariant login = row.data(kLoginStateRole);
    return state != Playing && state != Failed && !(login.isValid() && login.toInt() == 0);
}

void PreviewController::MarkChannelPreview(const QModelIndex& channelRow, int state)
{
    if (!pDeviceModel || !channelRow.isValid())
        return;
    QStandardItem* item = pDeviceModel->itemFromIndex(channelRow);
    if (state == Idle) {
        item->setIcon(QIcon(QStringLiteral(":images/preview/generalChannel.png")));
        item->setData(state, kPreviewStateRole);
        return;
    }
    // A failed preview has a picture of its own: the camera's login is fine.
    MarkChannelPane(item, channelRow.data(kPaneRole).value<quint16>(), state == Playing);
}

int PreviewController::StartOnePreview(const QModelIndex& channelRow)
{
    unsigned short paneIndex = 0;
    KvorPlayWindow* pane = ui.grid->GetCurPlayWindow(paneIndex);
    if (!pane)
        return -1;
    if (pane->IsPlaying() || pane->IsStarting())
        // The pane shows another channel: that channel's row goes back to idle.
        MarkChannelIdle(pane->PlayingChannelIp());
    const auto channel = channelRow.data(kChannelRole).value<stu_DeviceChannelInfo>();
    pDeviceModel->setData(channelRow, QVariant::fromValue<quint16>(paneIndex), kPaneRole);
    // Marked at once, so the row cannot be started twice while it starts.
    MarkChannelPreview(channelRow, Playing);
    // The result comes back on the GUI thread; the persistent index follows
    // the row if the tree changes meanwhile and is invalid if it is removed.
    const QPersistentModelIndex row(channelRow);
    RequstRunables::RequestPreview(pane, channel, StreamType(), [this, row](bool ok) {
        if (row.isValid())
            MarkChannelPreview(row, ok ? Playing : Failed);
    });
    ui.grid->SelectNextWnd();
    return paneIndex;
}

bool PreviewController::IsRowReady(const QModelIndex& index) const
{
    if (!pDeviceModel || !pDeviceModel->itemFromIndex(index))
        return false;
    if (index.data(kBusyRole).toInt() == 1) {
        QPromptWidget::ShowPrompt(QPromptWidget::Tips, Text("正在获取设备通道信息，请稍候..."), ui.window, 3000);
        return false;
    }
    return true;
}

void PreviewController::Play(const QModelIndex& index)
{
    if (!IsRowReady(index))
        return;
    if (index.parent().isValid()) {
        if (IsPlayableChannel(index))
            StartOnePreview(index);
        return;
    }
    const int rows = pDeviceModel->rowCount(index);
    for (int r = 0; r < rows; ++r) {
        const int n = ui.grid->WindowNums();
        if (n <= nPreviewCount) {
            Log()->error("{}, WindowNums:{}, AlreadyPreviewNums:{}", "Corvane::PlaySlot", n, nPreviewCount);
            return;
        }
        if (rows > n)
            ui.turnPageFrame->setEnabled(true);
        const QModelIndex row = pDeviceModel->index(r, 0, index);
        if (!IsPlayableChannel(row))
            continue;
        const int used = StartOnePreview(row);
        if (used < 0)
            return;
        ++nPreviewCount;
        if (used >= n - 1)
            return;
    }
}

bool PreviewController::CloseChannelRow(const QModelIndex& channelRow)
{
    // Only the pane that shows this channel stops; a row without a pane (or
    // whose pane now shows another camera) stops nothing.
    const auto channel = channelRow.data(kChannelRole).value<stu_DeviceChannelInfo>();
    KvorPlayWindow* pane = ui.grid->FindPlayWindowByIp(channel.channelIp);
    const int state = channelRow.data(kPreviewStateRole).toInt();
    if (pane)
        pane->StopPlay();
    if (pane || state != Idle)
        MarkChannelPreview(channelRow, Idle);
    return pane != nullptr;
}

void PreviewController::ClosePlay(const QModelIndex& index)
{
    if (!IsRowReady(index))
        return;
    if (index.parent().isValid()) {
        CloseChannelRow(index);
        nPreviewCount = 0;
        return;
    }
    for (int r = 0; r < pDeviceModel->rowCount(index); ++r)
        if (CloseChannelRow(pDeviceModel->index(r, 0, index)) && nPreviewCount > 0)
            --nPreviewCount;
}

void PreviewController::PlayDoubleClicked(const QModelIndex& index)
{
    if (!index.parent().isValid() || !IsPlayableChannel(index))
        return;
    StartOnePreview(index);
}

void PreviewController::CloseAll()
{
    if (!pDeviceModel)
        return;
    for (int d = 0; d < pDeviceModel->rowCount(); ++d)
        ClosePlay(pDeviceModel->index(d, 0));
}

void PreviewController::StopAllPreviews()
{
    ui.playAll->setEnabled(true);
    ui.grid->StopAll();
    for (const QModelIndex& row : ChannelRows())
        if (row.data(kPreviewStateRole).toInt() != Idle)
            MarkChannelPreview(row, Idle);
    ui.currentPage->setText(QStringLiteral("1"));
    nPreviewCount = 0;
}

int PreviewController::TotalPages() const
{
    // A page shows as many channels as the layout has panes.
    const int n = ui.grid->WindowNums();
    const int channels = ChannelRows().size();
    return (channels + n - 1) / n;
}

void PreviewController::PlayPage(int page)
{
    // Page p shows the channels from (p - 1) x panes on, from the first pane.
    const int n = ui.grid->WindowNums();
    const QList<QModelIndex> rows = ChannelRows();
    ui.grid->OnWndClicked(1);
    int started = 0;
    for (int r = (page - 1) * n; r < rows.size() && r < page * n && started < n; ++r) {
        if (!IsPlayableChannel(rows[r]))
            continue;
        const int used = StartOnePreview(rows[r]);
        if (used < 0)
            break;
        ++started;
        if (used >= n - 1)
            break;
    }
}

void PreviewController::ShowPage(int page, int total)
{
    ui.currentPage->setText(QString::number(page));
    ui.totalPages->setText(QString::number(total));
    ui.firstPage->setEnabled(page > 1);
    ui.previousPage->setEnabled(page > 1);
    ui.nextPage->setEnabled(page < total);
    ui.lastPage->setEnabled(page < total);
    ui.turnPageFrame->setEnabled(total > 1);
    ui.turnPageFrame->setVisible(total > 1);
    PlayPage(page);
}

void PreviewController::FirstPage()
{
    StopAllPreviews();
    ShowPage(1, TotalPages());
}

void PreviewController::LastPage()
{
    StopAllPreviews();
    const int total = TotalPages();
    ShowPage(qMax(total, 1), total);
}

void PreviewController::NextPage()
{
    const int current = ui.currentPage->text().toInt();
    StopAllPreviews();
    const int total = TotalPages();
    ShowPage(qBound(1, current + 1, qMax(total, 1)), total);
}

void PreviewController::PreviousPage()
{
    const int current = ui.currentPage->text().toInt();
    StopAllPreviews();
    const int total = TotalPages();
    if (total == 0)
        return;
    ShowPage(qMax(1, current - 1), total);
}

void PreviewController::ToggleLayoutChooser()
{
    if (!pSplitScreen) {
        pSplitScreen = new SplitScreen(ui.window);
        connect(
            pSplitScreen, &SplitScreen::ShowSplitScreenSig, this, [this](QString& text) { ShowLayout(text); },
            Qt::AutoConnection);
        connect(LanguageManage::GetInstance(), &LanguageManage::languageChangeSig, pSplitScreen,
                &SplitScreen::reTranslateUI);
    }
    if (pSplitScreen->isVisible()) {
        pSplitScreen->close();
        return;
    }
    pSplitScreen->PopUpOver(ui.grid, ui.splitScreenButton);
}

void PreviewController::RepositionLayoutChooser()
{
    if (pSplitScreen && pSplitScreen->isVisible()) {
        pSplitScreen->PlaceOver(ui.grid);
    }
}

void PreviewController::ShowLayout(const QString& text)
{
    struct Layout
    {
        QString name;
        int mode;
        bool needsSubStream;
    };
    const Layout layouts[] = {{Text("1分屏"), 0, false},
                              {Text("4分屏"), 1, false},
                              {Text("6分屏"), 2, true},
                              {Text("9分屏"), 5, true},
                              {Text("16分屏"), 8, true}};
    const int band = pixSplitScreen.height() / 5;
    for (int frame = 0; frame < 5; ++frame) {
        const Layout& layout = layouts[frame];
        if (layout.name != text)
            continue;
        if (layout.needsSubStream && StreamType() == 0) {
            const int mode = ui.grid->SplitMode();
            ui.grid->SetSplitMode(mode);
            ui.splitScreenButton->setPixmap(
                pixSplitScreen.copy(0, 32 * (mode != 0 ? 1 : 0), pixSplitScreen.width(), band));
            MessageInfoDlg message(ui.window);
            message.SetText(Text("如需选择") + text + Text("，请在 配置-码流类型 选择【子码流】！"));
            message.exec();
            return;
        }
        ui.grid->SetSplitMode(layout.mode);
        ui.splitScreenButton->setPixmap(pixSplitScreen.copy(0, 32 * frame, pixSplitScreen.width(), band));
        UpdatePagingBar();
        return;
    }
}

void PreviewController::ExpandScreen()
{
    if (ui.grid->WindowNums() > 1)
        ui.grid->SetFullScreen(true);
}

void PreviewController::ShowTipBox(const QString& text, const QString& buttonText, const QPoint& at)
{
    if (!pTipBox) {
        pTipBox = new TipBox(ui.window);
        connect(pTipBox, &TipBox::TimesSig, this, &PreviewController::TipClicked);
        pOverTip = new OverTip(ui.window);
        pTipBox->SetAttachedWidget(pOverTip);
    }
    pTipBox->SetText(text, buttonText);
    pTipBox->move(at);
    pTipBox->show();
    pTipBox->raise();
    // The strip sits on the bubble's top edge and goes with it.
    pOverTip->move(at.x(), qMax(0, at.y() - pOverTip->height()));
    pOverTip->show();
    pOverTip->raise();
}

void PreviewController::RememberRecordingCamera(const QModelIndex& index)
{
    if (!pDeviceModel)
        return;
    QStandardItem* item = pDeviceModel->itemFromIndex(index);
    if (!item || !item->isCheckable() || item->checkState() != Qt::Checked)
        return;
    const auto login = index.data(kLoginRole).value<stu_LoginInfo>();
    for (const stu_LoginInfo& known : qlistRecordingLogin)
        if (known.deviceIp == login.deviceIp && known.port == login.port)
            return;
    qlistRecordingLogin << login;
}

void PreviewController::SwitchRecording(int state)
{
    // The device link keeps the recording rules: one recording per camera, and
    // a stop that waits for the starts under way.
    DeviceManager* devices = DeviceManager::GetInstance();
    if (!devices)
        return;
    if (state == 0)
        devices->StartRecording(qlistRecordingLogin);
    else
        devices->StopRecording();
}
