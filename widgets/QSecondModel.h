#pragma once

#include "QTimeModel.h"

// The seconds column of the time picker.
class QSecondModel : public QTimeModel
{
    Q_OBJECT

public:
    explicit QSecondModel(QObject* parent) : QTimeModel(60, parent) { }
};
