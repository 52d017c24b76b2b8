#pragma once

#include "QTimeModel.h"

// The minutes column of the time picker.
class QMinuteModel : public QTimeModel
{
    Q_OBJECT

public:
    explicit QMinuteModel(QObject* parent) : QTimeModel(60, parent) { }
};
