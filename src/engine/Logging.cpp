#include "engine/Logging.h"

// Debug lines are off unless asked for (QT_LOGGING_RULES="com.pellunor.Orvane.*.debug=true").
Q_LOGGING_CATEGORY(lcLookup, "com.pellunor.Orvane.lookup", QtInfoMsg)
Q_LOGGING_CATEGORY(lcRDAP, "com.pellunor.Orvane.rdap", QtInfoMsg)
Q_LOGGING_CATEGORY(lcBootstrap, "com.pellunor.Orvane.rdap.bootstrap", QtInfoMsg)
Q_LOGGING_CATEGORY(lcWhois, "com.pellunor.Orvane.whois", QtInfoMsg)
