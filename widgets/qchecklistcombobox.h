#pragma once

// The include file Qt Designer writes into the code it generates for forms that
// use QCheckListComboBox: that name is lower case.
#include "QCheckListComboBox.h"
