#include "AddDeviceDlg.h"

#include "ui_AddDeviceDlg.h"

#include "dialogs/QPromptWidget.h"

#include <QIntValidator>
#include <QRegExp>

namespace {

const char* const kIpPattern = "^(([0-9]|[1-9][0-9]|1[0-9]{2}|2[0-4][0-9]|25[0-5])\\.){3}"
                               "([0-9]|[1-9][0-9]|1[0-9]{2}|2[0-4][0-9]|25[0-5])$";

bool IsValidPort(const QString& text)
{
    bool ok = false;
    const int port = text.toInt(&ok, 10);
    return ok && port >= 1 && port <= 65535;
}

} // namespace

AddDeviceDlg::AddDeviceDlg(QWidget* parent) : QBaseDialog(parent), ui(std::make_unique<Ui::AddDeviceDlg>())
{
    ui->setupUi(this);
    SetTitleBar(ui->frameTitle);
    // Port 0 cannot be connected to and 65536 does not fit the SDK's 16 bits.
    ui->lineEditPort->setValidator(new QIntValidator(1, 65535, this));
    ui->lineEditPort->setText(QStringLiteral("8000"));
    ui->lineEditUserName->setText(QStringLiteral("admin"));
}

AddDeviceDlg::~AddDeviceDlg() = default;

void AddDeviceDlg::SetTitle(bool modify)
{
    ui->pBtnAddAndContinue->setVisible(!modify);
    ui->labelDlgName->setText(modify ? tr("修改服务器设备") : tr("添加服务器设备"));
}

int AddDeviceDlg::ShowDialog(bool modify, const stu_DeviceInfo* device)
{
    SetTitle(modify);
    FillDeviceInfo(modify, device);
    return exec();
}

void AddDeviceDlg::FillDeviceInfo(bool modify, const stu_DeviceInfo* device)
{
    if (modify && device) {
        ui->lineEditDeviceName->setText(device->deviceName);
        ui->LineEditIp->setText(device->deviceIp);
        ui->lineEditPort->setText(QString::number(device->devicePort));
        ui->lineEditUserName->setText(device->userName);
        ui->lineEditPassWd->setText(device->password);
        return;
    }
    ui->lineEditDeviceName->clear();
    ui->LineEditIp->clear();
    ui->lineEditPassWd->clear();
}

bool AddDeviceDlg::CheckInput(stu_DeviceInfo* device)
{
    const QString ip = ui->LineEditIp->text();
    const QString port = ui->lineEditPort->text();
    const QString user = ui->lineEditUserName->text();
    const QString password = ui->lineEditPassWd->text();
    QString problem;
    if (ip.isEmpty())
        problem = tr("设备IP不能为空");
    else if (!QRegExp(QString::fromLatin1(kIpPattern)).exactMatch(ip))
        problem = tr("设备IP无效");
    else if (port.isEmpty())
        problem = tr("设备端口不能为空");
    else if (!IsValidPort(port))
        problem = tr("设备端口无效");
    else if (user.isEmpty())
        problem = tr("用户名不能为空");
    else if (user.toUtf8().size() > kMaxCredentialBytes)
        problem = tr("用户名过长");
    else if (password.isEmpty())
        problem = tr("密码不能为空");
    else if (password.toUtf8().size() > kMaxCredentialBytes)
        problem = tr("密码过长");
    if (!problem.isEmpty()) {
        QPromptWidget::ShowPrompt(QPromptWidget::Fail, problem, this, 3000);
        return false;
    }
    if (device)
        *device = stu_DeviceInfo{ui->lineEditDeviceName->text(), ip, port.toInt(nullptr, 10), user, password};
    return true;
}

void AddDeviceDlg::on_pBtnAdd_clicked()
{
    inputTaken = false;
    emit AddDeviceSig(true);
    if (inputTaken)
        accept();
}

void AddDeviceDlg::on_pBtnAddAndContinue_clicked()
{
    emit AddContinueSig();
}

void AddDeviceDlg::on_pBtnAddDeviceCancel_clicked()
{
    reject();
}

void AddDeviceDlg::reTranslateUI()
{
    ui->retranslateUi(this);
}
