#pragma once

#include "dialogs/QBaseDialog.h"

#include <memory>

namespace Ui {
class AboutDialog;
}

// The About box: the product name and the version text it is given.
class AboutDialog : public QBaseDialog
{
    Q_OBJECT

public:
    explicit AboutDialog(const QString& version, QWidget* parent = nullptr);
    ~AboutDialog() override;

private:
    std::unique_ptr<Ui::AboutDialog> ui;
};
