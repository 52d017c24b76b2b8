#include "ExportDialog.h"

#include "ui_ExportDialog.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace {

QString ProposedFileName()
{
    return QStringLiteral("TrafficParam_%1.csv")
        .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmsszzz")));
}

// What the path field holds, as the file to write: a folder (an existing one,
// or any text ending in a separator) gets the proposed file name.
QString FileFromField(const QString& typed)
{
    const QString path = typed.trimmed();
    if (path.isEmpty())
        return {};
    const bool namesFolder =
        path.endsWith(QLatin1Char('/')) || path.endsWith(QDir::separator()) || QFileInfo(path).isDir();
    return namesFolder ? QDir(path).filePath(ProposedFileName()) : path;
}

} // namespace

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
    const QString chosen =
        QFileDialog::getSaveFileName(this, QObject::tr("Save File"), ProposedFileName(), QObject::tr("file (*.csv)"));
    if (chosen.isEmpty())
        return;
    exportPath = chosen;
    ui->lineEditExportPath->setText(chosen);
}

void ExportDialog::on_pBtnExport_clicked()
{
    // The field may have been typed into after browsing, or instead of it.
    exportPath = FileFromField(ui->lineEditExportPath->text());
    // accept() rather than close(), so that the page can tell an export from a cancel.
    emit ExportTrafficParamSig(exportPath);
    accept();
}

void ExportDialog::on_pBtnCancel_clicked()
{
    reject();
}
