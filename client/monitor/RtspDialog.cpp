#include "RtspDialog.h"

#include "ui_RtspDialog.h"

#include "core/LanguageManage.h"
#include "dialogs/QPromptWidget.h"

const QString RtspDialog::kDefaultUrl = QStringLiteral("rtsp://127.0.0.1:554/live/ch1/main");
const QString RtspDialog::kDefaultUserName = QStringLiteral("admin");
const QString RtspDialog::kDefaultPassword = QStringLiteral("tuv40718");

RtspDialog::RtspDialog(QWidget* parent) : QBaseDialog(parent), ui(std::make_unique<Ui::RtspDialog>())
{
    ui->setupUi(this);
    SetTitleBar(ui->frameTitle);
    ui->lineEditUrl->setText(kDefaultUrl);
    ui->lineEditUserName->setText(kDefaultUserName);
    ui->lineEditPasswd->setText(kDefaultPassword);
    // The dialog has no parent window; left open, it must not keep the
    // program running once the main window has closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    // Built on first use, perhaps after the language was switched.
    reTranslateUI();
    connect(LanguageManage::GetInstance(), &LanguageManage::languageChangeSig, this, &RtspDialog::reTranslateUI,
            Qt::AutoConnection);
}

RtspDialog::~RtspDialog() = default;

void RtspDialog::on_pBtnPlay_clicked()
{
    const QString url = ui->lineEditUrl->text();
    const QString user = ui->lineEditUserName->text();
    const QString password = ui->lineEditPasswd->text();
    const QString missing = url.isEmpty()        ? tr("取流URL不能为空")
                            : user.isEmpty()     ? tr("用户名不能为空")
                            : password.isEmpty() ? tr("密码不能为空")
                                                 : QString();
    if (!missing.isEmpty()) {
        QPromptWidget::ShowPrompt(QPromptWidget::Fail, missing, this, 3000);
        return;
    }
    emit StartRtspPlaySig(url, user, password);
    close();
}

void RtspDialog::on_pBtnCancel_clicked()
{
    accept();
}

void RtspDialog::reTranslateUI()
{
    ui->retranslateUi(this);
}
