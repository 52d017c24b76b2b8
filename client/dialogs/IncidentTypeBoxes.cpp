#include "dialogs/IncidentTypeBoxes.h"

#include "dialogs/IncidentBoxKeys.h"
#include "dialogs/SettingsBatch.h"

#include "core/IncidentVocabulary.h"
#include "core/Logging.h"
#include "core/SettingsStore.h"

#include <QCheckBox>
#include <QSignalBlocker>

#include <algorithm>

IncidentTypeBoxes::IncidentTypeBoxes(QWidget* frame, QCheckBox* allBox) : m_allBox(allBox)
{
    for (QCheckBox* box : frame->findChildren<QCheckBox*>()) {
        if (box == m_allBox)
            continue;
        if (IncidentBoxKeys::KeyOfBox(box->objectName()).isEmpty()) {
            LoggerFor("IncidentTypeBoxes")
                ->error("{}, check box {} has no settings key", "IncidentTypeBoxes::IncidentTypeBoxes",
                        box->objectName().toStdString());
            continue;
        }
        m_typeBoxes.append(box);
    }
}

void IncidentTypeBoxes::SetAllChecked(bool checked)
{
    for (QCheckBox* box : m_typeBoxes)
        box->setChecked(checked);
}

void IncidentTypeBoxes::UpdateAllBox()
{
    const bool allChecked =
        std::all_of(m_typeBoxes.cbegin(), m_typeBoxes.cend(), [](const QCheckBox* box) { return box->isChecked(); });
    const QSignalBlocker blocker(m_allBox);
    m_allBox->setCheckState(allChecked && !m_typeBoxes.isEmpty() ? Qt::Checked : Qt::Unchecked);
}

void IncidentTypeBoxes::Load(SettingsStore& store)
{
    for (QCheckBox* box : m_typeBoxes) {
        const QSignalBlocker blocker(box);
        box->setChecked(store.GetValue(IncidentBoxKeys::KeyOfBox(box->objectName()), true).toInt() == 1);
    }
    UpdateAllBox();
}

void IncidentTypeBoxes::AddValuesTo(SettingsBatch& batch) const
{
    batch.Add(IncidentBoxKeys::AllKey(), m_allBox->checkState() == Qt::Checked ? 1 : 0);
    for (const QCheckBox* box : m_typeBoxes)
        batch.Add(IncidentBoxKeys::KeyOfBox(box->objectName()), box->isChecked() ? 1 : 0);
}

QList<quint32> IncidentTypeBoxes::CheckedCodes() const
{
    QList<quint32> codes;
    for (const QCheckBox* box : m_typeBoxes) {
        if (box->isChecked())
            codes.append(IncidentTypeFromKey(IncidentBoxKeys::KeyOfBox(box->objectName()).toStdString()));
    }
    return codes;
}
