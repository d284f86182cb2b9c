#include "Logging.h"

Q_LOGGING_CATEGORY(lcLookup, "com.pellunor.Orvane.lookup")
Q_LOGGING_CATEGORY(lcRDAP, "com.pellunor.Orvane.rdap")
Q_LOGGING_CATEGORY(lcBootstrap, "com.pellunor.Orvane.rdap.bootstrap")
Q_LOGGING_CATEGORY(lcWhois, "com.pellunor.Orvane.whois")
