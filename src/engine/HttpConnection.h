#pragma once

#include "HttpFetch.h"
#include "HttpResponseReader.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QUrl>

#include <qcoro/qcorotask.h>

namespace orvane {

// One HTTP/1.1 GET over a connection of its own (TLS for https), read into memory with the
// limits given, redirects followed unless they go from https to http. Nothing is kept between
// requests: no cookies, no cache, no credentials.
//
// A search sends hundreds of these at once, many to the same registry host. Qt's own HTTP
// stack queues all but six per host and manager, moves every request through a thread of its
// own and reads status lines and headers one byte per system call; this costs more than the
// whole rest of a search. Here each request is one socket on the calling thread.
class HttpConnection
{
public:
    static constexpr int maxRedirects = 20;

    // `context` owns the exchange while it runs: destroying it ends the exchange with a
    // transport error ("Operation canceled").
    static QCoro::Task<HttpOutcome> get(QUrl url, QList<HttpHeader> headers, HttpLimits limits,
                                        QObject *context = nullptr);
};

} // namespace orvane
