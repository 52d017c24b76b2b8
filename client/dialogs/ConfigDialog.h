#pragma once

#include "dialogs/QBaseDialog.h"

#include <memory>

namespace Ui {
class ConfigDialog;
}
class IncidentTypeBoxes;
class QShowEvent;

// The settings dialog: start with the system, spoken incidents, incident clips
// and their length, all-day recording, the data folder, the stream type and
// the incident types shown. The main window keeps one and shows it again and
// again; it reloads the stored values at every showing. A save checks every
// field first, then writes all of them, then signals; a refused or failed save
// changes nothing and keeps the dialog open.
class ConfigDialog : public QBaseDialog
{
    Q_OBJECT

public:
    explicit ConfigDialog(QWidget* parent = nullptr);
    ~ConfigDialog() override;

    // Keeps the autostart entry in step with the start-up switch: state 0 (on)
    // writes it for this program, 1 (off) removes it, anything else does
    // nothing. False when the entry could not be brought there.
    bool SetAutoStart(int state);
    void SetAllChecked(bool checked);

signals:
    // Sent by a save that changed the all-day-recording switch: 0 on, 1 off.
    void SigOpenIllegalRecord(int nIllegalRecord);
    // Sent by every save with the stream type's index.
    void SigStreamTypeChange(int nStreamType);

public slots:
    void reTranslateUI();

private slots:
    void on_checkBoxAll_stateChanged(int nStatus);
    void on_switchBtnCutVideo_stateChanged(int state);
    void on_pBtnConfigSave_clicked();
    void on_pBtnConfigCancel_clicked();
    void CheckedSlot(QWidget* box);
    void on_pBtnPathBrowse_clicked();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void LoadSettings();
    // The message for the first field that cannot be saved; empty when all can.
    QString RefusalOfFields() const;
    QString RefusalOfClipLength() const;
    bool ClipLengthIsValid() const;

    std::unique_ptr<Ui::ConfigDialog> ui;
    std::unique_ptr<IncidentTypeBoxes> m_incidentBoxes;
};
