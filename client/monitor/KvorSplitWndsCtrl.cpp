#include "KvorSplitWndsCtrl.h"

#include "KvorPlayWindow.h"

#include "dialogs/FullScreenHost.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QStackedLayout>
#include <QtConcurrent>

namespace {

struct Cell
{
    int row, column, rows, columns;
};

// Panes in reading order over a rows x columns grid.
std::vector<Cell> Regular(int rows, int columns)
{
    std::vector<Cell> cells;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            cells.push_back({r, c, 1, 1});
    return cells;
}

// The cells of pane 0, 1, ... for the layouts placed directly on the page grid.
std::vector<Cell> CellsOf(int mode)
{
    switch (mode) {
    case 0: return {{0, 0, 1, 1}};
    case 2: return {{0, 0, 2, 2}, {0, 2, 1, 1}, {1, 2, 1, 1}, {2, 0, 1, 1}, {2, 1, 1, 1}, {2, 2, 1, 1}};
    case 3: return {{0, 0, 2, 2}, {0, 2, 2, 2}, {2, 0, 1, 1}, {2, 1, 1, 1}, {2, 2, 1, 1}, {2, 3, 1, 1}};
    case 4:
        return {{0, 0, 3, 3}, {0, 3, 1, 1}, {1, 3, 1, 1}, {2, 3, 1, 1},
                {3, 0, 1, 1}, {3, 1, 1, 1}, {3, 2, 1, 1}, {3, 3, 1, 1}};
    case 5: return Regular(3, 3);
    case 6:
        return {{0, 0, 2, 2}, {0, 2, 1, 1}, {0, 3, 1, 1}, {1, 2, 1, 1}, {1, 3, 1, 1},
                {2, 0, 1, 1}, {2, 1, 1, 1}, {2, 2, 1, 1}, {2, 3, 1, 1}};
    case 7: return Regular(3, 4);
    case 8: return Regular(4, 4);
    case 10: {
        std::vector<Cell> cells;
        for (int row : {0, 2})
            for (int column : {0, 2, 4, 6})
                cells.push_back({row, column, 2, 2});
        for (int r = 4; r < 6; ++r)
            for (int c = 0; c < 8; ++c)
                cells.push_back({r, c, 1, 1});
        return cells;
    }
    case 11: return Regular(8, 6);
    default: return Regular(2, 2);
    }
}

} // namespace

KvorSplitWndsCtrl::KvorSplitWndsCtrl(QWidget* parent) : QWidget(parent)
{
    setContentsMargins(0, 0, 0, 0);
    pStack = new QStackedLayout(this);
    for (int i = 0; i < kModeCount; ++i) {
        pages[i] = new QWidget(this);
        grids[i] = new QGridLayout(pages[i]);
        grids[i]->setContentsMargins(1, 1, 1, 1);
        grids[i]->setSpacing(0);
        pStack->insertWidget(i, pages[i]);
    }
    SetSplitMode(nMode);
}

KvorSplitWndsCtrl::~KvorSplitWndsCtrl()
{
    // The grid goes back home before the host goes, so it is never deleted twice.
    fullScreen.reset();
}

KvorPlayWindow* KvorSplitWndsCtrl::Pane(int index)
{
    if (!panes[index]) {
        auto* pane = new KvorPlayWindow(this);
        pane->hide();
        pane->SetChanNo(static_cast<quint16>(index + 1));
        connect(pane, &KvorPlayWindow::sendPressWndNo, this, &KvorSplitWndsCtrl::OnWndClicked);
        connect(pane, &KvorPlayWindow::sendDoubleClickWndNo, this, &KvorSplitWndsCtrl::OnWndDoubleClicked);
        connect(pane, &KvorPlayWindow::RealPlayDisplaced, this, &KvorSplitWndsCtrl::RealPlayDisplaced);
        panes[index] = pane;
    }
    return panes[index];
}

void KvorSplitWndsCtrl::Place(QGridLayout* grid, int pane, int row, int column, int rows, int columns)
{
    grid->addWidget(Pane(pane), row, column, rows, columns);
    panes[pane]->show();
}

QGridLayout* KvorSplitWndsCtrl::SubGrid(QGridLayout* page, int column)
{
    if (QLayoutItem* item = page->itemAtPosition(0, column))
        if (auto* grid = qobject_cast<QGridLayout*>(item->layout()))
            return grid;
    auto* grid = new QGridLayout;
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    page->addLayout(grid, 0, column);
    return grid;
}

void KvorSplitWndsCtrl::SetSplitMode(int mode)
{
    nMode = (mode >= 0 && mode < kModeCount) ? mode : 1;
    bExpanded = false;
    QGridLayout* page = grids[nMode];
    int count = 0;
    if (nMode == 9) {
        Place(SubGrid(page, 0), 0, 0, 0);
        Place(SubGrid(page, 0), 2, 1, 0);
        Place(SubGrid(page, 1), 1, 0, 1);
        Place(SubGrid(page, 1), 3, 1, 1);
        QGridLayout* rest = SubGrid(page, 2);
        for (int k = 0; k < 12; ++k)
            Place(rest, 4 + k, k / 2, k % 2);
        count = 16;
    } else {
        const std::vector<Cell> cells = CellsOf(nMode);
        for (size_t k = 0; k < cells.size(); ++k)
            Place(page, static_cast<int>(k), cells[k].row, cells[k].column, cells[k].rows, cells[k].columns);
        count = static_cast<int>(cells.size());
    }
    nWindowNums = static_cast<quint16>(count);
    pStack->setCurrentIndex(nMode);
    if (nSelected >= nWindowNums) {
        panes[nSelected]->SetGrayPlayWndFrame();
        nSelected = 0;
    }
    panes[nSelected]->SetHighLightPlayWndFrame();
}

KvorPlayWindow* KvorSplitWndsCtrl::GetCurPlayWindow(unsigned short& index)
{
    index = nSelected;
    return Pane(nSelected);
}

KvorPlayWindow* KvorSplitWndsCtrl::GetPlayWindow(unsigned short i)
{
    return i < kPaneCount ? Pane(i) : nullptr;
}

KvorPlayWindow* KvorSplitWndsCtrl::FindPlayWindowByIp(const QString& ip, unsigned short* index)
{
    if (ip.isEmpty())
        return nullptr;
    for (unsigned short i = 0; i < kPaneCount; ++i) {
        if (panes[i] && panes[i]->PlayingChannelIp() == ip) {
            if (index)
                *index = i;
            return panes[i];
        }
    }
    return nullptr;
}

void KvorSplitWndsCtrl::StopAll()
{
    // Each stop waits for its stream's thread and player: side by side, a full
    // grid stops in the time of its slowest pane. The panes show their logos
    // only after, when no player draws any more.
    QVector<long> handles;
    for (KvorPlayWindow* pane : panes)
        if (pane && pane->IsPlaying())
            handles << pane->TakeRealHandle();
    QtConcurrent::blockingMap(handles, &KvorPlayWindow::StopRealHandle);
    for (KvorPlayWindow* pane : panes)
        if (pane)
            pane->StopPlay();
}

void KvorSplitWndsCtrl::Select(unsigned short index)
{
    panes[nSelected]->SetGrayPlayWndFrame();
    nSelected = index;
    panes[nSelected]->SetHighLightPlayWndFrame();
}

void KvorSplitWndsCtrl::SelectNextWnd()
{
    if (nSelected + 1 < nWindowNums)
        Select(nSelected + 1);
}

void KvorSplitWndsCtrl::OnWndClicked(unsigned short chanNo)
{
    const unsigned short index = static_cast<unsigned short>(chanNo - 1);
    if (index < kPaneCount)
        Select(index);
}

void KvorSplitWndsCtrl::OnWndDoubleClicked(unsigned short chanNo)
{
    const unsigned short index = static_cast<unsigned short>(chanNo - 1);
    if (index >= kPaneCount)
        return;
    Select(index);
    if (bExpanded) {
        SetSplitMode(nMode);
        return;
    }
    bExpanded = true;
    // Only the expanded pane shows; the others stay on the pages behind.
    grids[0]->addWidget(panes[nSelected], 0, 0);
    panes[nSelected]->show();
    pStack->setCurrentIndex(0);
}

void KvorSplitWndsCtrl::SetFullScreen(bool on)
{
    if (bExpanded) {
        panes[nSelected]->SetPlayFrameFull(on);
    } else if (nMode == 0) {
        panes[0]->SetPlayFrameFull(on);
    } else if (on) {
        if (!fullScreen)
            fullScreen = std::make_unique<FullScreenHost>(this);
        fullScreen->Enter();
    } else if (fullScreen) {
        fullScreen->Leave();
    }
}

bool KvorSplitWndsCtrl::IsFullScreenShown() const
{
    if (fullScreen && fullScreen->IsActive())
        return true;
    for (const KvorPlayWindow* pane : panes)
        if (pane && pane->IsPlayFrameFull())
            return true;
    return false;
}

void KvorSplitWndsCtrl::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && IsFullScreenShown()) {
        SetFullScreen(false);
        return;
    }
    QWidget::keyPressEvent(event);
}

void KvorSplitWndsCtrl::showEvent(QShowEvent* event)
{
    if (bFirstShow) {
        bFirstShow = false;
        panes[nSelected]->SetHighLightPlayWndFrame();
    }
    QWidget::showEvent(event);
}
