#pragma once

#include "dialogs/QBaseDialog.h"

#include <QList>

#include <memory>

namespace Ui {
class QuickSetDialog;
}
class IncidentTypeBoxes;

// The short way to choose which incident types the client handles: the type
// boxes and "全部" of the configuration dialog alone. Built for each showing,
// so it always starts from the stored values. A save writes every box or
// nothing; only a save that reached config.ini signals and confirms.
class QuickSetDialog : public QBaseDialog
{
    Q_OBJECT

public:
    explicit QuickSetDialog(QWidget* parent = nullptr);
    ~QuickSetDialog() override;

    void SetAllChecked(bool checked);

signals:
    // The codes of the checked types, in form order, once per successful save.
    void RefreshIncidentListSig(QList<quint32> qlistType);

private slots:
    void on_checkBoxAll_stateChanged(int nStatus);
    void on_pBtnConfigSave_clicked();
    void on_pBtnConfigCancel_clicked();
    void CheckedSlot(QWidget* box);

private:
    std::unique_ptr<Ui::QuickSetDialog> ui;
    std::unique_ptr<IncidentTypeBoxes> m_incidentBoxes;
};
