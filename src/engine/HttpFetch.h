#pragma once

#include <QByteArray>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QString>

#include <qcoro/qcorotask.h>

#include <chrono>
#include <optional>

class QNetworkAccessManager;

namespace orvane {

// One HTTP GET, read into memory with a size cap and an optional whole-exchange limit.
struct HttpOutcome {
    enum class Kind {
        response,      // an HTTP status line arrived (the body may be an error page)
        transportError,
        notHttp,       // something answered, but not HTTP
        tooLarge,      // the body passed the cap; reading stopped
    };
    Kind kind = Kind::transportError;
    int status = 0;
    QByteArray body;
    QString errorText; // the transport error's description
};

struct HttpLimits {
    std::chrono::milliseconds idle{10000};   // longest wait for more data
    std::chrono::milliseconds whole{0};      // longest whole exchange; 0 = none
    qint64 maxBodyBytes = 8 * 1024 * 1024;
};

// Through Qt's HTTP stack (the weekly bootstrap fetch: redirects, compression and proxies as Qt
// handles them). The RDAP queries of a search use HttpConnection instead.
QCoro::Task<HttpOutcome> httpGet(QNetworkAccessManager &manager, QNetworkRequest request, HttpLimits limits);

// The description used when an exchange ran out of time, in the platform's wording.
QString timedOutDescription();

} // namespace orvane
