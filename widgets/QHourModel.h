#pragma once

#include "QTimeModel.h"

// The hours column of the time picker.
class QHourModel : public QTimeModel
{
    Q_OBJECT

public:
    explicit QHourModel(QObject* parent) : QTimeModel(24, parent) { }
};
