#include "AboutDialog.h"

#include "ui_AboutDialog.h"

AboutDialog::AboutDialog(const QString& version, QWidget* parent)
    : QBaseDialog(parent), ui(std::make_unique<Ui::AboutDialog>())
{
    ui->setupUi(this);
    SetTitleBar(ui->frameTitle);
    ui->labelSoftwareVersion->setText(version);
}

AboutDialog::~AboutDialog() = default;
