#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class SearchPageManage;
}

// The paging bar under a result table: the number of records found, the page
// size, the current page of the page count, and first, previous, next and last
// buttons. A step fetches nothing itself: it shows the new page and asks for its
// row offset through SetSearchIndexNumSig, and the search page runs that page.
// The bar's state lives in its labels; every step reads it back from them.
class SearchPageManage : public QWidget
{
    Q_OBJECT

public:
    explicit SearchPageManage(QWidget* parent = nullptr);
    ~SearchPageManage() override;

    // Runs the form's translation again; the numbers shown are kept.
    void reTranslateUI();

signals:
    // nIndex: row offset of the requested page. A step always sends bFirst false.
    void SetSearchIndexNumSig(int nIndex, bool bFirst = false);

public slots:
    // The result of a new search: records found, pages, and the page shown.
    void SetSearchPageManageSlot(int nTotalNum, int nPage, int nCurrentPage);
    void on_pBtnFirstPage_clicked();
    void on_pBtnPrePage_clicked();
    void on_pBtnNextPage_clicked();
    void on_pBtnLastPage_clicked();
    // A new search starts: no records yet, page 1 of 1.
    void RefreshPageSlot();

private:
    int CurrentPage() const;
    int PageCount() const;
    // Shows page `page` of `pages`, sets the buttons and asks for the page.
    void StepTo(int page, int pages);
    void EnableBackward(bool enable);
    void EnableForward(bool enable);

    std::unique_ptr<Ui::SearchPageManage> ui;
};
