#include "ExportDialog.h"

#include "ui_ExportDialog.h"

#include <QDateTime>
#include <QFileDialog>

ExportDialog::ExportDialog(QWidget* parent) : QBaseDialog(parent), ui(std::make_unique<Ui::ExportDialog>())
{
    ui->setupUi(this);
    SetTitleBar(ui->frameTitle);
}

ExportDialog::~ExportDialog() = default;

void ExportDialog::ClearExportPath()
{
    exportPath.clear();
    ui->lineEditExportPath->clear();
}

void ExportDialog::reTranslateUI()
{
    ui->retranslateUi(this);
}

void ExportDialog::on_pBtnExportPathBrowse_clicked()
{
    exportPath.clear();
    const QString proposed = QStringLiteral("TrafficParam_%1.csv")
                                 .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmsszzz")));
    const QString chosen = QFileDialog::getSaveFileName(this, QObject::tr("Save File"), proposed,
                                                        QObject::tr("file (*.csv)"));
    if (chosen.isEmpty())
        return;
    exportPath = chosen;
    ui->lineEditExportPath->setText(chosen);
}

void ExportDialog::on_pBtnExport_clicked()
{
    // accept() rather than close(), so that the page can tell an export from a cancel.
    emit ExportTrafficParamSig(exportPath);
    accept();
}

void ExportDialog::on_pBtnCancel_clicked()
{
    reject();
}
