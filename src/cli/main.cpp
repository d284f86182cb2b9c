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
#include "cli/Output.h"
#include "engine/TextRules.h"
#include "engine/WhoisClient.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSet>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
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

// One name of the input and what to check it under.
struct Job {
    QString shownName; // Unicode
    QString asciiName; // what the registries are asked about
    QStringList tlds;  // normal form, ASCII
};

struct Tally {
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
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}

void printError(const QString &text)
{
    std::fprintf(stderr, "%s\n", qUtf8Printable(text));
}

// An international TLD is asked for in its ASCII form, like the name.
QString asciiTLD(const QString &text)
{
    const QString bare = normalizeTLD(text).mid(1);
    return QLatin1Char('.') + DomainName::toAscii(bare).value_or(bare);
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
        printError(QStringLiteral("Cannot read %1: %2").arg(path, rows.error()));
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
    bool colour = false;
    bool tldsGiven = false;
    QStringList tlds;           // given, or every TLD for --all
    QStringList defaultTLDs;    // without TLDs given
    bool notedCut = false;
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
    if (run.onlyAvailable && row.availability != DomainAvailability::available)
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

// One entry of the input as a name and the TLDs to check it under; nothing (and a message)
// when it is not a name. `line` is 0 for the NAME argument.
std::optional<Job> makeJob(Run &run, const QString &text, qint64 line)
{
    const QString entry = text.trimmed();
    const QString lower = entry.toLower();
    const qsizetype dot = lower.indexOf(QLatin1Char('.'));
    Job job;
    if (dot > 0 && dot + 1 < lower.size() && !run.tldsGiven) {
        // A whole domain with no TLDs given: that domain, and only that one.
        job.tlds << asciiTLD(lower.mid(dot + 1));
    } else {
        if (dot >= 0 && run.tldsGiven && !run.notedCut) {
            printError(QStringLiteral("Note: with TLDs given, only the part before the first dot is checked (%1).")
                           .arg(escapeControls(DomainName::normalize(entry), false)));
            run.notedCut = true;
        }
        job.tlds = run.tldsGiven ? run.tlds : run.defaultTLDs;
    }
    const auto shown = DomainName::displayForm(DomainName::normalize(entry));
    const auto ascii = shown ? DomainName::toAscii(*shown) : std::nullopt;
    if (!ascii) {
        if (line == 0) {
            printError(DomainName::invalidNameMessage);
        } else {
            printError(QStringLiteral("Line %1 (%2): %3").arg(line).arg(quoted(entry), DomainName::invalidNameMessage));
            ++run.tally.refused;
        }
        return std::nullopt;
    }
    job.shownName = *shown;
    job.asciiName = *ascii;
    return job;
}

void submit(Run &run, const Job &job)
{
    for (const QString &tld : job.tlds) {
        const QString ascii = job.asciiName + tld;
        if (!run.asked.firstTime(ascii))
            continue;
        run.progress->started();
        run.checks.add(run.service->check(job.asciiName, tld), [&run, ascii, tld](const CheckGroup::Outcome &result) {
            Row row;
            row.asciiDomain = ascii;
            row.domain = DomainName::toUnicode(ascii);
            row.tld = DomainName::toUnicode(tld);
            if (result) {
                row.availability = result->availability;
                row.response = result->rawResponse;
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

// Names from standard input or a file, each checked as soon as it is read, beside the others.
void readNames(Run &run, int fd, const QString &source)
{
    LineReader::Handlers handlers;
    handlers.line = [&run](const LineReader::Line &line) {
        if (line.tooLong) {
            printError(QStringLiteral("Line %1 (%2): longer than %3 characters.")
                           .arg(line.number)
                           .arg(escapeControls(line.text, false) + QStringLiteral("\u2026"))
                           .arg(LineReader::maxLineCharacters));
            ++run.tally.refused;
            return;
        }
        const QString entry = line.text.trimmed();
        if (entry.isEmpty() || entry.startsWith(QLatin1Char('#')))
            return;
        if (const auto job = makeJob(run, entry, line.number))
            submit(run, *job);
    };
    handlers.end = [&run, source](const QString &error) {
        if (!error.isEmpty()) {
            printError(QStringLiteral("Cannot read %1: %2").arg(source, error));
            ++run.tally.refused;
        }
        run.inputDone.complete(true);
    };
    run.reader = std::make_unique<LineReader>(fd, std::move(handlers));
    run.reader->start();
}

QCoro::Task<> start(Run &run, QString name, std::optional<int> fd, QString source, bool all)
{
    if (all) {
        // --all: every TLD anyone can be asked about, the bootstrap's and the WHOIS table's.
        RDAPBootstrap *bootstrap = run.service->rdap()->bootstrap();
        co_await bootstrap->ensureLoaded();
        QStringList tlds = bootstrap->registry().keys() + knownServerTLDs();
        tlds.sort();
        run.tlds = deduplicated(tlds);
    }
    if (fd) {
        readNames(run, *fd, source);
        co_await run.inputDone.wait();
    } else if (const auto job = makeJob(run, name, 0)) {
        submit(run, *job);
    }
    co_await run.checks.finished();
    run.progress->finish();
    const Tally &t = run.tally;
    if (run.format == Format::text) {
        std::printf("%d checked: %d available, %d taken, %d unclear, %d failed\n", t.total(), t.available, t.taken,
                    t.unclear, t.failed);
        std::fflush(stdout);
    }
    QCoreApplication::exit(t.failed > 0 || t.refused > 0 ? exitFailed : exitAnswered);
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
        "Checks whether NAME is still free under each TLD, asking the registries directly\n"
        "(RDAP first, WHOIS as the fallback). NAME may be a whole domain (example.com) to\n"
        "check just that one, or - to read names from standard input, one per line.\n"
        "TLDs default to the desktop program's enabled TLDs, or .com and .ai.\n\n"
        "Exit status: 0 when every domain got an answer, 1 when any check failed, a\n"
        "registry refused to answer or an input line was not a name, 2 for bad arguments."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("NAME"),
                                 QStringLiteral("The name to check (example, example.com, or - for standard input)."));
    parser.addPositionalArgument(QStringLiteral("TLD"), QStringLiteral("TLDs to check it under, e.g. .com io."),
                                 QStringLiteral("[TLD ...]"));
    const QCommandLineOption inputOption(QStringLiteral("input"),
                                         QStringLiteral("Read the names from FILE, one per line."),
                                         QStringLiteral("FILE"));
    const QCommandLineOption tldsOption(QStringLiteral("tlds"),
                                        QStringLiteral("Check under these TLDs, e.g. .com,.io."), QStringLiteral("LIST"));
    const QCommandLineOption allOption(QStringLiteral("all"),
                                       QStringLiteral("Check under every TLD with a known RDAP or WHOIS server."));
    const QCommandLineOption formatOption(QStringLiteral("format"),
                                          QStringLiteral("Output as text (default), json (one object per line) "
                                                         "or csv."),
                                          QStringLiteral("FORMAT"), QStringLiteral("text"));
    const QCommandLineOption jsonOption(QStringLiteral("json"), QStringLiteral("Same as --format json."));
    const QCommandLineOption onlyAvailableOption(QStringLiteral("only-available"),
                                                 QStringLiteral("Print only the domains that are available."));
    const QCommandLineOption noColorOption(QStringLiteral("no-color"),
                                           QStringLiteral("No colours, even on a terminal (as does NO_COLOR)."));
    const QCommandLineOption verboseOption(QStringLiteral("verbose"),
                                           QStringLiteral("Print the engine's log lines on standard error."));
    const QCommandLineOption timeoutOption(QStringLiteral("timeout"),
                                           QStringLiteral("Give each exchange with a registry at most SECONDS "
                                                          "(default 10)."),
                                           QStringLiteral("SECONDS"));
    const QCommandLineOption maxWaitOption(QStringLiteral("max-wait"),
                                           QStringLiteral("Wait at most SECONDS for a registry that asks to slow down "
                                                          "before giving up on it (default 60)."),
                                           QStringLiteral("SECONDS"));
    const QCommandLineOption bootstrapOption(QStringLiteral("bootstrap"),
                                             QStringLiteral("Fetch the RDAP bootstrap file from URL, for this run "
                                                            "only."),
                                             QStringLiteral("URL"));
    const QCommandLineOption whoisOption(QStringLiteral("whois"),
                                         QStringLiteral("Send every WHOIS query, referrals included, to HOST."),
                                         QStringLiteral("HOST"));
    const QCommandLineOption watchingOption(QStringLiteral("watching"),
                                            QStringLiteral("Print the domains the desktop program watches, with their "
                                                           "last verdict, and exit."));
    const QCommandLineOption portOption(QStringLiteral("whois-port"),
                                        QStringLiteral("Use port N for WHOIS (default 43)."), QStringLiteral("N"));
    parser.addOptions({inputOption, tldsOption, allOption, formatOption, jsonOption, onlyAvailableOption, noColorOption,
                       verboseOption, timeoutOption, maxWaitOption, bootstrapOption, whoisOption, portOption,
                       watchingOption});

    if (!parser.parse(QCoreApplication::arguments())) {
        printError(parser.errorText());
        return exitBadArguments;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qUtf8Printable(parser.helpText()), stdout);
        return exitAnswered;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("orvane-check %s\n", qUtf8Printable(QCoreApplication::applicationVersion()));
        return exitAnswered;
    }
    verboseLogging = parser.isSet(verboseOption);
    if (verboseLogging)
        QLoggingCategory::setFilterRules(QStringLiteral("com.pellunor.Orvane.*.debug=true"));

    Run run;
    const QString formatName = parser.isSet(jsonOption) ? QStringLiteral("json") : parser.value(formatOption);
    if (formatName == QLatin1String("text"))
        run.format = Format::text;
    else if (formatName == QLatin1String("json"))
        run.format = Format::json;
    else if (formatName == QLatin1String("csv"))
        run.format = Format::csv;
    else {
        printError(QStringLiteral("Not a valid format: %1 (text, json or csv)").arg(formatName));
        return exitBadArguments;
    }
    if (parser.isSet(watchingOption))
        return printWatching(run.format);
    run.onlyAvailable = parser.isSet(onlyAvailableOption);
    run.colour = run.format == Format::text && isatty(STDOUT_FILENO) == 1 && !parser.isSet(noColorOption)
                 && qEnvironmentVariable("NO_COLOR").isEmpty();

    // Where the names come from: one NAME, standard input ("-") or --input FILE.
    QStringList positional = parser.positionalArguments();
    std::optional<QString> source;
    if (parser.isSet(inputOption)) {
        source = parser.value(inputOption);
    } else if (!positional.isEmpty() && positional.first() == QLatin1String("-")) {
        source = QStringLiteral("-");
        positional.removeFirst();
    } else if (positional.isEmpty()) {
        printError(QStringLiteral("Missing NAME. Try --help."));
        return exitBadArguments;
    }
    // Names from a file or standard input are read as the checks go, never whole.
    QFile inputFile;
    std::optional<int> inputFd;
    QString name;
    if (source) {
        if (*source == QLatin1String("-")) {
            inputFd = STDIN_FILENO;
        } else {
            inputFile.setFileName(*source);
            if (!inputFile.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
                printError(QStringLiteral("Cannot read %1: %2").arg(*source, inputFile.errorString()));
                return exitBadArguments;
            }
            inputFd = inputFile.handle();
        }
    } else {
        name = positional.takeFirst();
    }

    QStringList explicitTLDs;
    QStringList tldArguments = positional;
    if (parser.isSet(tldsOption))
        tldArguments += parser.value(tldsOption).split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &tld : tldArguments) {
        const QString normal = asciiTLD(tld);
        if (normal.size() < 2) {
            printError(QStringLiteral("Not a valid TLD: %1").arg(escapeControls(tld, false)));
            return exitBadArguments;
        }
        explicitTLDs << normal;
    }
    explicitTLDs = deduplicated(explicitTLDs);
    const bool all = parser.isSet(allOption);
    const bool tldsGiven = all || !explicitTLDs.isEmpty();
    const QStringList defaultList = tldsGiven ? QStringList() : configuredTLDs();

    LookupConfiguration configuration;
    if (parser.isSet(timeoutOption)) {
        bool ok = false;
        const double seconds = parser.value(timeoutOption).toDouble(&ok);
        if (!ok || !(seconds > 0) || seconds > 3600) {
            printError(QStringLiteral("Not a valid time-out: %1").arg(parser.value(timeoutOption)));
            return exitBadArguments;
        }
        const std::chrono::milliseconds limit(qint64(seconds * 1000));
        configuration.whois.connection.timeout = limit;
        configuration.bootstrap.timeout = limit;
        configuration.rdapLimits.idle = limit;
        configuration.rdapLimits.whole = limit * 3 / 2; // the default's proportion, 10 s and 15 s
    }
    if (parser.isSet(maxWaitOption)) {
        bool ok = false;
        const double seconds = parser.value(maxWaitOption).toDouble(&ok);
        if (!ok || !(seconds >= 0) || seconds > 3600) {
            printError(QStringLiteral("Not a valid wait: %1").arg(parser.value(maxWaitOption)));
            return exitBadArguments;
        }
        configuration.maxWait = std::chrono::milliseconds(qint64(seconds * 1000));
    }
    // A bootstrap file named for one run must not become the desktop program's copy for a
    // week: it is kept in a store of its own that goes away with the run.
    std::optional<QTemporaryDir> privateStore;
    if (parser.isSet(bootstrapOption)) {
        const QUrl url(parser.value(bootstrapOption), QUrl::StrictMode);
        if (!url.isValid() || url.scheme().isEmpty()) {
            printError(QStringLiteral("Not a valid URL: %1").arg(parser.value(bootstrapOption)));
            return exitBadArguments;
        }
        privateStore.emplace();
        if (!privateStore->isValid()) {
            printError(QStringLiteral("Cannot create a temporary folder: %1").arg(privateStore->errorString()));
            return exitFailed;
        }
        configuration.bootstrap.source = url;
        configuration.bootstrap.store.fileName = privateStore->filePath(QStringLiteral("bootstrap.ini"));
    }
    if (parser.isSet(whoisOption))
        configuration.whois.overrideHost = parser.value(whoisOption);
    if (parser.isSet(portOption)) {
        bool ok = false;
        const uint port = parser.value(portOption).toUInt(&ok);
        if (!ok || port == 0 || port > 65535) {
            printError(QStringLiteral("Not a valid port: %1").arg(parser.value(portOption)));
            return exitBadArguments;
        }
        configuration.whois.connection.port = static_cast<quint16>(port);
    }

    // A refused NAME stops the run before anyone is contacted.
    if (!source) {
        const auto shown = DomainName::displayForm(DomainName::normalize(name.trimmed()));
        if (!shown || !DomainName::toAscii(*shown)) {
            printError(DomainName::invalidNameMessage);
            return exitBadArguments;
        }
    }

    // Every check of this run shares the pace learned with the desktop program, whichever
    // bootstrap file serves it.
    configuration.scheduler = RegistryScheduler::forStore(SettingsLocation{});
    DomainLookupService service(std::move(configuration));
    run.service = &service;
    run.tldsGiven = tldsGiven;
    run.tlds = explicitTLDs;
    run.defaultTLDs = defaultList;
    run.progress = std::make_unique<Progress>(isatty(STDERR_FILENO) == 1, service.scheduler());
    if (run.format == Format::csv)
        std::fputs(qUtf8Printable(csvHeader()), stdout);
    QTimer::singleShot(0, &app, [&] { start(run, name, inputFd, source.value_or(QString()), all); });
    return QCoreApplication::exec();
}
