// orvane-check: checks names under several TLDs from the command line, through the same
// engine the desktop program uses.

#include "settings/AppSettings.h"
#include "engine/ApplicationIdentity.h"
#include "engine/CheckGroup.h"
#include "engine/DomainLookupService.h"
#include "engine/DomainName.h"
#include "history/HistoryStore.h"
#include "engine/OpenFileLimit.h"
#include "cli/LineReader.h"
#include "cli/Names.h"
#include "cli/Output.h"
#include "engine/TextRules.h"
#include "engine/WhoisClient.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QSet>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <unistd.h>

using namespace orvane;
using namespace orvane::cli;

namespace {

constexpr int exitAnswered = 0;
constexpr int exitFailed = 1;
constexpr int exitBadArguments = 2;
constexpr int exitNoneAvailable = 3; // --only-available or --quiet, and every answer says taken

// One name of the input and what to check it under.
struct Job {
    QString shownName; // Unicode
    QString asciiName; // what the registries are asked about
    QStringList tlds;  // normal form, ASCII
};

struct Tally {
    int skipped = 0; // names longer than --max-length
    int available = 0;
    int taken = 0;
    int unclear = 0;
    int failed = 0;
    int refused = 0; // input lines that are not names
    int total() const { return available + taken + unclear + failed; }
};

bool verboseLogging = false;

// Log lines are for whoever debugs a run, not part of the tool's output; with --verbose they
// come through, escaped like registry text (a log line may quote an answer).
void logHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (!verboseLogging && type != QtFatalMsg)
        return;
    const QString line = escapeControls(qFormatLogMessage(type, context, message), false);
    std::fprintf(stderr, "orvane-check: %s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}

// Every message of the tool says whose it is, as its peers' do.
void printError(const QString &text)
{
    std::fprintf(stderr, "orvane-check: %s\n", qUtf8Printable(text));
}

QStringList deduplicated(const QStringList &tlds)
{
    QStringList unique;
    for (const QString &tld : tlds) {
        if (!unique.contains(tld))
            unique << tld;
    }
    return unique;
}

// The desktop program's watch list, read from its history file without writing to it: a
// missing file or one from before watching existed simply watches nothing; a file that cannot
// be read is a failure, said as such.
int printWatching(Format format)
{
    const QString path = HistoryStore::defaultPath();
    std::expected<QList<WatchedDomain>, QString> rows = QList<WatchedDomain>();
    if (QFileInfo::exists(path)) {
        const QString connection = QStringLiteral("orvane-check-watching");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
            db.setDatabaseName(path);
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000"));
            if (!db.open()) {
                const QSqlError error = db.lastError();
                rows = std::unexpected(error.databaseText().isEmpty() ? error.text() : error.databaseText());
            } else {
                rows = WatchList::read(connection);
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(connection);
    }
    if (!rows) {
        printError(QStringLiteral("cannot read %1: %2").arg(path, rows.error()));
        return exitFailed;
    }
    if (format == Format::csv)
        std::fputs(qUtf8Printable(watchedCsvHeader()), stdout);
    for (const WatchedDomain &row : std::as_const(*rows))
        std::fputs(qUtf8Printable(formatWatched(row, format)), stdout);
    return exitAnswered;
}

// The desktop program's enabled TLDs when it has saved its settings, else .com and .ai.
QStringList configuredTLDs()
{
    {
        QSettings store;
        if (!store.contains(AppSettings::tldsKey) && !store.contains(AppSettings::enabledTLDsKey))
            return defaultTLDs;
    }
    const AppSettings settings;
    const QStringList enabled = settings.orderedEnabledTLDs();
    return enabled.isEmpty() ? defaultTLDs : enabled;
}

// Draws "12/25 answered" on standard error for runs that take more than a second, when
// standard error is a terminal, with the registries that asked to wait and for how long.
class Progress
{
public:
    Progress(bool enabled, const RegistryScheduler *scheduler) : m_enabled(enabled), m_scheduler(scheduler)
    {
        if (!m_enabled)
            return;
        m_timer.setInterval(1000);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_shown = true;
            draw();
        });
        m_timer.start();
    }
    void started() { ++m_total; }
    void answered()
    {
        ++m_done;
        if (m_shown)
            draw();
    }
    // Around a row on a terminal: the progress line steps aside and comes back under it.
    void hide() const
    {
        if (m_shown)
            std::fputs("\r\x1b[K", stderr);
    }
    void finish()
    {
        m_timer.stop();
        hide();
        m_shown = false;
        std::fflush(stderr);
    }

    void draw() const
    {
        if (!m_shown)
            return;
        QString line = QStringLiteral("%1/%2 answered").arg(m_done).arg(m_total);
        const auto paused = m_scheduler ? m_scheduler->pausedHosts() : QList<QPair<QString, QDateTime>>();
        const QDateTime now = QDateTime::currentDateTimeUtc();
        QStringList hosts;
        for (const auto &[host, until] : paused) {
            if (hosts.size() == 3) {
                hosts << QStringLiteral("%1 more").arg(paused.size() - 3);
                break;
            }
            hosts << QStringLiteral("%1 (%2 s)").arg(escapeControls(host, false)).arg(std::max<qint64>(1, (now.msecsTo(until) + 999) / 1000));
        }
        if (!hosts.isEmpty())
            line += QStringLiteral(", asked to wait: ") + hosts.join(QStringLiteral(", "));
        std::fprintf(stderr, "\r\x1b[K%s", qUtf8Printable(line));
        std::fflush(stderr);
    }

private:
    QTimer m_timer;
    int m_total = 0;
    int m_done = 0;
    bool m_enabled;
    const RegistryScheduler *m_scheduler;
    bool m_shown = false;
};

// The domains asked so far, to ask each once. Remembered as 64-bit hashes, and only the most
// recent ones, so a name list of any length fits in a few MiB; a repeat further back than that
// is asked again.
class AskedDomains
{
public:
    static constexpr qsizetype remembered = 1 << 18;

    // True the first time `domain` is seen among the remembered ones.
    bool firstTime(const QString &domain)
    {
        const quint64 hash = quint64(qHash(domain, 0x6f7276616e65ULL));
        if (m_set.contains(hash))
            return false;
        if (m_order.size() == remembered) {
            m_set.remove(m_order.front());
            m_order.pop_front();
        }
        m_order.push_back(hash);
        m_set.insert(hash);
        return true;
    }

private:
    QSet<quint64> m_set;
    std::deque<quint64> m_order;
};

struct Run {
    DomainLookupService *service = nullptr;
    Format format = Format::text;
    bool onlyAvailable = false;
    bool quiet = false;
    bool dryRun = false;
    bool colour = false;
    bool tldsGiven = false;
    QStringList tlds;           // given, or every TLD for --all
    QStringList defaultTLDs;    // without TLDs given
    QStringList names;          // the NAME arguments
    QStringList prefixes;
    QStringList suffixes;
    int maxLength = 0;          // 0: any
    std::optional<QUrl> bootstrap;
    QString bootstrapStore;     // where a --bootstrap file is kept for the run
    std::chrono::milliseconds timeout{10000};
    bool notedCut = false;
    bool notedLeftOut = false;
    std::unique_ptr<Progress> progress;
    Tally tally;
    CheckGroup checks;
    AskedDomains asked;
    std::unique_ptr<LineReader> reader;
    Completion<bool> inputDone;
};

// Checks waiting for a registry or an answer, at most: the input is read on as they end.
constexpr int maxPendingChecks = 512;

void print(Run &run, const Row &row)
{
    switch (row.availability) {
    case DomainAvailability::available: ++run.tally.available; break;
    case DomainAvailability::taken: ++run.tally.taken; break;
    case DomainAvailability::unknown: ++run.tally.unclear; break;
    default: ++run.tally.failed; break; // the registry refused to answer, or no answer at all
    }
    run.progress->answered();
    if (run.quiet || (run.onlyAvailable && row.availability != DomainAvailability::available))
        return;
    QString line;
    switch (run.format) {
    case Format::text: line = formatText(row, run.colour); break;
    case Format::json: line = formatJson(row); break;
    case Format::csv: line = formatCsv(row); break;
    }
    run.progress->hide();
    std::fputs(line.toUtf8().constData(), stdout);
    std::fflush(stdout);
    run.progress->draw();
}

// A line as the error message quotes it: on one line, at most LineReader::quotedCharacters.
QString quoted(const QString &text)
{
    const bool cut = text.size() > LineReader::quotedCharacters;
    return escapeControls(cut ? text.left(LineReader::quotedCharacters) : text, false) + (cut ? QStringLiteral("\u2026") : QString());
}

void submit(Run &run, const Job &job)
{
    for (const QString &tld : job.tlds) {
        const QString ascii = job.asciiName + tld;
        if (!run.asked.firstTime(ascii))
            continue;
        if (run.dryRun) {
            Row row{DomainName::toUnicode(ascii), ascii, DomainName::toUnicode(tld)};
            std::fputs(qUtf8Printable(formatPlanned(row, run.format)), stdout);
            continue;
        }
        run.progress->started();
        run.checks.add(run.service->check(job.asciiName, tld), [&run, ascii, tld](const CheckGroup::Outcome &result) {
            Row row;
            row.asciiDomain = ascii;
            row.domain = DomainName::toUnicode(ascii);
            row.tld = DomainName::toUnicode(tld);
            row.checkedAt = QDateTime::currentDateTimeUtc();
            if (result) {
                row.availability = result->availability;
                row.response = result->rawResponse;
                row.method = result->method;
                row.server = result->server;
                row.expiresAt = result->expiresAt;
            } else {
                row.availability = DomainAvailability::error;
                row.error = result.error().description();
            }
            print(run, row);
            if (run.reader && run.reader->isPaused() && run.checks.pending() <= maxPendingChecks / 2)
                run.reader->resume();
        });
    }
    if (run.reader && run.checks.pending() >= maxPendingChecks)
        run.reader->pause();
}

// One entry of the input (a NAME argument, `where` empty, or a line `where` names): every name
// it gives, with the prefixes and suffixes, under its TLDs. False, and a message, when it is no
// name.
bool submitEntry(Run &run, const QString &text, const QString &where)
{
    const auto refuse = [&](const QString &why) {
        printError(where.isEmpty() ? QStringLiteral("%1: %2").arg(quoted(text.trimmed()), why)
                                   : QStringLiteral("%1 (%2): %3").arg(where, quoted(text.trimmed()), why));
        ++run.tally.refused;
        return false;
    };
    const auto split = splitName(text);
    if (!split)
        return refuse(split.error());
    const auto shown = DomainName::displayForm(split->name);
    if (!shown || !DomainName::toAscii(*shown))
        return refuse(QStringLiteral("not a name (letters, digits and hyphens, or a whole domain such as example.com)"));
    QStringList tlds = run.tldsGiven ? run.tlds : run.defaultTLDs;
    const QString domain = *shown + DomainName::toUnicode(split->suffix);
    if (!split->suffix.isEmpty() && run.tldsGiven) {
        if (!run.notedCut && !run.quiet)
            printError(QStringLiteral("note: with TLDs given, %1 is checked as %2 under them.")
                           .arg(quoted(text.trimmed()), *shown));
        run.notedCut = true;
    } else if (!split->suffix.isEmpty()) {
        // A whole domain and no TLDs: that domain, and only that one.
        tlds = {split->suffix};
        if (!split->leftOut.isEmpty() && !run.notedLeftOut && !run.quiet)
            printError(QStringLiteral("note: %1 is checked as %2, the domain a registry holds.")
                           .arg(quoted(text.trimmed()), domain));
        run.notedLeftOut = run.notedLeftOut || !split->leftOut.isEmpty();
    }
    for (const QString &candidate : permutations(*shown, run.prefixes, run.suffixes)) {
        if (run.maxLength > 0 && candidate.size() > run.maxLength) {
            ++run.tally.skipped;
            continue;
        }
        // A prefix or suffix may make a name too long for a registry: that one is left out.
        if (const auto ascii = DomainName::toAscii(candidate))
            submit(run, Job{candidate, *ascii, tlds});
        else
            ++run.tally.skipped;
    }
    return true;
}

// Names from standard input or a file, each checked as soon as it is read, beside the others.
void readNames(Run &run, int fd, const QString &source)
{
    const QString shownSource = source == QLatin1String("-") ? QStringLiteral("standard input") : source;
    LineReader::Handlers handlers;
    handlers.line = [&run, shownSource](const LineReader::Line &line) {
        if (line.tooLong) {
            printError(QStringLiteral("%1, line %2 (%3): longer than %4 characters.")
                           .arg(shownSource)
                           .arg(line.number)
                           .arg(escapeControls(line.text, false) + QStringLiteral("\u2026"))
                           .arg(LineReader::maxLineCharacters));
            ++run.tally.refused;
            return;
        }
        const QString entry = line.text.trimmed();
        if (entry.isEmpty() || entry.startsWith(QLatin1Char('#')))
            return;
        submitEntry(run, entry, QStringLiteral("%1, line %2").arg(shownSource).arg(line.number));
    };
    handlers.end = [&run, shownSource](const QString &error) {
        if (!error.isEmpty()) {
            printError(QStringLiteral("cannot read %1: %2").arg(shownSource, error));
            ++run.tally.refused;
        }
        run.inputDone.complete(true);
    };
    run.reader = std::make_unique<LineReader>(fd, std::move(handlers));
    run.reader->start();
}

// The bootstrap file --bootstrap names, read or fetched once, checked, and kept where this run's
// engine finds it fresh: a file that cannot be had stops the run rather than leaving every TLD to WHOIS.
QCoro::Task<std::expected<void, QString>> loadBootstrap(QUrl url, std::chrono::milliseconds timeout, QString store)
{
    constexpr qint64 maxBytes = 8 * 1024 * 1024;
    QByteArray body;
    if (url.isLocalFile()) {
        QFile file(url.toLocalFile());
        if (!file.open(QIODevice::ReadOnly))
            co_return std::unexpected(file.errorString());
        body = file.read(maxBytes + 1);
    } else {
        const QList<HttpHeader> headers{{QByteArrayLiteral("Accept"), QByteArrayLiteral("application/json")}};
        const HttpOutcome outcome = co_await HttpClient::shared()->get(url, headers, HttpLimits{timeout, timeout, maxBytes});
        if (outcome.kind == HttpOutcome::Kind::response && outcome.status != 200)
            co_return std::unexpected(QStringLiteral("the server answered HTTP %1").arg(outcome.status));
        if (outcome.kind != HttpOutcome::Kind::response)
            co_return std::unexpected(outcome.errorText.isEmpty() ? QStringLiteral("no answer") : outcome.errorText);
        body = outcome.body;
    }
    if (body.size() > maxBytes)
        co_return std::unexpected(QStringLiteral("larger than %1 bytes").arg(maxBytes));
    const auto registry = RDAPBootstrap::parse(body);
    if (!registry)
        co_return std::unexpected(registry.error());
    if (registry->isEmpty())
        co_return std::unexpected(QStringLiteral("it lists no TLD"));
    QJsonObject object;
    for (auto it = registry->cbegin(); it != registry->cend(); ++it)
        object.insert(it.key(), it.value());
    QSettings settings(store, QSettings::IniFormat);
    settings.setValue(RDAPBootstrap::cacheKey, QJsonDocument(object).toJson(QJsonDocument::Compact));
    settings.setValue(RDAPBootstrap::cacheDateKey, QDateTime::currentDateTimeUtc());
    settings.sync();
    if (settings.status() != QSettings::NoError)
        co_return std::unexpected(QStringLiteral("cannot keep it in %1").arg(store));
    co_return std::expected<void, QString>();
}

QCoro::Task<> start(Run &run, std::optional<int> fd, QString source, bool all)
{
    if (run.bootstrap) {
        const auto loaded = co_await loadBootstrap(*run.bootstrap, run.timeout, run.bootstrapStore);
        if (!loaded) {
            printError(QStringLiteral("cannot use the RDAP bootstrap file %1: %2")
                           .arg(run.bootstrap->toDisplayString(), loaded.error()));
            QCoreApplication::exit(exitFailed);
            co_return;
        }
    }
    if (all) {
        // --all: every TLD anyone can be asked about, the bootstrap's and the WHOIS table's.
        RDAPBootstrap *bootstrap = run.service->rdap()->bootstrap();
        co_await bootstrap->ensureLoaded();
        // What a bootstrap file lists is checked like any TLD given: it may come from anywhere.
        QStringList tlds;
        for (const QString &tld : bootstrap->registry().keys() + knownServerTLDs()) {
            if (const auto valid = parseTLD(tld))
                tlds << *valid;
        }
        tlds.sort();
        run.tlds = deduplicated(tlds);
    }
    for (const QString &name : std::as_const(run.names))
        submitEntry(run, name, {});
    if (fd) {
        readNames(run, *fd, source);
        co_await run.inputDone.wait();
    }
    co_await run.checks.finished();
    run.progress->finish();
    const Tally &t = run.tally;
    if (t.skipped > 0 && !run.quiet)
        printError(QStringLiteral("note: %1 left out, longer than %2 characters.")
                       .arg(t.skipped == 1 ? QStringLiteral("1 name") : QStringLiteral("%1 names").arg(t.skipped))
                       .arg(run.maxLength > 0 ? run.maxLength : 63));
    if (run.format == Format::text && !run.quiet && !run.dryRun) {
        std::printf("%d checked: %d available, %d taken, %d unclear, %d failed\n", t.total(), t.available, t.taken,
                    t.unclear, t.failed);
    }
    std::fflush(stdout);
    if (t.failed > 0 || t.refused > 0)
        QCoreApplication::exit(exitFailed);
    else if ((run.onlyAvailable || run.quiet) && !run.dryRun && t.available == 0)
        QCoreApplication::exit(exitNoneAvailable);
    else
        QCoreApplication::exit(exitAnswered);
}

// A comma-separated option (--tlds, --prefix, --suffix), every time it is given.
QStringList listValues(const QCommandLineParser &parser, const QCommandLineOption &option)
{
    QStringList values;
    for (const QString &value : parser.values(option))
        values += value.split(QLatin1Char(','), Qt::SkipEmptyParts);
    return values;
}

// A number of seconds an option gives, within [min, 3600]; `above` excludes `min` itself.
std::optional<std::chrono::milliseconds> seconds(const QString &text, double min, bool above)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !(value >= min) || (above && value == min) || value > 3600)
        return std::nullopt;
    return std::chrono::milliseconds(qint64(value * 1000));
}

} // namespace

int main(int argc, char *argv[])
{
    orvane::raiseOpenFileLimit();
    qInstallMessageHandler(logHandler);
    QCoreApplication app(argc, argv);
    orvane::setApplicationIdentity();

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Checks whether names are still free under each TLD, asking the registries\n"
        "directly (RDAP first, WHOIS as the fallback). Words that begin with a dot are\n"
        "TLDs, other words names: \"orvane-check foo bar .com .io\" checks foo and bar\n"
        "under .com and .io. A whole domain (example.com, example.co.uk) without TLDs\n"
        "checks just that domain. - reads names from standard input, one per line.\n"
        "Without TLDs: the desktop program's enabled TLDs, or .com and .ai.\n\n"
        "Exit status:\n"
        "  0  every check answered (with --only-available or --quiet: one is available)\n"
        "  1  a check failed, a registry refused to answer or an input line was no name\n"
        "  2  bad usage\n"
        "  3  every check answered and none available, with --only-available or --quiet"));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("NAME"), QStringLiteral("Names to check (example, example.com, - for standard input)."),
                                 QStringLiteral("NAME... [.TLD...]"));
    const QCommandLineOption versionOption({QStringLiteral("V"), QStringLiteral("version")},
                                           QStringLiteral("Print the version and exit."));
    const QCommandLineOption verboseOption({QStringLiteral("v"), QStringLiteral("verbose")},
                                           QStringLiteral("Print the engine's log lines on standard error."));
    const QCommandLineOption quietOption({QStringLiteral("q"), QStringLiteral("quiet")},
                                         QStringLiteral("Print no rows: the exit status tells (0 or 3, see above)."));
    const QCommandLineOption inputOption(QStringLiteral("input"),
                                         QStringLiteral("Read names from FILE, one per line."),
                                         QStringLiteral("FILE"));
    const QCommandLineOption tldsOption(QStringLiteral("tlds"),
                                        QStringLiteral("Check under these TLDs, e.g. .com,.io."), QStringLiteral("LIST"));
    const QCommandLineOption presetOption(QStringLiteral("preset"),
                                          QStringLiteral("Check under a list of TLDs: popular, tech, country, all, or "
                                                         "your own in ~/.config/orvane-check/presets."),
                                          QStringLiteral("NAME"));
    const QCommandLineOption allOption(QStringLiteral("all"),
                                       QStringLiteral("Check under every TLD with a known RDAP or WHOIS server."));
    const QCommandLineOption prefixOption(QStringLiteral("prefix"),
                                          QStringLiteral("Also check each name with these in front, e.g. get,try."),
                                          QStringLiteral("LIST"));
    const QCommandLineOption suffixOption(QStringLiteral("suffix"),
                                          QStringLiteral("Also check each name with these behind, e.g. hq,app."),
                                          QStringLiteral("LIST"));
    const QCommandLineOption maxLengthOption(QStringLiteral("max-length"),
                                             QStringLiteral("Leave out names longer than N characters."),
                                             QStringLiteral("N"));
    const QCommandLineOption dryRunOption(QStringLiteral("dry-run"),
                                          QStringLiteral("List the domains that would be checked, and ask nothing."));
    const QCommandLineOption formatOption(QStringLiteral("format"),
                                          QStringLiteral("Print text (the default), json (one object per line) or csv."),
                                          QStringLiteral("FORMAT"), QStringLiteral("text"));
    const QCommandLineOption jsonOption(QStringLiteral("json"), QStringLiteral("Same as --format json."));
    const QCommandLineOption onlyAvailableOption(QStringLiteral("only-available"),
                                                 QStringLiteral("Print only the domains that are available."));
    const QCommandLineOption colorOption(QStringLiteral("color"),
                                         QStringLiteral("Colour the verdicts: auto (on a terminal, the default), "
                                                        "always or never."),
                                         QStringLiteral("WHEN"), QStringLiteral("auto"));
    const QCommandLineOption noColorOption(QStringLiteral("no-color"), QStringLiteral("Same as --color=never."));
    const QCommandLineOption timeoutOption(QStringLiteral("timeout"),
                                           QStringLiteral("Give each exchange with a registry at most SECONDS "
                                                          "(default 10)."),
                                           QStringLiteral("SECONDS"));
    const QCommandLineOption maxWaitOption(QStringLiteral("max-wait"),
                                           QStringLiteral("Wait at most SECONDS for a registry that asks to slow down "
                                                          "(default 60)."),
                                           QStringLiteral("SECONDS"));
    const QCommandLineOption bootstrapOption(QStringLiteral("bootstrap"),
                                             QStringLiteral("Read the RDAP bootstrap file from URL (https, http or file), "
                                                            "for this run only."),
                                             QStringLiteral("URL"));
    const QCommandLineOption whoisOption(QStringLiteral("whois"),
                                         QStringLiteral("Send every WHOIS query, referrals included, to HOST."),
                                         QStringLiteral("HOST"));
    const QCommandLineOption portOption(QStringLiteral("whois-port"),
                                        QStringLiteral("Use port N for WHOIS (default 43)."), QStringLiteral("N"));
    const QCommandLineOption watchingOption(QStringLiteral("watching"),
                                            QStringLiteral("Print the domains the desktop program watches, with their "
                                                           "last verdict, and exit."));
    parser.addOptions({versionOption, verboseOption, quietOption, inputOption, tldsOption, presetOption, allOption,
                       prefixOption, suffixOption, maxLengthOption, dryRunOption, formatOption, jsonOption,
                       onlyAvailableOption, colorOption, noColorOption, timeoutOption, maxWaitOption, bootstrapOption,
                       whoisOption, portOption, watchingOption});

    const auto usage = [](const QString &text) {
        printError(text);
        return exitBadArguments;
    };
    if (!parser.parse(QCoreApplication::arguments()))
        return usage(parser.errorText() + QStringLiteral(" Try --help."));
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qUtf8Printable(parser.helpText()), stdout);
        return exitAnswered;
    }
    if (parser.isSet(QStringLiteral("help-all")))
        parser.process(app); // prints the help with Qt's own options, and exits
    if (parser.isSet(versionOption)) {
        std::printf("orvane-check %s\n", qUtf8Printable(QCoreApplication::applicationVersion()));
        return exitAnswered;
    }
    const auto both = [&parser](const QCommandLineOption &a, const QCommandLineOption &b) {
        return parser.isSet(a) && parser.isSet(b);
    };
    if (both(verboseOption, quietOption))
        return usage(QStringLiteral("--verbose and --quiet: choose one."));
    if (both(dryRunOption, quietOption))
        return usage(QStringLiteral("--dry-run and --quiet: choose one."));
    verboseLogging = parser.isSet(verboseOption);
    if (verboseLogging)
        QLoggingCategory::setFilterRules(QStringLiteral("com.pellunor.Orvane.*.debug=true"));

    Run run;
    const QString formatName = parser.value(formatOption);
    if (parser.isSet(jsonOption) && parser.isSet(formatOption) && formatName != QLatin1String("json"))
        return usage(QStringLiteral("--json and --format %1: choose one.").arg(formatName));
    if (parser.isSet(jsonOption) || formatName == QLatin1String("json"))
        run.format = Format::json;
    else if (formatName == QLatin1String("csv"))
        run.format = Format::csv;
    else if (formatName != QLatin1String("text"))
        return usage(QStringLiteral("--format %1: not a format (text, json or csv).").arg(formatName));

    // Words with a leading dot are TLDs, "-" is standard input, any other word a name.
    QStringList tldArguments;
    bool standardInput = false;
    for (const QString &word : parser.positionalArguments()) {
        if (word == QLatin1String("-"))
            standardInput = true;
        else if (word.trimmed().startsWith(QLatin1Char('.')))
            tldArguments << word;
        else
            run.names << word;
    }
    if (parser.isSet(watchingOption)) {
        if (!run.names.isEmpty() || !tldArguments.isEmpty() || standardInput || parser.isSet(inputOption))
            return usage(QStringLiteral("--watching takes no names or TLDs."));
        return printWatching(run.format);
    }
    run.onlyAvailable = parser.isSet(onlyAvailableOption);
    run.quiet = parser.isSet(quietOption);
    run.dryRun = parser.isSet(dryRunOption);

    // Colour when asked for, or on a terminal that shows it unless NO_COLOR says otherwise.
    QString colorMode = parser.value(colorOption);
    if (parser.isSet(noColorOption)) {
        if (parser.isSet(colorOption) && colorMode != QLatin1String("never"))
            return usage(QStringLiteral("--no-color and --color=%1: choose one.").arg(colorMode));
        colorMode = QStringLiteral("never");
    }
    const auto isSetInEnvironment = [](const char *name) {
        const QString value = qEnvironmentVariable(name);
        return !value.isEmpty() && value != QLatin1String("0");
    };
    const bool terminal = isatty(STDOUT_FILENO) == 1 && qEnvironmentVariable("TERM") != QLatin1String("dumb");
    if (colorMode == QLatin1String("always"))
        run.colour = true;
    else if (colorMode == QLatin1String("auto"))
        run.colour = qEnvironmentVariable("NO_COLOR").isEmpty() && (isSetInEnvironment("FORCE_COLOR") || terminal);
    else if (colorMode != QLatin1String("never"))
        return usage(QStringLiteral("--color=%1: not a colour mode (auto, always or never).").arg(colorMode));
    run.colour = run.colour && run.format == Format::text;

    // Where the names come from: NAME arguments, standard input ("-") or --input FILE.
    if (standardInput && parser.isSet(inputOption))
        return usage(QStringLiteral("- and --input: choose one."));
    std::optional<QString> source;
    if (parser.isSet(inputOption))
        source = parser.value(inputOption);
    else if (standardInput)
        source = QStringLiteral("-");
    else if (run.names.isEmpty())
        return usage(QStringLiteral("missing NAME. Try --help."));
    // A refused NAME stops the run before anyone is contacted.
    for (const QString &name : std::as_const(run.names)) {
        const auto split = splitName(name);
        const auto shown = split ? DomainName::displayForm(split->name) : std::nullopt;
        if (!shown || !DomainName::toAscii(*shown))
            return usage(QStringLiteral("%1: %2").arg(quoted(name), split ? QStringLiteral("not a name (letters, digits and hyphens, or a whole domain such as example.com)") : split.error()));
    }

    // The TLDs: given (words, --tlds, presets), every one (--all), or the desktop program's.
    QStringList explicitTLDs;
    if (parser.isSet(tldsOption) && listValues(parser, tldsOption).isEmpty())
        return usage(QStringLiteral("--tlds \"%1\": no TLD in it.").arg(parser.value(tldsOption)));
    for (const QString &word : tldArguments + listValues(parser, tldsOption)) {
        const auto tld = parseTLD(word);
        if (!tld)
            return usage(QStringLiteral("%1: not a TLD (a dot, then letters, digits and hyphens: .com, .co.uk).").arg(quoted(word)));
        explicitTLDs << *tld;
    }
    bool all = parser.isSet(allOption);
    if (parser.isSet(presetOption)) {
        const QString file = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                             + QStringLiteral("/orvane-check/presets");
        const Presets presets = loadPresets(file);
        if (!presets.error.isEmpty())
            return usage(presets.error);
        for (const QString &name : parser.values(presetOption)) {
            if (name == QLatin1String("all")) {
                all = true;
                continue;
            }
            if (!presets.lists.contains(name))
                return usage(QStringLiteral("--preset %1: no such preset (%2, all).")
                                 .arg(quoted(name), presets.lists.keys().join(QStringLiteral(", "))));
            explicitTLDs += presets.lists.value(name);
        }
    }
    explicitTLDs = deduplicated(explicitTLDs);
    if (all && !explicitTLDs.isEmpty())
        return usage(QStringLiteral("every TLD (--all) and some TLDs: choose one."));
    run.tldsGiven = all || !explicitTLDs.isEmpty();
    run.tlds = explicitTLDs;
    run.defaultTLDs = run.tldsGiven ? QStringList() : configuredTLDs();

    for (const auto &[option, list] : {std::pair{&prefixOption, &run.prefixes}, std::pair{&suffixOption, &run.suffixes}}) {
        for (const QString &part : listValues(parser, *option)) {
            const QString normal = part.trimmed().toLower().normalized(QString::NormalizationForm_C);
            // Part of a name: it must make one between two letters.
            if (!DomainName::toAscii(QLatin1Char('a') + normal + QLatin1Char('a')) || normal.contains(QLatin1Char('.')))
                return usage(QStringLiteral("--%1 %2: not part of a name (letters, digits and hyphens).")
                                 .arg(option->names().constFirst(), quoted(part)));
            *list << normal;
        }
    }
    if (parser.isSet(maxLengthOption)) {
        bool ok = false;
        run.maxLength = parser.value(maxLengthOption).toInt(&ok);
        if (!ok || run.maxLength < 1 || run.maxLength > 63)
            return usage(QStringLiteral("--max-length %1: not a length (1 to 63).").arg(parser.value(maxLengthOption)));
    }

    LookupConfiguration configuration;
    if (parser.isSet(timeoutOption)) {
        const auto limit = seconds(parser.value(timeoutOption), 0, true);
        if (!limit)
            return usage(QStringLiteral("--timeout %1: not a time-out (seconds, more than 0, at most 3600).").arg(parser.value(timeoutOption)));
        run.timeout = *limit;
        configuration.whois.connection.timeout = *limit;
        configuration.bootstrap.timeout = *limit;
        configuration.rdapLimits.idle = *limit;
        configuration.rdapLimits.whole = *limit * 3 / 2; // the default's proportion, 10 s and 15 s
    }
    if (parser.isSet(maxWaitOption)) {
        const auto wait = seconds(parser.value(maxWaitOption), 0, false);
        if (!wait)
            return usage(QStringLiteral("--max-wait %1: not a wait (seconds, 0 to 3600).").arg(parser.value(maxWaitOption)));
        configuration.maxWait = *wait;
    }
    // A bootstrap file named for one run must not become the desktop program's copy for a
    // week: it is kept in a store of its own that goes away with the run.
    std::optional<QTemporaryDir> privateStore;
    if (parser.isSet(bootstrapOption)) {
        QUrl url(parser.value(bootstrapOption), QUrl::StrictMode);
        if (url.isRelative() && !parser.value(bootstrapOption).contains(QLatin1Char(':')))
            url = QUrl::fromLocalFile(QFileInfo(parser.value(bootstrapOption)).absoluteFilePath());
        const QString scheme = url.scheme();
        if (!url.isValid() || (scheme != QLatin1String("https") && scheme != QLatin1String("http") && scheme != QLatin1String("file")))
            return usage(QStringLiteral("--bootstrap %1: not an https, http or file URL.").arg(parser.value(bootstrapOption)));
        privateStore.emplace();
        if (!privateStore->isValid()) {
            printError(QStringLiteral("cannot create a temporary folder: %1").arg(privateStore->errorString()));
            return exitFailed;
        }
        run.bootstrap = url;
        run.bootstrapStore = privateStore->filePath(QStringLiteral("bootstrap.ini"));
        configuration.bootstrap.source = url;
        configuration.bootstrap.store.fileName = run.bootstrapStore;
    }
    if (parser.isSet(whoisOption))
        configuration.whois.overrideHost = parser.value(whoisOption);
    if (parser.isSet(portOption)) {
        bool ok = false;
        const uint port = parser.value(portOption).toUInt(&ok);
        if (!ok || port == 0 || port > 65535)
            return usage(QStringLiteral("--whois-port %1: not a port (1 to 65535).").arg(parser.value(portOption)));
        configuration.whois.connection.port = static_cast<quint16>(port);
    }

    // Names from a file or standard input are read as the checks go, never whole.
    QFile inputFile;
    std::optional<int> inputFd;
    if (source && *source == QLatin1String("-")) {
        inputFd = STDIN_FILENO;
    } else if (source) {
        inputFile.setFileName(*source);
        if (!inputFile.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
            printError(QStringLiteral("cannot read %1: %2").arg(*source, inputFile.errorString()));
            return exitBadArguments;
        }
        inputFd = inputFile.handle();
    }

    // Every check of this run shares the pace learned with the desktop program, whichever
    // bootstrap file serves it.
    configuration.scheduler = RegistryScheduler::forStore(SettingsLocation{});
    DomainLookupService service(std::move(configuration));
    run.service = &service;
    const bool progress = isatty(STDERR_FILENO) == 1 && qEnvironmentVariable("TERM") != QLatin1String("dumb")
                          && !run.quiet && !run.dryRun;
    run.progress = std::make_unique<Progress>(progress, service.scheduler());
    if (run.format == Format::csv && !run.quiet)
        std::fputs(qUtf8Printable(run.dryRun ? plannedCsvHeader() : csvHeader()), stdout);
    QTimer::singleShot(0, &app, [&] { start(run, inputFd, source.value_or(QString()), all); });
    return QCoreApplication::exec();
}
