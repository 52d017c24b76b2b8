// The main window's live video: which channels of the device tree play in
// which panes of the grid, paging, the split layouts, full screen and the
// continuous-recording switch.
#include "Corvane.h"

#include "DeviceTreeRoles.h"
#include "KvorPlayWindow.h"
#include "KvorSplitWndsCtrl.h"
#include "RequstRunables.h"
#include "SplitScreen.h"
#include "TipBox.h"

#include "data/ImplementInstance.h"
#include "core/LanguageManage.h"
#include "core/Logging.h"
#include "core/SettingsStore.h"
#include "dialogs/MessageInfoDlg.h"
#include "dialogs/OverTip.h"
#include "dialogs/QPromptWidget.h"

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
enum TreeIcon { GeneralChannel = 2 };

std::shared_ptr<spdlog::logger> Log()
{
    return LoggerFor("Corvane");
}

int StreamType()
{
    ImplementInstance* instance = ImplementInstance::GetInstance();
    return instance ? instance->GetConfig()->GetValue(QStringLiteral("Param/StreamType"), true).toInt() : 0;
}

}  // namespace

QList<QModelIndex> Corvane::ChannelRows() const
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

bool Corvane::IsPlayableChannel(const QModelIndex& row) const
{
    const int state = row.data(kPreviewStateRole).toInt();
    const QVariant login = row.data(kLoginStateRole);
    return state != Playing && state != Failed && !(login.isValid() && login.toInt() == 0);
}

void Corvane::MarkChannelPreview(const QModelIndex& channelRow, int state)
{
    if (!pDeviceModel || !channelRow.isValid())
        return;
    QStandardItem* item = pDeviceModel->itemFromIndex(channelRow);
    if (state == Idle) {
        item->setIcon(mapIcon.value(GeneralChannel));
        item->setData(state, kPreviewStateRole);
        return;
    }
    // A failed preview has a picture of its own: the camera's login is fine.
    UpdateChannelIcon(item, channelRow.data(kPaneRole).value<quint16>(), state == Playing);
}

int Corvane::StartOnePreview(const QModelIndex& channelRow)
{
    unsigned short paneIndex = 0;
    KvorPlayWindow* pane = ui.widgetPreview->GetCurPlayWindow(paneIndex);
    if (!pane)
        return -1;
    if (pane->IsPlaying() || pane->IsStarting()) {
        // The pane shows another channel: that channel's row goes back to idle.
        const QString ip = pane->PlayingChannelIp();
        for (const QModelIndex& row : ChannelRows())
            if (row.data(kChannelRole).value<stu_DeviceChannelInfo>().channelIp == ip)
                MarkChannelPreview(row, Idle);
    }
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
    ui.widgetPreview->SelectNextWnd();
    return paneIndex;
}

void Corvane::PlaySlot(const QModelIndex& index)
{
    if (!pDeviceModel || !pDeviceModel->itemFromIndex(index))
        return;
    if (index.data(kBusyRole).toInt() == 1) {
        QPromptWidget::ShowPrompt(QPromptWidget::Tips, tr("正在获取设备通道信息，请稍候..."), this, 3000);
        return;
    }
    if (index.parent().isValid()) {
        if (IsPlayableChannel(index))
            StartOnePreview(index);
        return;
    }
    const int rows = pDeviceModel->rowCount(index);
    for (int r = 0; r < rows; ++r) {
        const int n = ui.widgetPreview->WindowNums();
        if (n <= nPreviewCount) {
            Log()->error("{}, WindowNums:{}, AlreadyPreviewNums:{}", "Corvane::PlaySlot", n, nPreviewCount);
            return;
        }
        if (rows > n)
            ui.frameTurnPage->setEnabled(true);
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

bool Corvane::CloseChannelRow(const QModelIndex& channelRow)
{
    // Only the pane that shows this channel stops; a row without a pane (or
    // whose pane now shows another camera) stops nothing.
    const auto channel = channelRow.data(kChannelRole).value<stu_DeviceChannelInfo>();
    KvorPlayWindow* pane = ui.widgetPreview->FindPlayWindowByIp(channel.channelIp);
    const int state = channelRow.data(kPreviewStateRole).toInt();
    if (pane)
        pane->StopPlay();
    if (pane || state != Idle)
        MarkChannelPreview(channelRow, Idle);
    return pane != nullptr;
}

void Corvane::ClosePlaySlot(const QModelIndex& index)
{
    if (!pDeviceModel || !pDeviceModel->itemFromIndex(index))
        return;
    if (index.data(kBusyRole).toInt() == 1) {
        QPromptWidget::ShowPrompt(QPromptWidget::Tips, tr("正在获取设备通道信息，请稍候..."), this, 3000);
        return;
    }
    if (index.parent().isValid()) {
        CloseChannelRow(index);
        nPreviewCount = 0;
        return;
    }
    for (int r = 0; r < pDeviceModel->rowCount(index); ++r)
        if (CloseChannelRow(pDeviceModel->index(r, 0, index)) && nPreviewCount > 0)
            --nPreviewCount;
}

void Corvane::TreeDoubleClickedSlot(const QModelIndex& index)
{
    if (!index.parent().isValid() || !IsPlayableChannel(index))
        return;
    StartOnePreview(index);
}

void Corvane::on_qIconPBtnCloseAll_clicked()
{
    if (!pDeviceModel)
        return;
    for (int d = 0; d < pDeviceModel->rowCount(); ++d)
        ClosePlaySlot(pDeviceModel->index(d, 0));
}

void Corvane::StopAllPreviews()
{
    ui.qIconPBtnPlayAll->setEnabled(true);
    ui.widgetPreview->StopAll();
    for (const QModelIndex& row : ChannelRows())
        if (row.data(kPreviewStateRole).toInt() != Idle)
            MarkChannelPreview(row, Idle);
    ui.labelCurPage->setText(QStringLiteral("1"));
    nPreviewCount = 0;
}

int Corvane::TotalPages() const
{
    // A page shows as many channels as the layout has panes.
    const int n = ui.widgetPreview->WindowNums();
    const int channels = ChannelRows().size();
    return (channels + n - 1) / n;
}

void Corvane::PlayPage(int page)
{
    // Page p shows the channels from (p - 1) x panes on, from the first pane.
    const int n = ui.widgetPreview->WindowNums();
    const QList<QModelIndex> rows = ChannelRows();
    ui.widgetPreview->OnWndClicked(1);
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

void Corvane::ShowPage(int page, int total)
{
    ui.labelCurPage->setText(QString::number(page));
    ui.labelTotalPage->setText(QString::number(total));
    ui.picBtnFirstPage->setEnabled(page > 1);
    ui.picBtnPrePage->setEnabled(page > 1);
    ui.picBtnNextPage->setEnabled(page < total);
    ui.picBtnLastPage->setEnabled(page < total);
    ui.frameTurnPage->setEnabled(total > 1);
    PlayPage(page);
}

void Corvane::on_qIconPBtnPlayAll_clicked()
{
    on_picBtnFirstPage_clicked();
}

void Corvane::on_picBtnFirstPage_clicked()
{
    StopAllPreviews();
    ShowPage(1, TotalPages());
}

void Corvane::on_picBtnLastPage_clicked()
{
    StopAllPreviews();
    const int total = TotalPages();
    ShowPage(qMax(total, 1), total);
}

void Corvane::on_picBtnNextPage_clicked()
{
    const int current = ui.labelCurPage->text().toInt();
    StopAllPreviews();
    const int total = TotalPages();
    ShowPage(qBound(1, current + 1, qMax(total, 1)), total);
}

void Corvane::on_picBtnPrePage_clicked()
{
    const int current = ui.labelCurPage->text().toInt();
    StopAllPreviews();
    const int total = TotalPages();
    if (total == 0)
        return;
    ShowPage(qMax(1, current - 1), total);
}

void Corvane::on_pictureBtnSplitScreen_clicked()
{
    if (!pSplitScreen) {
        pSplitScreen = new SplitScreen(this);
        connect(pSplitScreen, &SplitScreen::ShowSplitScreenSig, this,
                [this](QString& text) { ShowSplitScreenSLot(text); }, Qt::AutoConnection);
        if (pLanguageManage)
            connect(pLanguageManage, &LanguageManage::languageChangeSig, pSplitScreen, &SplitScreen::reTranslateUI);
    }
    if (pSplitScreen->isVisible()) {
        pSplitScreen->close();
        return;
    }
    pSplitScreen->move(ui.widgetPreview->mapTo(this, QPoint(0, ui.widgetPreview->height() - pSplitScreen->height())));
    pSplitScreen->show();
    pSplitScreen->raise();
}

void Corvane::RepositionSplitScreen()
{
    if (pSplitScreen && pSplitScreen->isVisible()) {
        pSplitScreen->move(ui.widgetPreview->mapTo(this, QPoint(0, ui.widgetPreview->height() - pSplitScreen->height())));
        pSplitScreen->show();
    }
}

void Corvane::ShowSplitScreenSLot(QString text)
{
    struct Layout {
        QString name;
        int mode;
        bool needsSubStream;
    };
    const Layout layouts[] = {{tr("1分屏"), 0, false}, {tr("4分屏"), 1, false}, {tr("6分屏"), 2, true},
                              {tr("9分屏"), 5, true},  {tr("16分屏"), 8, true}};
    const int band = pixSplitScreen.height() / 5;
    for (int frame = 0; frame < 5; ++frame) {
        const Layout& layout = layouts[frame];
        if (layout.name != text)
            continue;
        if (layout.needsSubStream && StreamType() == 0) {
            const int mode = ui.widgetPreview->SplitMode();
            ui.widgetPreview->SetSplitMode(mode);
            ui.pictureBtnSplitScreen->setPixmap(pixSplitScreen.copy(0, 32 * (mode != 0 ? 1 : 0), pixSplitScreen.width(), band));
            MessageInfoDlg message(this);
            message.SetText(tr("如需选择") + text + tr("，请在 配置-码流类型 选择【子码流】！"));
            message.exec();
            return;
        }
        ui.widgetPreview->SetSplitMode(layout.mode);
        ui.pictureBtnSplitScreen->setPixmap(pixSplitScreen.copy(0, 32 * frame, pixSplitScreen.width(), band));
        return;
    }
}

void Corvane::on_qIconPBtnExpandScreen_clicked()
{
    if (ui.widgetPreview->WindowNums() > 1)
        ui.widgetPreview->SetFullScreen(true);
}

void Corvane::ChannelPreviewStateSlot(bool bPreviewSuccess, QString text)
{
    QPromptWidget::ShowPrompt(bPreviewSuccess ? QPromptWidget::Succ : QPromptWidget::Fail, text, this, 3000);
}

void Corvane::TimesSlot() {}

void Corvane::ShowTipBox(const QString& text, const QString& buttonText, const QPoint& at)
{
    if (!pTipBox) {
        pTipBox = new TipBox(this);
        connect(pTipBox, &TipBox::TimesSig, this, &Corvane::TimesSlot, Qt::AutoConnection);
        pOverTip = new OverTip(this);
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

void Corvane::on_treeViewDevice_clicked(const QModelIndex& index)
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

void Corvane::OpenIllegalRecordSlot(int state)
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
