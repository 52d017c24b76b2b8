#pragma once

#include <QComboBox>

// A combo box whose drop-down list floats in a transparent, rounded container
// with a soft painted shadow, slightly wider than the combo box.
class QStyledComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit QStyledComboBox(QWidget* parent = nullptr);

    void showPopup() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* popupContainer() const;
};
