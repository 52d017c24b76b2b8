#pragma once

#include "device/stu_LoginInfo.h"

#include <QList>
#include <QModelIndex>
#include <QObject>
#include <QPixmap>
#include <QPoint>
#include <QString>

class KvorSplitWndsCtrl;
class OverTip;
class QLabel;
class QStandardItemModel;
class QWidget;
class SplitScreen;
class TipBox;

// The main window's live video: which cameras of the device tree play in which
// panes of the grid, paging, the split layouts, full screen, the tip bubble
// and the continuous-recording switch. GUI thread only; the panes' starts
// report back on it.
class PreviewController : public QObject
{
    Q_OBJECT

public:
    struct Widgets
    {
        QWidget* window = nullptr; // parent of the prompts, the layout chooser and the tip
        KvorSplitWndsCtrl* grid = nullptr;
        QWidget* turnPageFrame = nullptr;
        QLabel* currentPage = nullptr;
        QLabel* totalPages = nullptr;
        QWidget* firstPage = nullptr;
        QWidget* previousPage = nullptr;
        QWidget* nextPage = nullptr;
        QWidget* lastPage = nullptr;
        QWidget* playAll = nullptr;
        QLabel* splitScreenButton = nullptr;
    };

    // `tree` is the device tree's model, whose camera rows the panes play.
    PreviewController(const Widgets& widgets, QStandardItemModel* tree, QObject* parent);

    // Panes started from device rows and not yet closed.
    int PreviewCount() const { return nPreviewCount; }

    // A camera row starts in the selected pane; a device row fills the free panes.
    void Play(const QModelIndex& index);
    void ClosePlay(const QModelIndex& index);
    // A camera the tree dropped: its pane stops, and counts no more.
    void CloseRetiredChannel(const QModelIndex& channelRow);
    void PlayDoubleClicked(const QModelIndex& index);
    void CloseAll();
    void FirstPage();
    void PreviousPage();
    void NextPage();
    void LastPage();
    void ToggleLayoutChooser();
    void CloseLayoutChooser();
    // Keeps the open layout chooser on the grid's corner when the window moves.
    void RepositionLayoutChooser();
    // `text` names a layout in the interface language ("4分屏" ...).
    void ShowLayout(const QString& text);
    void ExpandScreen();
    void RememberRecordingCamera(const QModelIndex& index);
    // 0 starts recording the cameras remembered, anything else stops it.
    void SwitchRecording(int state);

    // The tip bubble at `at` (window coordinates) with a picture strip above
    // it; made on first use. Null until then.
    void ShowTipBox(const QString& text, const QString& buttonText, const QPoint& at);
    TipBox* Tip() const { return pTipBox; }

signals:
    // The tip's button was pressed.
    void TipClicked();

private:
    // A row of the tree that play and close may act on: one that exists and is
    // not being refreshed (a busy row tells the operator to wait).
    bool IsRowReady(const QModelIndex& index) const;
    void MarkChannelIdle(const QString& channelIp);
    // Shown while the cameras fill more than one page of the layout.
    void UpdatePagingBar();
    bool IsPlayableChannel(const QModelIndex& row) const;
    int StartOnePreview(const QModelIndex& channelRow);
    void MarkChannelPreview(const QModelIndex& channelRow, int state);
    bool CloseChannelRow(const QModelIndex& channelRow);
    QList<QModelIndex> ChannelRows() const;
    void StopAllPreviews();
    void PlayPage(int page);
    void ShowPage(int page, int total);
    int TotalPages() const;

    Widgets ui;
    QStandardItemModel* pDeviceModel;
    QPixmap pixSplitScreen;
    SplitScreen* pSplitScreen = nullptr;
    TipBox* pTipBox = nullptr;
    OverTip* pOverTip = nullptr;
    int nPreviewCount = 0;
    QList<stu_LoginInfo> qlistRecordingLogin;
};
