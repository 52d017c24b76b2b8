#pragma once

#include <QWidget>

#include <memory>

class QLabel;
class QLineEdit;
class QVerifyLineEditForm;

// A line edit with a result mark to its right. The caller checks the input
// and reports the outcome: correct gives a green border and a tick, wrong a
// red border and a cross, undetermined neither.
class QVerifyLineEdit : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(InputState inputState READ inputState WRITE updateResultState DESIGNABLE true STORED true)

public:
    enum InputState { Undetermined = 0, Correct = 1, Wrong = 2 };
    Q_ENUM(InputState)

    explicit QVerifyLineEdit(QWidget* parent = nullptr);
    ~QVerifyLineEdit() override;

    QLineEdit* lineEdit() const;
    QLabel* label() const;
    InputState inputState() const;
    // Replaces any style sheet set on this widget before.
    void updateResultState(InputState state);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    std::unique_ptr<QVerifyLineEditForm> ui;
    InputState m_state = Undetermined;
};
