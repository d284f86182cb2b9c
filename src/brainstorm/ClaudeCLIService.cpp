#include "brainstorm/ClaudeCLIService.h"

#include "net/Completion.h"
#include "engine/DomainName.h"
#include "engine/OpenFileLimit.h"
#include "engine/TextRules.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTimer>

#include <algorithm>
#include <limits>
#include <vector>

namespace orvane {

const QStringList &claudeCandidates()
{
    static const QStringList candidates = [] {
        const QString home = QDir::homePath();
        QStringList list{QStringLiteral("/opt/homebrew/bin/claude"), QStringLiteral("/usr/local/bin/claude"),
                         QStringLiteral("/usr/bin/claude")};
        for (const char *relative : {"/.claude/local/claude", "/.local/bin/claude", "/.npm-global/bin/claude",
                                     "/.bun/bin/claude", "/.volta/bin/claude", "/.fnm/aliases/default/bin/claude"})
            list << home + QString::fromLatin1(relative);
        return list;
    }();
    return candidates;
}

std::optional<QString> findBinary(const std::optional<QString> &configuredPath)
{
    if (configuredPath && !trimBlanks(*configuredPath).isEmpty()) {
        if (QFileInfo::exists(*configuredPath))
            return *configuredPath;
        return std::nullopt;
    }
    for (const QString &candidate : claudeCandidates()) {
        if (QFileInfo::exists(candidate))
            return candidate;
    }
    // Desktop programs on Linux inherit the session's PATH, where installers often put the tool.
    const QString onPath = QStandardPaths::findExecutable(QStringLiteral("claude"));
    if (!onPath.isEmpty())
        return onPath;
    return std::nullopt;
}

ClaudeCLIService::ClaudeCLIService(ClaudeCLIOptions options, QObject *parent) : QObject(parent), m_options(options)
{
}

QString ClaudeCLIService::prompt(const QString &name, const QStringList &tlds)
{
    const QStringList lines{
        QStringLiteral("You are helping brainstorm alternative domain names. The user is considering the name \"%1\" and checking TLDs: %2.")
            .arg(name, tlds.join(QStringLiteral(", "))),
        QString(),
        QStringLiteral("Generate 10 alternative name ideas that:"),
        QStringLiteral("  - Are short (3-12 characters preferred)"),
        QStringLiteral("  - Are easy to spell and pronounce"),
        QStringLiteral("  - Avoid generic dictionary words that are likely already taken"),
        QStringLiteral("  - Work well as a brand"),
        QStringLiteral("  - Vary in style: some literal variants, some abstract, some compound"),
        QString(),
        QStringLiteral("Respond ONLY with a JSON array of objects, no prose, no markdown fences. Each object has fields:"),
        QStringLiteral("  \"name\": the suggested name (lowercase, no TLD)"),
        QStringLiteral("  \"rationale\": a 6-12 word explanation"),
        QString(),
        QStringLiteral("Example: [{\"name\":\"lumalink\",\"rationale\":\"Compound that suggests connection\"}]"),
    };
    return lines.join(QLatin1Char('\n'));
}

namespace {

// `Index` is the narrowest type that holds every position: tables of positions are as large as
// the output has characters, and on a megabyte of hostile output their size is the cost.
template <typename Index, typename Accept>
std::optional<QString> findJSONArrayIn(const QString &output, const Accept &accept)
{
    // Every "[" starts its own scan (depth 0, outside any string). Scans run from the last
    // "[" to the first so that a scan meeting a later "[" outside a string can jump over
    // that bracket's already-known extent: from there both scans read the text alike.
    // This keeps the search linear on hostile output such as a megabyte of "[".
    const Index n = Index(output.size());
    constexpr Index unknown = -2;
    constexpr Index none = -1;
    std::vector<Index> closing(static_cast<size_t>(n), unknown);
    qint64 budget = 64 * qint64(n) + 4096; // a hard stop for input built to defeat the jumps
    const QChar *text = output.constData();
    Index candidateCount = 0;

    for (Index start = n - 1; start >= 0; --start) {
        if (text[start] != QLatin1Char('['))
            continue;
        Index result = none;
        int depth = 0;
        bool inString = false;
        Index i = start;
        while (i < n && --budget >= 0) {
            const QChar c = text[i];
            if (inString) {
                if (c == QLatin1Char('\\')) {
                    i += 2;
                    continue;
                }
                if (c == QLatin1Char('"'))
                    inString = false;
                ++i;
            } else if (c == QLatin1Char('"')) {
                inString = true;
                ++i;
            } else if (c == QLatin1Char('[')) {
                if (i != start) {
                    const Index known = closing[static_cast<size_t>(i)];
                    if (known == none)
                        break;
                    if (known != unknown) {
                        i = known + 1;
                        continue;
                    }
                }
                ++depth;
                ++i;
            } else if (c == QLatin1Char(']')) {
                if (--depth == 0) {
                    result = i;
                    break;
                }
                ++i;
            } else {
                ++i;
            }
        }
        closing[static_cast<size_t>(start)] = result;
        candidateCount += result >= 0;
    }

    // Longest first, the earlier of equal length first. The order is taken from a heap one
    // candidate at a time: usually the first one parses, and sorting them all would cost more
    // than the whole scan on output made of many small arrays.
    struct Candidate {
        Index start;
        Index length;
    };
    std::vector<Candidate> candidates;
    candidates.reserve(static_cast<size_t>(candidateCount));
    for (Index start = 0; start < n; ++start) {
        const Index end = closing[static_cast<size_t>(start)];
        if (end >= 0)
            candidates.push_back({start, Index(end - start + 1)});
    }
    closing = {};
    const auto later = [](const Candidate &a, const Candidate &b) {
        return a.length < b.length || (a.length == b.length && a.start > b.start);
    };
    std::make_heap(candidates.begin(), candidates.end(), later);
    qint64 parseBudget = 16 * qint64(n) + 65536;
    while (!candidates.empty()) {
        std::pop_heap(candidates.begin(), candidates.end(), later);
        const Candidate next = candidates.back();
        candidates.pop_back();
        parseBudget -= next.length;
        if (parseBudget < 0)
            break;
        const QString candidate = output.mid(next.start, next.length);
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(candidate.toUtf8(), &error);
        if (error.error == QJsonParseError::NoError && accept(document))
            return candidate;
    }
    return std::nullopt;
}

template <typename Accept>
std::optional<QString> findArray(const QString &output, const Accept &accept)
{
    if (output.size() < std::numeric_limits<qint32>::max())
        return findJSONArrayIn<qint32>(output, accept);
    return findJSONArrayIn<qsizetype>(output, accept);
}

// The array as suggestions, or nothing when an element is not a suggestion. Names the
// search field would refuse are left out, so that every suggestion can be checked.
std::optional<QList<NameSuggestion>> decodeSuggestions(const QJsonDocument &document)
{
    if (!document.isArray())
        return std::nullopt;
    QList<NameSuggestion> suggestions;
    for (const QJsonValue &value : document.array()) {
        if (!value.isObject())
            return std::nullopt;
        const QJsonObject item = value.toObject();
        const QJsonValue name = item.value(QStringLiteral("name"));
        const QJsonValue rationale = item.value(QStringLiteral("rationale"));
        if (!name.isString())
            return std::nullopt;
        if (!rationale.isUndefined() && !rationale.isNull() && !rationale.isString())
            return std::nullopt;
        const QString lowered = name.toString().toLower();
        if (DomainName::isValid(lowered))
            suggestions.append(NameSuggestion{QUuid::createUuid(), lowered, rationale.toString()});
    }
    return suggestions;
}

} // namespace

std::optional<QString> ClaudeCLIService::findJSONArray(const QString &output)
{
    return findArray(output, [](const QJsonDocument &) { return true; });
}

std::expected<QList<NameSuggestion>, ClaudeCLIError> ClaudeCLIService::parse(const QString &output)
{
    // Prose around the answer may hold arrays of its own ("Lengths: [3, 4]"): the longest
    // array that reads as suggestions wins, not merely the longest array.
    std::optional<QList<NameSuggestion>> suggestions;
    findArray(output, [&suggestions](const QJsonDocument &document) {
        suggestions = decodeSuggestions(document);
        return suggestions.has_value();
    });
    if (!suggestions)
        return std::unexpected(ClaudeCLIError::parseFailed(output));
    return *suggestions;
}

QCoro::Task<std::expected<QList<NameSuggestion>, ClaudeCLIError>>
ClaudeCLIService::suggestNames(QString name, QStringList tlds, std::optional<QString> configuredPath)
{
    const auto binary = findBinary(configuredPath);
    if (!binary)
        co_return std::unexpected(ClaudeCLIError::binaryNotFound());
    const auto output = co_await runClaude(*binary, prompt(name, tlds));
    if (!output)
        co_return std::unexpected(output.error());
    co_return parse(*output);
}

namespace {

// Invalid UTF-8 reads as nothing, as the tool's output is expected to be UTF-8.
QString strictUtf8(const QByteArray &data)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(data);
    return decoder.hasError() ? QString() : text;
}

// At most `limit` bytes, never ending inside a UTF-8 sequence.
QByteArray utf8Head(const QByteArray &data, qsizetype limit)
{
    if (data.size() <= limit)
        return data;
    qsizetype cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(data.at(cut)) & 0xC0) == 0x80)
        --cut;
    return data.left(cut);
}

// How much of a failing tool's words reach the message; the rest is read and dropped.
constexpr qsizetype messageBytes = 4096;

} // namespace

QCoro::Task<std::expected<QString, ClaudeCLIError>> ClaudeCLIService::runClaude(QString binary, QString prompt)
{
    using Outcome = std::expected<QString, ClaudeCLIError>;
    Completion<Outcome> done;

    // The process outlives this object if need be: the watchdog ends it either way.
    auto *process = new QProcess;
    auto out = std::make_shared<QByteArray>();
    auto err = std::make_shared<QByteArray>();
    auto overflow = std::make_shared<bool>(false);
    const ClaudeCLIOptions options = m_options;

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString inherited = environment.value(QStringLiteral("PATH"));
    environment.insert(QStringLiteral("PATH"), environment.contains(QStringLiteral("PATH"))
                                                   ? pathPrefix + QLatin1Char(':') + inherited
                                                   : pathPrefix);
    process->setProcessEnvironment(environment);
    process->setProgram(binary);
    process->setArguments({QStringLiteral("-p"), prompt});
    process->setInputChannelMode(QProcess::ForwardedInputChannel);
#ifdef Q_OS_UNIX
    process->setChildProcessModifier(restoreOpenFileLimitInChild);
#endif

    // Read the pipes while the child runs, so a talkative child never blocks on a full pipe.
    QObject::connect(process, &QProcess::readyReadStandardOutput, process, [process, out, overflow, options] {
        if (*overflow)
            return;
        out->append(process->readAllStandardOutput());
        if (out->size() > options.maxOutputBytes) {
            *overflow = true;
            *out = utf8Head(*out, options.maxOutputBytes);
            process->kill();
        }
    });
    // Standard error is only ever shown in a message: its head is kept, the rest counted, and
    // a child that will not stop talking is ended like one that floods standard output.
    auto errTotal = std::make_shared<qint64>(0);
    auto readError = [process, err, errTotal, options] {
        const QByteArray chunk = process->readAllStandardError();
        *errTotal += chunk.size();
        if (err->size() <= messageBytes)
            err->append(chunk.left(messageBytes + 1 - err->size()));
        if (*errTotal > options.maxOutputBytes && process->state() != QProcess::NotRunning)
            process->kill();
    };
    QObject::connect(process, &QProcess::readyReadStandardError, process, readError);

    QObject::connect(process, &QProcess::finished, process,
                     [process, out, err, overflow, readError, done](int exitCode, QProcess::ExitStatus) mutable {
                         if (!*overflow)
                             out->append(process->readAllStandardOutput());
                         readError();
                         const QString standardOutput = strictUtf8(*out);
                         if (*overflow) {
                             done.complete(std::unexpected(ClaudeCLIError::parseFailed(standardOutput)));
                         } else if (exitCode != 0) {
                             const QString standardError = strictUtf8(utf8Head(*err, messageBytes));
                             done.complete(std::unexpected(ClaudeCLIError::nonZeroExit(
                                 exitCode, standardError.isEmpty() ? strictUtf8(utf8Head(*out, messageBytes)) : standardError)));
                         } else if (standardOutput.trimmed().isEmpty()) {
                             done.complete(std::unexpected(ClaudeCLIError::emptyOutput()));
                         } else {
                             done.complete(standardOutput);
                         }
                         process->deleteLater();
                     });
    QObject::connect(process, &QProcess::errorOccurred, process, [process, done](QProcess::ProcessError error) mutable {
        if (error == QProcess::FailedToStart) {
            done.complete(std::unexpected(ClaudeCLIError::launchFailed(process->errorString())));
            process->deleteLater();
        }
    });

    QPointer<QProcess> watched(process);
    QTimer::singleShot(options.timeout, process, [watched, done, options]() mutable {
        if (!watched || watched->state() == QProcess::NotRunning)
            return;
        watched->terminate();
        QTimer::singleShot(options.killGrace, watched, [watched] {
            if (watched && watched->state() != QProcess::NotRunning)
                watched->kill();
        });
        done.complete(std::unexpected(ClaudeCLIError::timedOut()));
    });

    process->start();
    co_return co_await done.wait();
}

} // namespace orvane
