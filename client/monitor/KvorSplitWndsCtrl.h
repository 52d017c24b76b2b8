#pragma once

#include <QWidget>

#include <array>
#include <memory>

class FullScreenHost;
class KvorPlayWindow;
class QGridLayout;
class QStackedLayout;

// The video wall: 48 live-video panes shown in one of twelve layouts, one
// selected pane, an expanded view of one pane and full screen. A pane is made
// when a layout first shows it or someone first asks for it: most operators
// never see more than the first few, and each costs the start its form.
class KvorSplitWndsCtrl : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kPaneCount = 48;
    static constexpr int kModeCount = 12;

    explicit KvorSplitWndsCtrl(QWidget* parent = nullptr);
    // Starts still under way find their pane gone and stop their plays.
    ~KvorSplitWndsCtrl() override;

    void SetSplitMode(int mode);
    int SplitMode() const { return nMode; }
    KvorPlayWindow* GetCurPlayWindow(unsigned short& index);
    // Pane `i` (0 to 47), made now if it was not yet; null past the last.
    KvorPlayWindow* GetPlayWindow(unsigned short i);
    unsigned short GetCurWndIndex() const { return nSelected; }
    void SelectNextWnd();
    void SetFullScreen(bool on);
    // Whether the grid, or one pane's video, is shown full screen.
    bool IsFullScreenShown() const;
    bool IsExpanded() const { return bExpanded; }
    quint16 WindowNums() const { return nWindowNums; }
    // The pane whose channel IP is `ip`, or null.
    KvorPlayWindow* FindPlayWindowByIp(const QString& ip, unsigned short* index = nullptr);
    void StopAll();

    Q_INVOKABLE void OnWndClicked(unsigned short chanNo);
    Q_INVOKABLE void OnWndDoubleClicked(unsigned short chanNo);

signals:
    // A pane's RTSP start stopped the camera it played (KvorPlayWindow::RealPlayDisplaced).
    void RealPlayDisplaced(const QString& channelIp);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    KvorPlayWindow* Pane(int index);
    void Select(unsigned short index);
    void Place(QGridLayout* grid, int pane, int row, int column, int rows = 1, int columns = 1);
    QGridLayout* SubGrid(QGridLayout* page, int column);

    std::array<QWidget*, kModeCount> pages{};
    std::array<QGridLayout*, kModeCount> grids{};
    std::array<KvorPlayWindow*, kPaneCount> panes{};
    std::unique_ptr<FullScreenHost> fullScreen;
    int nMode = 1;
    unsigned short nSelected = 0;
    QStackedLayout* pStack = nullptr;
    bool bExpanded = false;
    bool bFirstShow = true;
    quint16 nWindowNums = 4;
};
