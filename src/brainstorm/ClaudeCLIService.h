#pragma once

#include "brainstorm/ClaudeCLIError.h"
#include "brainstorm/NameSuggestion.h"

#include <QList>
#include <QObject>
#include <QStringList>

#include <qcoro/qcorotask.h>

#include <chrono>
#include <expected>
#include <optional>

namespace orvane {

// The places a `claude` install usually ends up, home directory expanded once.
const QStringList &claudeCandidates();
// The configured path when it names something, else (when none is configured) the first
// candidate that exists, else a `claude` on PATH. A configured path that names nothing
// finds nothing.
std::optional<QString> findBinary(const std::optional<QString> &configuredPath);

struct ClaudeCLIOptions {
    std::chrono::milliseconds timeout{60000};
    std::chrono::milliseconds killGrace{1000};
    // Standard output beyond this is not collected: the child is ended and parsing fails.
    // Standard error beyond this ends the child too.
    qint64 maxOutputBytes = 1024 * 1024;
};

// Runs `claude -p PROMPT` once per request and reads the JSON array it prints.
class ClaudeCLIService : public QObject
{
    Q_OBJECT
public:
    explicit ClaudeCLIService(ClaudeCLIOptions options = {}, QObject *parent = nullptr);

    QCoro::Task<std::expected<QList<NameSuggestion>, ClaudeCLIError>>
    suggestNames(QString name, QStringList tlds, std::optional<QString> configuredPath);
    QCoro::Task<std::expected<QString, ClaudeCLIError>> runClaude(QString binary, QString prompt);

    static QString prompt(const QString &name, const QStringList &tlds);
    // The longest balanced "[...]" that parses as JSON (earliest on ties), if any.
    // parse() takes the longest that reads as suggestions instead.
    static std::optional<QString> findJSONArray(const QString &output);
    static std::expected<QList<NameSuggestion>, ClaudeCLIError> parse(const QString &output);

    static inline const QString pathPrefix = QStringLiteral("/opt/homebrew/bin:/usr/local/bin:/usr/bin:/bin");

private:
    ClaudeCLIOptions m_options;
};

} // namespace orvane
