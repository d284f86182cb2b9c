#include "HttpFetch.h"

#include "Completion.h"

#include <QNetworkAccessManager>
#include <QPointer>
#include <QTimer>

namespace orvane {

QString timedOutDescription()
{
    return QStringLiteral("The request timed out.");
}

namespace {

// What the reply holds so far. read() sized to it: readAll() sets up at least 16 KiB for every
// call, even with nothing to read, and that happens twice for each of hundreds of replies.
QByteArray takeAvailable(QNetworkReply *reply)
{
    const qint64 available = reply->bytesAvailable();
    return available > 0 ? reply->read(available) : QByteArray();
}

bool isTransportLevel(QNetworkReply::NetworkError error)
{
    // Qt numbers network and proxy failures below 200; 200 and above come from an HTTP status.
    return error != QNetworkReply::NoError && static_cast<int>(error) < 200;
}

} // namespace

QCoro::Task<HttpOutcome> httpGet(QNetworkAccessManager &manager, QNetworkRequest request, HttpLimits limits)
{
    request.setTransferTimeout(static_cast<int>(limits.idle.count()));
    QNetworkReply *reply = manager.get(request);

    Completion<HttpOutcome> done;
    auto body = std::make_shared<QByteArray>();
    auto timedOut = std::make_shared<bool>(false);
    auto tooLarge = std::make_shared<bool>(false);

    auto finish = [reply, done, body, timedOut, tooLarge]() mutable {
        if (done.isDone())
            return;
        HttpOutcome outcome;
        if (!*tooLarge)
            body->append(takeAvailable(reply));
        const QVariant statusAttr = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        const auto error = reply->error();
        if (*tooLarge) {
            outcome.kind = HttpOutcome::Kind::tooLarge;
        } else if (*timedOut || error == QNetworkReply::TimeoutError
                   || error == QNetworkReply::OperationCanceledError) {
            // The only aborts that are not ours come from the idle limit.
            outcome.kind = HttpOutcome::Kind::transportError;
            outcome.errorText = timedOutDescription();
        } else if (isTransportLevel(error)) {
            outcome.kind = HttpOutcome::Kind::transportError;
            outcome.errorText = reply->errorString();
        } else if (statusAttr.isValid()) {
            outcome.kind = HttpOutcome::Kind::response;
            outcome.status = statusAttr.toInt();
            outcome.body = std::move(*body);
        } else if (error == QNetworkReply::NoError || error == QNetworkReply::ProtocolFailure
                   || error == QNetworkReply::ProtocolUnknownError) {
            outcome.kind = HttpOutcome::Kind::notHttp;
        } else {
            outcome.kind = HttpOutcome::Kind::transportError;
            outcome.errorText = reply->errorString();
        }
        done.complete(std::move(outcome));
        reply->deleteLater();
    };

    QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply, body, tooLarge, limits]() {
        if (*tooLarge)
            return;
        body->append(takeAvailable(reply));
        if (body->size() > limits.maxBodyBytes) {
            *tooLarge = true;
            body->clear();
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, reply, finish);
    // The manager going away takes its replies with it; never leave the caller waiting.
    QObject::connect(reply, &QObject::destroyed, [done]() mutable {
        HttpOutcome outcome;
        outcome.errorText = QStringLiteral("Operation canceled");
        done.complete(std::move(outcome));
    });
    if (limits.whole.count() > 0) {
        auto *timer = new QTimer(reply);
        timer->setSingleShot(true);
        QObject::connect(timer, &QTimer::timeout, reply, [reply, timedOut]() {
            *timedOut = true;
            reply->abort();
        });
        timer->start(limits.whole);
    }
    if (reply->isFinished())
        finish();

    co_return co_await done.wait();
}

} // namespace orvane
