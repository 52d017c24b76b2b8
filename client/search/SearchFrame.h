#pragma once

#include "SearchOutcome.h"
#include "SearchRequest.h"
#include "SearchWorkers.h"

#include "core/SharedRecords.h"
#include "ExportDialog.h"

#include "dialogs/BusyWaitDialog.h"
#include "dialogs/QPromptWidget.h"

#include <QFrame>
#include <QHash>
#include <QList>
#include <QString>
#include <QTimer>

#include <array>
#include <memory>
#include <optional>

class DefaultNoDataPic;
class QCheckBox;
class QComboBox;
class QCustomTableWidget;
class QLineEdit;
class QListWidgetItem;
class QRangeDateTimeEditWithPopup;
class SearchPageManage;
class VideoDetailInfoDialog;
class VideoManager;

namespace Ui {
class SearchFrame;
}

// The record-search page of the main window: three tabs that search the stored
// incidents, violations (forensics records) and traffic parameters by time range
// and filters, each with its result table and paging bar.
//
// A search runs on the global thread pool (SearchThreadFun): it counts the rows
// of the condition once, reads the one page of 30 asked for and hands it back
// to the GUI thread, waiting until the table is filled. A page step reuses the
// search's condition and count. Only the latest search of a tab reaches its
// table; closing the page cancels the workers and waits for them.
class SearchFrame : public QFrame
{
    Q_OBJECT

public:
    explicit SearchFrame(QWidget* parent = nullptr);
    ~SearchFrame() override;

    // Cancels the running searches and waits for their workers. Whoever closes
    // the database calls this first; the page's destructor and the application's
    // end call it too.
    void StopSearches();

    // Pool thread: one page of a search, handed back to the GUI thread.
    void SearchThreadFun(const SearchRequest& request);

    // The condition of the tab's widgets; nothing (after a toast) when the lane
    // field holds no lane number.
    std::optional<stu_SearchCondition> ConditionOf(em_SearchType kind);

    const QList<TrafficParam>& TrafficParamResults() const { return trafficParamResults; }
    // The row numbers of the checked traffic-parameter rows, in row order.
    void GetCheckedRowIds(QList<int>& ids) const;
    ExportDialog& ExportDialogOf() { return exportDialog; }
    // Pool thread: appends the checked rows to the file and reports the count.
    void ExportTrafficParamThread(const QString& path, const QList<TrafficParam>& rows, const QList<int>& checkedIds);
    // Search workers started and not yet returned.
    int RunningSearches() const { return workers.Running(); }
    // The clip preview's playback port (-1 without one), its loop timer and the playback dialog.
    long PreviewPort() const { return previewPort; }
    const QTimer& PreviewTimer() const { return previewTimer; }
    VideoDetailInfoDialog* DetailDialog() const { return detailDialog.get(); }

signals:
    // Emitted on the GUI thread when the latest search of a tab hands back its page.
    void SearchIncidentFinished(QList<TrafficIncident> qlistTrafficIncident, int nTotalNum, int nPage,
                                bool bFirst = false);
    void SearchForensicsFinished(QList<TrafficForensics> qlistTrafficForensics, int nTotalNum, int nPage,
                                 bool bFirst = false);
    void SearchTrafficParamFinished(QList<TrafficParam> qlistTrafficParam, int nTotalNum, int nPage,
                                    bool bFirst = false);
    void SearchResultIsEmptySig(QString strMsg);

    // To the paging bars: records found, pages, page shown.
    void SetIncidentTotalNumSig(int nTotalNum, int nPage, int nCurrentPage);
    void SetViolationTotalNumSig(int nTotalNum, int nPage, int nCurrentPage);
    void SetTrafficParamTotalNumSig(int nTotalNum, int nPage, int nCurrentPage);

    // A new search of the tab starts.
    void RefreshIncidentPage();
    void RefreshViolationPage();
    void RefreshTrafficParamPage();

    void reTranslateUiSig();
    void RefreshPageSig(int nRefreshType);

    // From the export worker: rows written, rows meant for the file and not written.
    void ExportTrafficParamFinishedSig(int nSucceedNums, int nFailedNums);
    // The export ended early: the file could not be opened, written or closed.
    void ExportTrafficParamFailedSig(int nSucceedNums, int nFailedNums, QString strError);

public slots:
    void InsertConditionSlot();
    void UpdatePosSlot();
    void reTranslateUI();

    void on_qSimpleSliderNavigation_currentChanged(int nIndex);
    void on_comIncidentDevIp_currentIndexChanged(int nIndex);
    void on_comViolationDevIp_currentIndexChanged(int nIndex);
    void on_comTrafficParamDevIp_currentIndexChanged(int nIndex);
    void on_pBtnIncidentNoLimit_clicked();
    void on_pBtnViolationNoLimit_clicked();
    void on_pBtnIncidentReset_clicked();
    void on_pBtnViolationReset_clicked();
    void on_pBtnIncidentSearch_clicked();
    void on_pBtnViolationSearch_clicked();
    void on_pBtnTrafficParamSearch_clicked();
    void on_tableWidgetIncident_itemSelectionChanged();
    void on_tableWidgetViolation_itemSelectionChanged();
    void videoTimeout();
    void videoReplay();
    void slotFileEnd(long lPort);

    void ShowIncidentInfo(QList<TrafficIncident> qlistTrafficIncident, int nTotalNum, int nPage, bool bFirst = false);
    void ShowForensicsInfo(QList<TrafficForensics> qlistTrafficForensics, int nTotalNum, int nPage,
                           bool bFirst = false);
    void ShowTrafficParamInfo(QList<TrafficParam> qlistTrafficParam, int nTotalNum, int nPage, bool bFirst = false);
    void SearchResultIsEmptySlot(QString strMsg);
    void TrafficParamTableSelectSlot(bool bChecked);

    void on_pBtnTrafficParamExport_clicked();
    void ExportTrafficParamSlot(QString strExportPath);
    void ExportTrafficParamFinishedSlot(int nSucceedNums, int nFailedNums);
    void ExportTrafficParamFailedSlot(int nSucceedNums, int nFailedNums, QString strError);

    // Start a search from row offset nIndex: a new one (bFirst, from the tab's
    // widgets) or another page of the tab's last search.
    void StartIncidentSearch(int nIndex, bool bFirst);
    void StartForensicsSearch(int nIndex, bool bFirst);
    void StartTrafficParamSearch(int nIndex, bool bFirst);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The widgets of one tab.
    struct TabWidgets
    {
        QCustomTableWidget* table;
        SearchPageManage* pager;
        QRangeDateTimeEditWithPopup* period;
        QComboBox* device;
        QComboBox* channel;
        QComboBox* channelNo;
        QLineEdit* lane;
        QWidget* typeFrame; // null: the tab has no type filter
    };
    // The tab's last search: page steps reuse its condition and row count.
    struct TabSearch
    {
        bool started = false;
        stu_SearchCondition condition;
        int total = -1; // -1: not counted yet
    };

    void InitUI();
    void InitTypeTable();
    void InitTables();
    void InitValidators();
    void InitVideo();
    void CreateDetailDialog();
    void PreviewClip(const QString& path);
    void ShowNoClip();
    void OpenDetailDialog();
    void ConnectSignals();
    void SetShortCutItemText(QListWidgetItem* item, const int& index);

    TabWidgets WidgetsOf(em_SearchType kind) const;
    bool AllTypesChecked(em_SearchType kind) const;
    QList<quint32> CheckedTypes(em_SearchType kind) const;
    void CheckAllTypes(QWidget* typeFrame);
    void ReloadChannels(QComboBox* device, QComboBox* channel, const char* method);

    void SearchButtonClicked(em_SearchType kind);
    void StartSearch(em_SearchType kind, int nIndex, bool bFirst);
    void AcceptOutcome(const SearchRequest& request, const SearchOutcome& outcome);
    void ShowBusy();
    void EndExport(QPromptWidget::MsgType type, const QString& message);
    // Fills the table with `rows` and selects the first; false when there are none.
    bool BeginFill(QCustomTableWidget* table, int rows);
    void SetCell(QCustomTableWidget* table, int row, int column, const QString& text);

    std::unique_ptr<Ui::SearchFrame> ui;
    // A child of the page, so that a search still running never keeps the
    // application from quitting when the main window closes.
    BusyWaitDialog busyDialog;
    ExportDialog exportDialog;
    stu_SearchCondition searchCondition; // the condition of the last search started
    QHash<QString, int> incidentTypeTable;
    QHash<QString, int> forensicsTypeTable;
    QList<TrafficParam> trafficParamResults;
    DefaultNoDataPic* noDataPic = nullptr;
    int currentTab = 0;
    std::array<TabSearch, 3> tabSearches;
    SearchWorkers workers;
    VideoManager* videoManager = nullptr;
    long previewPort = -1;
    QTimer previewTimer; // single-shot: one pass of the looping clip
    std::unique_ptr<VideoDetailInfoDialog> detailDialog;
};
