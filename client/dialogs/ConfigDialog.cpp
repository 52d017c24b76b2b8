#include "dialogs/ConfigDialog.h"

#include "dialogs/IncidentTypeBoxes.h"
#include "dialogs/QPromptWidget.h"
#include "dialogs/SettingsBatch.h"
#include "ui_ConfigDialog.h"

#include "core/AutoStartEntry.h"
#include "data/ImplementInstance.h"
#include "core/Logging.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpressionValidator>
#include <QShowEvent>
#include <QTemporaryFile>

namespace {

constexpr int kPromptMs = 3000;
constexpr int kShortestClip = 1;
constexpr int kLongestClip = 50;

const QString kAutoStart = QStringLiteral("Param/AutoStart");
const QString kSpeakText = QStringLiteral("Param/SpeakText");
const QString kCutVideo = QStringLiteral("Param/CutVideo");
const QString kVideoTime = QStringLiteral("Param/VideoTime");
const QString kIllegalRecord = QStringLiteral("Param/IllegalRecord");
const QString kSaveDataPath = QStringLiteral("Param/SaveDataPath");
const QString kStreamType = QStringLiteral("Param/StreamType");

// A stored switch value: 0 is on, any other value off.
QSwitchButton::StateFlag SwitchStateOf(const QVariant& stored)
{
    return stored.toInt() == 0 ? QSwitchButton::on : QSwitchButton::off;
}

SettingsStore* Store()
{
    ImplementInstance* instance = ImplementInstance::GetInstance();
    return instance ? instance->GetConfig() : nullptr;
}

// True when `folder` exists as a folder, or was made now, and a file can be
// made in it. Tried for real: permission bits do not tell for every user or
// file system.
bool FolderIsUsable(const QString& folder)
{
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir())
        return false;
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".corvane-write-check-XXXXXX")));
    return probe.open();
}

} // namespace

ConfigDialog::ConfigDialog(QWidget* parent) : QBaseDialog(parent), ui(std::make_unique<Ui::ConfigDialog>())
{
    ui->setupUi(this);
    SetTitleBar(ui->frameTitle);
    // Typing can only make a whole number of seconds from 1 to 50 (QIntValidator
    // would let "75" through as an unfinished entry); values from the file are
    // checked again on save.
    ui->lineEditCutVideoSeconds->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[1-9]|[1-4][0-9]|50")), ui->lineEditCutVideoSeconds));
    m_incidentBoxes = std::make_unique<IncidentTypeBoxes>(ui->frameIncidentType, ui->checkBoxAll);
    for (QCheckBox* box : m_incidentBoxes->TypeBoxes())
        connect(
            box, &QCheckBox::stateChanged, this, [this, box] { CheckedSlot(box); }, Qt::DirectConnection);
    LoadSettings();
}

ConfigDialog::~ConfigDialog() = default;

void ConfigDialog::showEvent(QShowEvent* event)
{
    // The quick-set dialog, or another save, may have changed the file since
    // the last showing; stale controls would write the old values back.
    if (!event->spontaneous())
        LoadSettings();
    QBaseDialog::showEvent(event);
}

void ConfigDialog::LoadSettings()
{
    SettingsStore* store = Store();
    if (!store)
        return;
    ui->switchBtnAutoStart->setSwitchState(SwitchStateOf(store->GetValue(kAutoStart, true)));
    ui->switchBtnSpeak->setSwitchState(SwitchStateOf(store->GetValue(kSpeakText, true)));
    ui->switchBtnCutVideo->setSwitchState(SwitchStateOf(store->GetValue(kCutVideo, true)));
    ui->frameSeconds->setVisible(ui->switchBtnCutVideo->switchState() == QSwitchButton::on);
    ui->lineEditCutVideoSeconds->setText(store->GetValue(kVideoTime, true).toString());
    ui->switchBtnIllRecord->setSwitchState(SwitchStateOf(store->GetValue(kIllegalRecord, true)));
    ui->lineEditSavePath->setText(store->GetValue(kSaveDataPath, true).toString());
    // Anything but the sub stream's 1 shows the main stream: an index outside
    // the list would leave the box empty and be saved back as -1.
    ui->cBbStreamType->setCurrentIndex(store->GetValue(kStreamType, true).toInt() == 1 ? 1 : 0);
    m_incidentBoxes->Load(*store);
}

void ConfigDialog::reTranslateUI()
{
    const int streamType = ui->cBbStreamType->currentIndex();
    ui->retranslateUi(this);
    ui->cBbStreamType->setCurrentIndex(streamType);
}

bool ConfigDialog::SetAutoStart(int state)
{
    if (state == QSwitchButton::on)
        return AutoStartEntry::Enable(QCoreApplication::applicationFilePath());
    if (state == QSwitchButton::off)
        return AutoStartEntry::Disable();
    return true;
}

void ConfigDialog::SetAllChecked(bool checked)
{
    m_incidentBoxes->SetAllChecked(checked);
}

void ConfigDialog::on_checkBoxAll_stateChanged(int nStatus)
{
    SetAllChecked(nStatus == Qt::Checked);
}

void ConfigDialog::CheckedSlot(QWidget*)
{
    m_incidentBoxes->UpdateAllBox();
}

void ConfigDialog::on_switchBtnCutVideo_stateChanged(int state)
{
    ui->frameSeconds->setVisible(state == QSwitchButton::on);
}

void ConfigDialog::on_pBtnPathBrowse_clicked()
{
    const QString current = ui->lineEditSavePath->text();
    const QString start = QFileInfo(current).isDir() ? current : QDir::homePath();
    const QString chosen = QFileDialog::getExistingDirectory(
        this, tr("选择保存路径"), start, QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    ui->lineEditSavePath->setText(chosen.isEmpty() ? current : chosen);
}

void ConfigDialog::on_pBtnConfigCancel_clicked()
{
    reject();
}

bool ConfigDialog::ClipLengthIsValid() const
{
    bool isNumber = false;
    const int seconds = ui->lineEditCutVideoSeconds->text().toInt(&isNumber, 10);
    return isNumber && seconds >= kShortestClip && seconds <= kLongestClip;
}

QString ConfigDialog::RefusalOfClipLength() const
{
    // A switched-off clip length is not used; its field is hidden, so it is
    // not checked (and an invalid one is simply not saved).
    if (ui->switchBtnCutVideo->switchState() != QSwitchButton::on)
        return {};
    if (ui->lineEditCutVideoSeconds->text().isEmpty())
        return tr("截取短录像时间不能为空");
    if (!ClipLengthIsValid())
        return tr("截取短录像时间须为1-50秒");
    return {};
}

QString ConfigDialog::RefusalOfFields() const
{
    const QString path = ui->lineEditSavePath->text();
    if (path.isEmpty())
        return tr("保存路径不能为空");
    if (!QDir::isAbsolutePath(path))
        return tr("数据存储路径须为绝对路径");
    const QString clip = RefusalOfClipLength();
    if (!clip.isEmpty())
        return clip;
    // Last, as it may create the folder: only once everything else passed.
    if (!FolderIsUsable(path))
        return tr("数据存储路径无法创建或不可写");
    return {};
}

void ConfigDialog::on_pBtnConfigSave_clicked()
{
    constexpr const char* method = "ConfigDialog::on_pBtnConfigSave_clicked";
    const QString refusal = RefusalOfFields();
    if (!refusal.isEmpty()) {
        QPromptWidget::ShowPrompt(QPromptWidget::Warm, refusal, this, kPromptMs);
        return;
    }
    SettingsStore* store = Store();
    if (!store) {
        LoggerFor("ConfigDialog")->error("{}, pInstance is null", method);
        QPromptWidget::ShowPrompt(QPromptWidget::Fail, tr("保存配置参数失败"), this, kPromptMs);
        return;
    }

    const int autoStart = ui->switchBtnAutoStart->switchState();
    const int illegalRecord = ui->switchBtnIllRecord->switchState();
    const int streamType = ui->cBbStreamType->currentIndex();
    const bool recordingChanged = SwitchStateOf(store->GetValue(kIllegalRecord, true)) != illegalRecord;

    SettingsBatch batch;
    batch.Add(kAutoStart, autoStart);
    batch.Add(kSpeakText, static_cast<int>(ui->switchBtnSpeak->switchState()));
    batch.Add(kIllegalRecord, illegalRecord);
    batch.Add(kSaveDataPath, ui->lineEditSavePath->text());
    batch.Add(kStreamType, streamType);
    batch.Add(kCutVideo, static_cast<int>(ui->switchBtnCutVideo->switchState()));
    if (ClipLengthIsValid())
        batch.Add(kVideoTime, ui->lineEditCutVideoSeconds->text().toInt(nullptr, 10));
    m_incidentBoxes->AddValuesTo(batch);

    const std::optional<QByteArray> entryBefore = AutoStartEntry::Current();
    if (!SetAutoStart(autoStart)) {
        QPromptWidget::ShowPrompt(QPromptWidget::Fail, tr("开机自启动设置失败"), this, kPromptMs);
        return;
    }
    if (!batch.Commit(store)) {
        AutoStartEntry::Restore(entryBefore);
        QPromptWidget::ShowPrompt(QPromptWidget::Fail, tr("保存配置参数失败"), this, kPromptMs);
        return;
    }

    QPromptWidget::ShowPrompt(QPromptWidget::Succ, tr("保存配置参数成功"), this, kPromptMs);
    if (recordingChanged)
        emit SigOpenIllegalRecord(illegalRecord);
    emit SigStreamTypeChange(streamType);
    accept();
}
