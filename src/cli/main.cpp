// orvane-check: checks names under several TLDs from the command line, through the same
// engine the desktop program uses.

#include "settings/AppSettings.h"
#include "engine/ApplicationIdentity.h"
#include "engine/DomainLookupService.h"
#include "engine/DomainName.h"
#include "history/HistoryStore.h"
#include "engine/OpenFileLimit.h"
#include "cli/Output.h"
#include "engine/TextRules.h"
#include "engine/WhoisClient.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <cstdio>
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
// standard error is a terminal.
class Progress
{
public:
    Progress(int total, bool enabled) : m_total(total), m_enabled(enabled)
    {
        if (!m_enabled)
            return;
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_shown = true;
            draw();
        });
        m_timer.start(1000);
    }
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
        std::fprintf(stderr, "\r\x1b[K%d/%d answered", m_done, m_total);
        std::fflush(stderr);
    }

private:
    QTimer m_timer;
    int m_total;
    int m_done = 0;
    bool m_enabled;
    bool m_shown = false;
};

struct Run {
    DomainLookupService *service = nullptr;
    Format format = Format::text;
    bool onlyAvailable = false;
    bool colour = false;
    Progress *progress = nullptr;
    Tally tally;
};

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

QCoro::Task<> checkOne(Run &run, Job job, QString tld, Completion<bool> allDone, std::shared_ptr<int> pending)
{
    const auto result = co_await run.service->check(job.asciiName, tld);
    Row row;
    row.asciiDomain = job.asciiName + tld;
    row.domain = DomainName::toUnicode(row.asciiDomain);
    row.tld = DomainName::toUnicode(tld);
    if (result) {
        row.availability = result->availability;
        row.response = result->rawResponse;
    } else {
        row.availability = DomainAvailability::error;
        row.error = result.error().description();
    }
    print(run, row);
    if (--*pending == 0)
        allDone.complete(true);
}

// Names one after another, each under all its TLDs at once: the connections and the server
// directory that the first name set up serve the next ones.
QCoro::Task<> checkAll(Run &run, QList<Job> jobs)
{
    for (const Job &job : jobs) {
        Completion<bool> done;
        auto pending = std::make_shared<int>(int(job.tlds.size()));
        for (const QString &tld : job.tlds)
            checkOne(run, job, tld, done, pending);
        co_await done.wait();
    }
    run.progress->finish();
    const Tally &t = run.tally;
    if (run.format == Format::text) {
        std::printf("%d checked: %d available, %d taken, %d unclear, %d failed\n", t.total(), t.available, t.taken,
                    t.unclear, t.failed);
        std::fflush(stdout);
    }
    QCoreApplication::exit(t.failed > 0 || t.refused > 0 ? exitFailed : exitAnswered);
}

QCoro::Task<> start(Run &run, std::function<std::optional<QList<Job>>(const QStringList &)> makeJobs,
                    std::optional<QList<Job>> jobs)
{
    if (!jobs) {
        // --all: every TLD anyone can be asked about, the bootstrap's and the WHOIS table's.
        RDAPBootstrap *bootstrap = run.service->rdap()->bootstrap();
        co_await bootstrap->ensureLoaded();
        QStringList tlds = bootstrap->registry().keys() + knownServerTLDs();
        tlds.sort();
        jobs = makeJobs(deduplicated(tlds));
        if (!jobs) {
            QCoreApplication::exit(exitBadArguments);
            co_return;
        }
    }
    int total = 0;
    for (const Job &job : *jobs)
        total += int(job.tlds.size());
    Progress progress(total, isatty(STDERR_FILENO) == 1);
    run.progress = &progress;
    co_await checkAll(run, *jobs);
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
                       verboseOption, timeoutOption, bootstrapOption, whoisOption, portOption, watchingOption});

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
    QStringList entries;
    if (source) {
        QFile file;
        const bool opened = *source == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly)
                                                          : (file.setFileName(*source), file.open(QIODevice::ReadOnly));
        if (!opened) {
            printError(QStringLiteral("Cannot read %1: %2").arg(*source, file.errorString()));
            return exitBadArguments;
        }
        entries = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    } else {
        entries << positional.takeFirst();
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

    const bool bulk = source.has_value();
    // Turns the input into names and TLDs once the TLD list is known (--all needs the bootstrap).
    auto makeJobs = [&](const QStringList &tlds) -> std::optional<QList<Job>> {
        QList<Job> jobs;
        bool notedCut = false;
        for (qsizetype i = 0; i < entries.size(); ++i) {
            const QString entry = entries.at(i).trimmed();
            if (bulk && (entry.isEmpty() || entry.startsWith(QLatin1Char('#'))))
                continue;
            const QString lower = entry.toLower();
            const qsizetype dot = lower.indexOf(QLatin1Char('.'));
            Job job;
            if (dot > 0 && dot + 1 < lower.size() && !tldsGiven) {
                // A whole domain with no TLDs given: that domain, and only that one.
                job.tlds << asciiTLD(lower.mid(dot + 1));
            } else {
                if (dot >= 0 && tldsGiven && !notedCut) {
                    printError(QStringLiteral("Note: with TLDs given, only the part before the first dot is checked "
                                              "(%1).")
                                   .arg(escapeControls(DomainName::normalize(entry), false)));
                    notedCut = true;
                }
                job.tlds = tldsGiven ? tlds : defaultList;
            }
            const auto shown = DomainName::displayForm(DomainName::normalize(entry));
            const auto ascii = shown ? DomainName::toAscii(*shown) : std::nullopt;
            if (!ascii) {
                if (!bulk) {
                    printError(DomainName::invalidNameMessage);
                    return std::nullopt;
                }
                printError(QStringLiteral("Line %1 (%2): %3")
                               .arg(i + 1)
                               .arg(escapeControls(entry, false), DomainName::invalidNameMessage));
                ++run.tally.refused;
                continue;
            }
            job.shownName = *shown;
            job.asciiName = *ascii;
            jobs << job;
        }
        return jobs;
    };

    // Without --all the TLDs are known now, and a refused NAME stops the run before anyone
    // is contacted.
    std::optional<QList<Job>> jobs;
    if (!all) {
        jobs = makeJobs(explicitTLDs);
        if (!jobs)
            return exitBadArguments;
    } else if (!bulk && !DomainName::isValid(DomainName::normalize(entries.first()))) {
        printError(DomainName::invalidNameMessage);
        return exitBadArguments;
    }

    DomainLookupService service(std::move(configuration));
    run.service = &service;
    if (run.format == Format::csv)
        std::fputs(qUtf8Printable(csvHeader()), stdout);
    QTimer::singleShot(0, &app, [&] { start(run, makeJobs, jobs); });
    return QCoreApplication::exec();
}
