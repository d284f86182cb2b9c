#include "net/NetLogging.h"

// Debug lines are off unless asked for (QT_LOGGING_RULES="com.pellunor.Orvane.net.debug=true").
Q_LOGGING_CATEGORY(lcNet, "com.pellunor.Orvane.net", QtInfoMsg)
