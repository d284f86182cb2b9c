#pragma once

#include <QLoggingCategory>

// The connections under the engine: HTTP through libcurl, plain TCP for WHOIS.
Q_DECLARE_LOGGING_CATEGORY(lcNet)
