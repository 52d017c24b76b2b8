#include "dialogs/QuickSetDialog.h"

#include "dialogs/IncidentTypeBoxes.h"
#include "dialogs/QPromptWidget.h"
#include "dialogs/SettingsBatch.h"
#include "ui_QuickSetDialog.h"

#include "data/ImplementInstance.h"
#include "core/Logging.h"

namespace {

constexpr int kPromptMs = 3000;

} // namespace

QuickSetDialog::QuickSetDialog(QWidget* parent) : QBaseDialog(parent), ui(std::make_unique<Ui::QuickSetDialog>())
{
    ui->setupUi(this);
    SetTitleBar(ui->frameTitle);
    m_incidentBoxes = std::make_unique<IncidentTypeBoxes>(ui->frameIncidentType, ui->checkBoxAll);
    for (QCheckBox* box : m_incidentBoxes->TypeBoxes())
        connect(
            box, &QCheckBox::stateChanged, this, [this, box] { CheckedSlot(box); }, Qt::DirectConnection);
    if (ImplementInstance* instance = ImplementInstance::GetInstance())
        m_incidentBoxes->Load(*instance->GetConfig());
}

QuickSetDialog::~QuickSetDialog() = default;

void QuickSetDialog::SetAllChecked(bool checked)
{
    m_incidentBoxes->SetAllChecked(checked);
}

void QuickSetDialog::on_checkBoxAll_stateChanged(int nStatus)
{
    SetAllChecked(nStatus == Qt::Checked);
}

void QuickSetDialog::CheckedSlot(QWidget*)
{
    m_incidentBoxes->UpdateAllBox();
}

void QuickSetDialog::on_pBtnConfigCancel_clicked()
{
    reject();
}

void QuickSetDialog::on_pBtnConfigSave_clicked()
{
    ImplementInstance* instance = ImplementInstance::GetInstance();
    SettingsBatch batch;
    m_incidentBoxes->AddValuesTo(batch);
    if (!batch.Commit(instance ? instance->GetConfig() : nullptr)) {
        QPromptWidget::ShowPrompt(QPromptWidget::Fail, tr("保存配置参数失败"), this, kPromptMs);
        return;
    }
    emit RefreshIncidentListSig(m_incidentBoxes->CheckedCodes());
    QPromptWidget::ShowPrompt(QPromptWidget::Succ, tr("保存配置参数成功"), this, kPromptMs);
    accept();
}
