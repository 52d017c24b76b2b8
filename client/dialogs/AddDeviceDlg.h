#pragma once

#include "dialogs/QBaseDialog.h"

#include "core/stu_DeviceInfo.h"

#include <memory>

namespace Ui {
class AddDeviceDlg;
}

// The form in which the operator enters or edits one device. It neither logs
// in nor stores anything: it checks its fields on request and tells the main
// window which button was pressed. It closes as accepted only when the
// receiver of AddDeviceSig took the input (InputTaken), so a refused device
// keeps the dialog open with the operator's text in it.
class AddDeviceDlg : public QBaseDialog
{
    Q_OBJECT

public:
    // What the device SDK's login record holds of a user name or password
    // (its text fields keep one byte for the terminating NUL).
    static constexpr int kMaxCredentialBytes = 63;

    explicit AddDeviceDlg(QWidget* parent = nullptr);
    ~AddDeviceDlg() override;

    // Prepares the fields for adding (`modify` false) or modifying `device`,
    // then runs the dialog modally.
    int ShowDialog(bool modify, const stu_DeviceInfo* device);
    void FillDeviceInfo(bool modify, const stu_DeviceInfo* device);
    // Checks the fields; the first problem is toasted over the dialog and
    // leaves `device` untouched.
    bool CheckInput(stu_DeviceInfo* device);
    // Called by the receiver of AddDeviceSig when it accepted the device.
    void InputTaken() { inputTaken = true; }

signals:
    void AddContinueSig();
    void AddDeviceSig(bool);

public slots:
    void on_pBtnAdd_clicked();
    void on_pBtnAddAndContinue_clicked();
    void on_pBtnAddDeviceCancel_clicked();
    void reTranslateUI();

private:
    void SetTitle(bool modify);
    std::unique_ptr<Ui::AddDeviceDlg> ui;
    bool inputTaken = false;
};
