#pragma once

#include "dialogs/QBaseDialog.h"

#include <QString>

#include <memory>

namespace Ui {
class ExportDialog;
}

// Asks for the CSV file the checked traffic-parameter rows are appended to.
// The path field is used as it stands at export, typed or browsed.
class ExportDialog : public QBaseDialog
{
    Q_OBJECT

public:
    explicit ExportDialog(QWidget* parent = nullptr);
    ~ExportDialog() override;

    void ClearExportPath();
    QString ExportPath() const { return exportPath; }

signals:
    void ExportTrafficParamSig(QString strExportPath);

public slots:
    void reTranslateUI();
    void on_pBtnExportPathBrowse_clicked();
    void on_pBtnExport_clicked();
    void on_pBtnCancel_clicked();

private:
    std::unique_ptr<Ui::ExportDialog> ui;
    QString exportPath;
};
