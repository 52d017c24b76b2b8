#pragma once

#include <QObject>
#include <QVector>

class QLineEdit;
class QWidget;

// Keeps a line edit that only frames inner fields from ever holding focus or
// text: typing into the frame itself would vanish behind the fields. A click
// on the frame (margins, gaps, separators) goes to the nearest inner field,
// focus handed to the frame passes on to a field, and keys, input-method text,
// drops and the context menu's paste never reach the frame.
class FrameEditFocus : public QObject
{
public:
    // `fields` from left to right; they are children of `frame`.
    FrameEditFocus(QLineEdit* frame, const QVector<QWidget*>& fields);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* nearestField(const QPoint& at) const;
    void focusField(QWidget* field, Qt::FocusReason reason) const;

    QLineEdit* m_frame;
    QVector<QWidget*> m_fields;
};
