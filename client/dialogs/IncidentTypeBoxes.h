#pragma once

#include <QList>

class QCheckBox;
class QWidget;
class SettingsBatch;
class SettingsStore;

// The incident section both settings dialogs share: the type boxes inside the
// form's "frameIncidentType" and the box "全部" that stands for all of them.
// Keys come from IncidentBoxKeys; the box "全部" is told apart by identity, not
// by its text, so it keeps working in every language.
class IncidentTypeBoxes
{
public:
    // `frame` holds `allBox` and the type boxes; form order is kept.
    IncidentTypeBoxes(QWidget* frame, QCheckBox* allBox);

    const QList<QCheckBox*>& TypeBoxes() const { return m_typeBoxes; }

    void SetAllChecked(bool checked);
    // "全部" is checked exactly when every type box is; its own signal is
    // blocked so that setting it never runs SetAllChecked.
    void UpdateAllBox();

    // A box is checked exactly when its stored int is 1. "全部" follows the
    // loaded boxes rather than its own key, so the two can never disagree.
    void Load(SettingsStore& store);
    // "Incident/CheckeAll" and every type key, 1 for checked, else 0.
    void AddValuesTo(SettingsBatch& batch) const;
    // The type codes of the checked boxes, in form order.
    QList<quint32> CheckedCodes() const;

private:
    QCheckBox* m_allBox;
    QList<QCheckBox*> m_typeBoxes;
};
