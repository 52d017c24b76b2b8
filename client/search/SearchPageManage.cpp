#include "SearchPageManage.h"

#include "SearchPaging.h"

#include "ui_SearchPageManage.h"

SearchPageManage::SearchPageManage(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::SearchPageManage>())
{
    ui->setupUi(this);
    ui->labelShowNum->setNum(kSearchPageSize);
    ui->labelTotalNum->setNum(0);
}

SearchPageManage::~SearchPageManage() = default;

void SearchPageManage::reTranslateUI()
{
    // The form's translation blanks the number labels; an operator switching the
    // language mid-search keeps the figures, and the next step computes with them.
    const QString total = ui->labelTotalNum->text();
    const QString current = ui->labelCurrentPage->text();
    const QString pages = ui->labelTotalPage->text();
    ui->retranslateUi(this);
    ui->labelShowNum->clear();
    ui->labelShowNum->setNum(kSearchPageSize);
    ui->labelTotalNum->setText(total);
    ui->labelCurrentPage->setText(current);
    ui->labelTotalPage->setText(pages);
}

void SearchPageManage::SetSearchPageManageSlot(int nTotalNum, int nPage, int nCurrentPage)
{
    ui->labelTotalNum->setNum(nTotalNum);
    ui->labelTotalPage->setNum(nPage);
    ui->labelCurrentPage->setNum(nCurrentPage);
    // A result of one page offers no next or last page to go to.
    EnableBackward(nCurrentPage > 1);
    EnableForward(nCurrentPage < nPage);
}

void SearchPageManage::RefreshPageSlot()
{
    EnableBackward(false);
    EnableForward(true);
    ui->labelTotalPage->setNum(1);
    ui->labelCurrentPage->setNum(1);
    ui->labelTotalNum->setNum(0);
}

void SearchPageManage::on_pBtnFirstPage_clicked()
{
    StepTo(1, PageCount());
}

void SearchPageManage::on_pBtnLastPage_clicked()
{
    StepTo(PageCount(), PageCount());
}

void SearchPageManage::on_pBtnNextPage_clicked()
{
    const int pages = PageCount();
    const int next = CurrentPage() + 1;
    ui->labelTotalPage->setNum(pages);
    StepTo(next <= pages ? next : pages, pages);
}

void SearchPageManage::on_pBtnPrePage_clicked()
{
    const int pages = PageCount();
    if (pages <= 0)
        return;
    ui->labelTotalPage->setNum(pages);
    StepTo(CurrentPage() - 1, pages);
}

int SearchPageManage::CurrentPage() const
{
    return ui->labelCurrentPage->text().toInt();
}

int SearchPageManage::PageCount() const
{
    return ui->labelTotalPage->text().toInt();
}

void SearchPageManage::StepTo(int page, int pages)
{
    if (page < 1)
        page = 1;
    ui->labelCurrentPage->setNum(page);
    EnableBackward(page > 1);
    EnableForward(page < pages);
    emit SetSearchIndexNumSig(SearchPageOffset(page), false);
}

void SearchPageManage::EnableBackward(bool enable)
{
    ui->pBtnFirstPage->setEnabled(enable);
    ui->pBtnPrePage->setEnabled(enable);
}

void SearchPageManage::EnableForward(bool enable)
{
    ui->pBtnNextPage->setEnabled(enable);
    ui->pBtnLastPage->setEnabled(enable);
}
