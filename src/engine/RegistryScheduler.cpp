#include "engine/RegistryScheduler.h"

#include "engine/Logging.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <limits>

namespace orvane {

namespace {

enum Outcome { answeredOutcome, limitedOutcome, failedOutcome };

// What was learned of a host stays useful for a while, not for ever: registries change their limits.
constexpr qint64 forgetAfterDays = 30;

QHash<QString, RegistryScheduler *> &schedulersByFile()
{
    static QHash<QString, RegistryScheduler *> schedulers;
    return schedulers;
}

void closeSchedulers()
{
    const auto schedulers = std::exchange(schedulersByFile(), {});
    for (RegistryScheduler *scheduler : schedulers)
        delete scheduler;
}

QJsonObject readPaceFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.read(1024 * 1024)).object().value(QStringLiteral("hosts")).toObject();
}

QDateTime dateOf(const QJsonObject &entry, const QString &name)
{
    return QDateTime::fromString(entry.value(name).toString(), Qt::ISODateWithMs);
}

} // namespace

std::optional<RateBounds> rateAfterRefusal(std::vector<SentRequest> requests, double together)
{
    std::sort(requests.begin(), requests.end(), [](const SentRequest &a, const SentRequest &b) { return a.at < b.at; });
    const auto refused = std::find_if(requests.begin(), requests.end(), [](const SentRequest &r) { return !r.ok; });
    if (refused == requests.end())
        return std::nullopt;
    struct Group {
        double at = 0; // seconds after the first refusal's group
        int ok = 0;
        bool refused = false;
    };
    // The first refusal's group: what was sent around it, in whatever order it arrived, left
    // the bucket with less than one token. Each group after it was let through as far as the
    // tokens that came in since allowed.
    std::vector<Group> groups;
    auto it = std::find_if(requests.begin(), refused, [&](const SentRequest &r) { return r.at >= refused->at - together; });
    double firstAt = 0;
    bool firstGroup = true;
    while (it != requests.end()) {
        const double until = (firstGroup ? refused->at : it->at) + together;
        double sum = 0;
        int count = 0;
        Group group;
        for (; it != requests.end() && it->at <= until; ++it) {
            sum += it->at;
            ++count;
            group.ok += it->ok ? 1 : 0;
            group.refused = group.refused || !it->ok;
        }
        if (firstGroup)
            firstAt = sum / count;
        else
            groups.push_back({sum / count - firstAt, group.ok, group.refused});
        firstGroup = false;
    }
    if (groups.empty())
        return std::nullopt;
    // With `left` (0 <= left < 1) tokens after the first group, a group `at` seconds later
    // with `before` let through since: before + ok <= left + rate * at, and if it had a refusal,
    // less than one token more. Every `left` that fits gives a range; the bounds span them all.
    constexpr double unbounded = std::numeric_limits<double>::infinity();
    std::optional<RateBounds> bounds;
    for (int step = 0; step < 64; ++step) {
        const double left = step / 64.0;
        double low = 0;
        double high = unbounded;
        int before = 0;
        for (const Group &group : groups) {
            low = std::max(low, (before + group.ok - left) / group.at);
            if (group.refused)
                high = std::min(high, (before + group.ok + 1 - left) / group.at);
            before += group.ok;
        }
        if (low > high)
            continue;
        if (!bounds)
            bounds = RateBounds{low, high};
        bounds->low = std::min(bounds->low, low);
        bounds->high = std::max(bounds->high, high);
    }
    return bounds;
}

void WaitBudget::tell(const QString &host, const QDateTime &retryAt)
{
    const QDateTime at = host.isEmpty() ? QDateTime() : retryAt;
    if (at == m_told)
        return;
    m_told = at;
    if (m_observer)
        m_observer(host, at);
}

// A request waiting for its turn. It belongs to the caller's context: when that goes, the
// request leaves the queue there and then.
class RegistryScheduler::Ticket : public QObject
{
public:
    Ticket(RegistryScheduler *owner, QString hostKey, WaitBudget *checkBudget, QObject *parent)
        : QObject(parent), scheduler(owner), key(std::move(hostKey)), budget(checkBudget)
    {
    }
    ~Ticket() override
    {
        if (queued && scheduler)
            scheduler->withdraw(this);
        done.complete(Grant{});
    }

    QPointer<RegistryScheduler> scheduler;
    QString key;
    WaitBudget *budget;
    Completion<Grant> done;
    bool queued = false;
};

RegistryTurn::RegistryTurn(RegistryTurn &&other) noexcept
    : m_scheduler(std::move(other.m_scheduler)), m_key(std::move(other.m_key)), m_budget(other.m_budget), m_status(other.m_status),
      m_epoch(other.m_epoch), m_sentAt(other.m_sentAt), m_open(std::exchange(other.m_open, false))
{
}

RegistryTurn &RegistryTurn::operator=(RegistryTurn &&other) noexcept
{
    if (this != &other) {
        if (m_open)
            failed();
        m_scheduler = std::move(other.m_scheduler);
        m_key = std::move(other.m_key);
        m_budget = other.m_budget;
        m_status = other.m_status;
        m_epoch = other.m_epoch;
        m_sentAt = other.m_sentAt;
        m_open = std::exchange(other.m_open, false);
    }
    return *this;
}

RegistryTurn::~RegistryTurn()
{
    if (m_open)
        failed();
}

bool RegistryTurn::answeredBefore() const
{
    if (!m_scheduler)
        return false;
    const auto found = m_scheduler->m_hosts.constFind(m_key);
    return found != m_scheduler->m_hosts.cend() && found->answeredBefore;
}

void RegistryTurn::answered(int carries)
{
    if (std::exchange(m_open, false) && m_scheduler)
        m_scheduler->settle(m_key, m_epoch, m_sentAt, answeredOutcome, std::nullopt, m_budget, carries);
}

void RegistryTurn::limited(std::optional<std::chrono::seconds> retryAfter)
{
    if (std::exchange(m_open, false) && m_scheduler)
        m_scheduler->settle(m_key, m_epoch, m_sentAt, limitedOutcome, retryAfter, m_budget);
}

void RegistryTurn::failed()
{
    if (std::exchange(m_open, false) && m_scheduler)
        m_scheduler->settle(m_key, m_epoch, m_sentAt, failedOutcome, std::nullopt, m_budget);
}

QString RegistryScheduler::paceFileFor(const SettingsLocation &store)
{
    const QFileInfo settings(store.open()->fileName());
    return settings.dir().filePath(settings.completeBaseName() + QStringLiteral(".pace.json"));
}

RegistryScheduler *RegistryScheduler::forStore(const SettingsLocation &store)
{
    const QString file = paceFileFor(store);
    auto &schedulers = schedulersByFile();
    if (RegistryScheduler *existing = schedulers.value(file))
        return existing;
    if (schedulers.isEmpty())
        qAddPostRoutine(closeSchedulers); // while the event loop's objects still exist
    Options options;
    options.paceFile = file;
    auto *scheduler = new RegistryScheduler(options);
    schedulers.insert(file, scheduler);
    return scheduler;
}

RegistryScheduler::RegistryScheduler(Options options, QObject *parent) : QObject(parent), m_options(std::move(options))
{
    m_saveTimer.setSingleShot(true);
    connect(&m_saveTimer, &QTimer::timeout, this, &RegistryScheduler::save);
    load();
}

RegistryScheduler::~RegistryScheduler()
{
    if (m_saveTimer.isActive())
        save();
    for (Host &host : m_hosts) {
        for (Ticket *ticket : std::exchange(host.queue, {})) {
            ticket->queued = false;
            ticket->done.complete(Grant{});
        }
    }
}

QString RegistryScheduler::key(Protocol protocol, const QString &host, int port)
{
    return (protocol == Protocol::rdap ? QStringLiteral("rdap ") : QStringLiteral("whois ")) + host.toLower()
           + QLatin1Char(':') + QString::number(port);
}

RegistryScheduler::Host &RegistryScheduler::host(const QString &key, const QString &name, Protocol protocol)
{
    auto found = m_hosts.find(key);
    if (found == m_hosts.end()) {
        Host fresh;
        fresh.window = protocol == Protocol::rdap ? m_options.rdapWindow : m_options.whoisWindow;
        found = m_hosts.insert(key, fresh);
    }
    found->name = name;
    found->protocol = protocol;
    if (found->pace.rate)
        forgetStalePace(*found, QDateTime::currentDateTimeUtc());
    if (!found->timer) {
        found->timer = new QTimer(this);
        found->timer->setSingleShot(true);
        connect(found->timer, &QTimer::timeout, this, [this, key] { pump(key); });
    }
    return *found;
}

QCoro::Task<RegistryTurn> RegistryScheduler::take(QString key, QString name, Protocol protocol, WaitBudget *budget,
                                                  QObject *context)
{
    reloadIfChanged();
    Host &entry = host(key, name, protocol);
    if (budget->m_order == 0)
        budget->m_order = ++m_nextOrder;
    QPointer<Ticket> ticket = new Ticket(this, key, budget, context ? context : this);
    const auto at = std::upper_bound(entry.queue.begin(), entry.queue.end(), budget->m_order,
                                     [](quint64 order, const Ticket *t) { return order < t->budget->m_order; });
    entry.queue.insert(at, ticket.data());
    ticket->queued = true;
    const auto done = ticket->done;
    pump(key);
    const Grant grant = co_await done.wait();
    delete ticket.data();
    RegistryTurn turn;
    turn.m_status = grant.status;
    if (grant.status == RegistryTurn::Status::granted) {
        turn.m_scheduler = this;
        turn.m_key = key;
        turn.m_budget = budget;
        turn.m_epoch = grant.epoch;
        turn.m_sentAt = grant.at;
        turn.m_open = true;
    }
    co_return turn;
}

void RegistryScheduler::withdraw(Ticket *ticket)
{
    const auto found = m_hosts.find(ticket->key);
    if (found == m_hosts.end())
        return;
    auto &queue = found->queue;
    queue.erase(std::remove(queue.begin(), queue.end(), ticket), queue.end());
    ticket->queued = false;
    ticket->budget->tell({}, {});
}

bool RegistryScheduler::holdsBack(Host &h, Ticket *ticket, Clock::time_point now, Clock::time_point &until)
{
    until = h.pausedUntil;
    if (ticket->budget->m_notBeforeKey == ticket->key)
        until = std::max(until, ticket->budget->m_notBefore);
    return now < until;
}

void RegistryScheduler::pump(const QString &key)
{
    const auto found = m_hosts.find(key);
    if (found == m_hosts.end())
        return;
    Host &h = *found;
    const auto now = Clock::now();
    std::optional<Clock::time_point> wake;
    const auto wakeAt = [&wake](Clock::time_point at) { wake = wake ? std::min(*wake, at) : at; };

    // Whoever waits for the host's word (its pause, or the check's own answer) hears how long;
    // a check whose budget ends first goes elsewhere.
    for (auto it = h.queue.begin(); it != h.queue.end();) {
        Ticket *ticket = *it;
        WaitBudget *budget = ticket->budget;
        Clock::time_point until;
        if (!holdsBack(h, ticket, now, until)) {
            ++it;
            continue;
        }
        if (!budget->m_deadline)
            budget->m_deadline = now + budget->m_allowance;
        if (until > *budget->m_deadline) {
            it = h.queue.erase(it);
            ticket->queued = false;
            budget->tell({}, {});
            ticket->done.complete(Grant{RegistryTurn::Status::outOfBudget, 0, now});
            continue;
        }
        budget->tell(h.name, toWall(until));
        wakeAt(until);
        ++it;
    }

    if (now >= h.pausedUntil) {
        if (h.pace.rate) {
            const double seconds = std::chrono::duration<double>(now - std::max(h.tokensAt, h.pausedUntil)).count();
            // A guess creeps up while the host takes it, towards what the last stretch carried,
            // as long as enough waits for a faster pace to win back the pause a refusal costs:
            // creeping by c a second over the D seconds the queue takes wins at most c·D²/2.
            constexpr double creep = 0.02;
            const double pause = std::chrono::duration<double>(h.lastPause).count();
            const double remaining = double(h.queue.size()) / *h.pace.rate;
            if (h.pace.guessed && creep * remaining * remaining / 2 > pause)
                h.pace.rate = std::min(h.pace.ceiling, *h.pace.rate * (1 + creep * seconds));
            h.tokens = std::min(std::max(1.0, h.pace.burst), h.tokens + std::chrono::duration<double>(now - h.tokensAt).count() * *h.pace.rate);
            h.tokensAt = now;
        }
        const int window = std::max(1, h.carries > 0 ? std::min(h.carries, int(h.window)) : int(h.window));
        for (auto it = h.queue.begin(); it != h.queue.end() && h.inFlight < window;) {
            Ticket *ticket = *it;
            Clock::time_point until;
            if (holdsBack(h, ticket, now, until)) {
                ++it;
                continue;
            }
            if (h.pace.rate) {
                if (h.tokens < 1) {
                    wakeAt(now + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>((1 - h.tokens) / *h.pace.rate)));
                    break;
                }
                h.tokens -= 1;
            }
            it = h.queue.erase(it);
            ticket->queued = false;
            ++h.inFlight;
            ticket->budget->tell({}, {});
            ticket->done.complete(Grant{RegistryTurn::Status::granted, h.epoch, now});
        }
        if (h.queue.empty() && h.stretchStart)
            h.stretchStarved = true;
    }
    if (wake) {
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*wake - now);
        h.timer->start(int(std::clamp<qint64>(wait.count(), 1, 24 * 3600 * 1000)));
    }
}

void RegistryScheduler::learnRate(Host &h, const Host::Stretch &stretch)
{
    qCDebug(lcLookup, "%s answered %.0f in %.2f s before it refused (asked at %.1f a second)", qUtf8Printable(h.name), stretch.answers,
            stretch.seconds, h.pace.rate.value_or(0));
    h.pace.stretches.push_back(stretch);
    if (h.pace.stretches.size() > 4)
        h.pace.stretches.pop_front();
    // Each stretch from a full bucket to a refusal says answers = burst + rate * seconds: a line
    // through the last few gives both numbers, once their lengths are far enough apart for the
    // send times' jitter to fade. A first stretch began before all connections were up: its
    // point is off the line, and is left out.
    std::vector<Host::Stretch> points;
    for (const Host::Stretch &s : h.pace.stretches) {
        if (!s.cold)
            points.push_back(s);
    }
    constexpr double apart = 0.25;
    if (points.size() >= 2) {
        double meanSeconds = 0, meanAnswers = 0, fastest = 0, shortest = 1e9, longest = 0;
        for (const Host::Stretch &s : points) {
            meanSeconds += s.seconds / double(points.size());
            meanAnswers += s.answers / double(points.size());
            fastest = std::max(fastest, s.answers / std::max(0.1, s.seconds));
            shortest = std::min(shortest, s.seconds);
            longest = std::max(longest, s.seconds);
        }
        double covariance = 0, variance = 0;
        for (const Host::Stretch &s : points) {
            covariance += (s.seconds - meanSeconds) * (s.answers - meanAnswers);
            variance += (s.seconds - meanSeconds) * (s.seconds - meanSeconds);
        }
        const double rate = variance > 0 ? covariance / variance : 0;
        if (longest - shortest >= apart && rate > 0.05 && rate < 1.15 * fastest) {
            h.pace.burst = std::clamp(meanAnswers - rate * meanSeconds, 1.0, std::max(1.0, meanAnswers));
            h.pace.rate = rate * 0.97;
            h.pace.guessed = false;
            qCInfo(lcLookup, "%s takes about %.1f requests a second (%.0f at once): paced to that", qUtf8Printable(h.name), rate,
                   h.pace.burst);
            return;
        }
    }
    if (h.pace.rate && !h.pace.guessed) {
        *h.pace.rate *= 0.9; // learned, and still refused: a little slower
        return;
    }
    // One stretch: what got through went at most this fast (a stretch shorter than a couple of
    // round trips is one burst, and says nothing of a rate), and a guess refused after a stretch
    // of its own was too fast. An earlier flight may have shown what the host takes at least; the
    // answers still on their way narrow it down further.
    const double seconds = std::max({0.1, stretch.seconds, 2 * h.roundTrip.value_or(0)});
    const double carried = stretch.answers / seconds;
    h.pace.ceiling = h.pace.rate ? std::min(carried, *h.pace.rate) : carried;
    h.pace.floor = h.pace.flightFloor < h.pace.ceiling ? h.pace.flightFloor : 0;
    h.pace.flightFloor = 0;
    h.pace.guessFrom = {stretch.answers, seconds, stretch.cold};
    h.pace.guessed = true;
    guess(h, h.pace.floor > 0 ? h.pace.floor : 0.7 * h.pace.ceiling, h.pace.ceiling);
}

void RegistryScheduler::guess(Host &h, double low, double high)
{
    // Halfway between what the host was seen to take and what it may take at most.
    h.pace.rate = (low + high) / 2;
    h.pace.burst = std::max(1.0, std::floor(h.pace.guessFrom.answers - *h.pace.rate * h.pace.guessFrom.seconds)); // what the guess leaves of the stretch
    qCDebug(lcLookup, "%s: asking about %.1f a second for now", qUtf8Printable(h.name), *h.pace.rate);
}

void RegistryScheduler::heardLate(Host &h)
{
    // The requests of the flight the last refusal ended, still being heard: they bound what the
    // host takes, and the guess goes to the middle of what every flight so far allows.
    if (!h.pace.guessed || h.epoch == 0)
        return;
    // Only a flight whose refused request was let go after the host's first answer counts.
    std::vector<SentRequest> flight;
    std::optional<Clock::time_point> refused;
    const Clock::time_point origin = h.pace.heard.front().at; // heard holds at least the answer just told
    for (const Host::Heard &heard : h.pace.heard) {
        if (heard.epoch + 1 != h.epoch)
            continue;
        flight.push_back({std::chrono::duration<double>(heard.at - origin).count(), heard.ok});
        if (!heard.ok)
            refused = refused ? std::min(*refused, heard.at) : heard.at;
    }
    if (!refused || !h.firstAnswer || *refused < *h.firstAnswer)
        return;
    // What was sent within a tenth of a round trip may reach the host in either order.
    const auto bounds = rateAfterRefusal(std::move(flight), std::max(0.002, h.roundTrip.value_or(0) / 10));
    if (!bounds)
        return;
    double low = std::max(bounds->low, h.pace.floor);
    double high = std::min(bounds->high, h.pace.ceiling);
    if (low > high) { // the host's limit changed, or an earlier flight misled: this one's word
        low = bounds->low;
        high = std::max(low, std::min(bounds->high, h.pace.ceiling));
    }
    h.pace.flightFloor = low;
    guess(h, low, high);
}

void RegistryScheduler::record(Host &h, Clock::time_point sentAt, quint64 epoch, bool ok)
{
    // Only the flight a refusal ends and the one after it are of use.
    h.pace.heard.push_back({sentAt, epoch, ok});
    while (!h.pace.heard.empty() && (h.pace.heard.size() > 512 || h.pace.heard.front().epoch + 1 < h.epoch))
        h.pace.heard.pop_front();
}

void RegistryScheduler::forgetStalePace(Host &h, const QDateTime &now) const
{
    // A pace only ever comes down while the host takes it, so one learned too low (another
    // client sharing the allowance, a limit raised since) would stay. Once no refusal has borne
    // it out for a while, the host is asked afresh, and paced again from its next refusal.
    if (!h.pace.rate || (h.pace.at.isValid() && h.pace.at.secsTo(now) < std::chrono::seconds(m_options.keepPace).count()))
        return;
    qCDebug(lcLookup, "%s: the pace of %.1f a second is old, and asked afresh", qUtf8Printable(h.name), *h.pace.rate);
    h.pace = {};
}

void RegistryScheduler::settle(const QString &key, quint64 epoch, Clock::time_point sentAt, int outcome,
                               std::optional<std::chrono::seconds> retryAfter, WaitBudget *budget, int carries)
{
    const auto found = m_hosts.find(key);
    if (found == m_hosts.end())
        return;
    Host &h = *found;
    h.inFlight = std::max(0, h.inFlight - 1);
    const double maxWindow = h.protocol == Protocol::rdap ? m_options.rdapMaxWindow : m_options.whoisMaxWindow;
    const auto now = Clock::now();
    if (outcome == answeredOutcome) {
        h.answeredBefore = true;
        if (!h.firstAnswer)
            h.firstAnswer = now;
        h.carries = carries;
        h.backoff = std::chrono::milliseconds(0);
        const double roundTrip = std::chrono::duration<double>(now - sentAt).count();
        h.roundTrip = std::min(h.roundTrip.value_or(roundTrip), roundTrip);
        record(h, sentAt, epoch, true);
        if (epoch + 1 == h.epoch) // sent before the last refusal was heard
            heardLate(h);
        if (epoch == h.epoch) { // sent since the last refusal
            if (!h.stretchStart)
                h.stretchStart = now;
            ++h.stretchAnswers;
        }
        // Only a window in use grows: an idle one proves nothing about what the host takes.
        if (h.inFlight + 1 >= int(h.window)) {
            h.window = std::min(maxWindow, h.window + (h.window < h.threshold ? 1.0 : 1.0 / h.window));
            h.learnedAt = QDateTime::currentDateTimeUtc();
            changed(false);
        }
    } else if (outcome == limitedOutcome) {
        // Once per flight: the answers to requests sent before the first refusal say the same.
        const bool first = epoch == h.epoch;
        record(h, sentAt, epoch, false);
        if (first) {
            h.threshold = std::max(1.0, std::floor(h.window / 2));
            h.window = h.threshold;
            ++h.epoch;
            if (h.stretchStart && h.stretchAnswers > 0 && !h.stretchStarved) {
                learnRate(h, {double(h.stretchAnswers), std::chrono::duration<double>(now - *h.stretchStart).count(), h.epoch == 1});
                h.tokens = 0;
                h.tokensAt = now;
            }
            h.stretchStart.reset();
            h.stretchAnswers = 0;
            h.stretchStarved = false;
            if (h.pace.rate)
                h.pace.at = QDateTime::currentDateTimeUtc();
        }
        if (epoch + 1 == h.epoch) // the refusal that ended this flight, or one sent before it was heard
            heardLate(h);
        std::chrono::milliseconds pause;
        if (retryAfter) {
            pause = std::min<std::chrono::milliseconds>(std::max(*retryAfter, std::chrono::seconds(0)), m_options.longestPause);
        } else {
            if (first || h.backoff.count() == 0)
                h.backoff = h.backoff.count() == 0 ? std::chrono::milliseconds(m_options.firstBackoff)
                                                   : std::min<std::chrono::milliseconds>(h.backoff * 2, m_options.longestBackoff);
            pause = h.backoff;
        }
        // The check waits what it was told. The host as a whole pauses on the first refusal of a
        // flight: the answers to requests sent before it was heard say nothing new.
        const auto until = now + pause;
        if (budget) {
            budget->m_notBefore = until;
            budget->m_notBeforeKey = key;
        }
        if (first)
            h.lastPause = pause;
        if (first && until > h.pausedUntil) {
            h.pausedUntil = until;
            qCInfo(lcLookup, "%s asked to wait: pausing it for %.1f s", qUtf8Printable(h.name), double(pause.count()) / 1000.0);
        }
        h.learnedAt = QDateTime::currentDateTimeUtc();
        changed(true);
    }
    pump(key);
}

RegistryScheduler::HostState RegistryScheduler::state(const QString &key) const
{
    const auto found = m_hosts.constFind(key);
    if (found == m_hosts.cend())
        return {};
    HostState state{found->window, found->inFlight, int(found->queue.size()), {}, found->pace.rate.value_or(0)};
    if (found->pausedUntil > Clock::now())
        state.pausedUntil = toWall(found->pausedUntil);
    return state;
}

QList<QPair<QString, QDateTime>> RegistryScheduler::pausedHosts() const
{
    QList<QPair<QString, QDateTime>> paused;
    const auto now = Clock::now();
    for (const Host &h : m_hosts) {
        if (h.pausedUntil > now && !h.queue.empty())
            paused.append({h.name, toWall(h.pausedUntil)});
    }
    std::sort(paused.begin(), paused.end(), [](const auto &a, const auto &b) { return a.second < b.second; });
    return paused;
}

QDateTime RegistryScheduler::toWall(Clock::time_point at) const
{
    const auto delta = std::chrono::duration_cast<std::chrono::milliseconds>(at - Clock::now());
    return QDateTime::currentDateTimeUtc().addMSecs(delta.count());
}

RegistryScheduler::Clock::time_point RegistryScheduler::toSteady(const QDateTime &at) const
{
    return Clock::now() + std::chrono::milliseconds(QDateTime::currentDateTimeUtc().msecsTo(at));
}

// ---- what is kept between runs ----------------------------------------------------------------

void RegistryScheduler::changed(bool soon)
{
    if (m_options.paceFile.isEmpty())
        return;
    // A pause is written at once, so that another process honours it; a window can wait a little.
    if (soon)
        m_saveTimer.start(0);
    else if (!m_saveTimer.isActive())
        m_saveTimer.start(2000);
}

void RegistryScheduler::load()
{
    if (m_options.paceFile.isEmpty())
        return;
    m_fileSeen = QFileInfo(m_options.paceFile).lastModified();
    const QJsonObject hosts = readPaceFile(m_options.paceFile);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (auto it = hosts.begin(); it != hosts.end(); ++it) {
        const QJsonObject entry = it.value().toObject();
        const Protocol protocol = it.key().startsWith(QLatin1String("whois ")) ? Protocol::whois : Protocol::rdap;
        const double maxWindow = protocol == Protocol::rdap ? m_options.rdapMaxWindow : m_options.whoisMaxWindow;
        const double window = entry.value(QStringLiteral("window")).toDouble();
        if (!std::isfinite(window) || window < 1)
            continue;
        Host h;
        h.protocol = protocol;
        h.name = entry.value(QStringLiteral("host")).toString();
        h.window = std::min(window, maxWindow);
        h.threshold = h.window; // the pace it found: approached gently from here
        h.learnedAt = dateOf(entry, QStringLiteral("learnedAt"));
        if (const double rate = entry.value(QStringLiteral("rate")).toDouble(); std::isfinite(rate) && rate > 0.05) {
            h.pace.rate = rate;
            h.pace.burst = std::clamp(entry.value(QStringLiteral("burst")).toDouble(), 1.0, 1000.0);
            h.tokens = h.pace.burst; // a host left alone has its bucket full again
            h.tokensAt = Clock::now();
            h.pace.at = entry.contains(QStringLiteral("rateAt")) ? dateOf(entry, QStringLiteral("rateAt")) : h.learnedAt;
            forgetStalePace(h, now);
        }
        const QDateTime pausedUntil = dateOf(entry, QStringLiteral("pausedUntil"));
        if (pausedUntil.isValid() && pausedUntil > now)
            h.pausedUntil = toSteady(std::min(pausedUntil, now.addSecs(m_options.longestPause.count())));
        m_hosts.insert(it.key(), h);
    }
}

// Another process using the same store may have been told to wait meanwhile.
void RegistryScheduler::reloadIfChanged()
{
    if (m_options.paceFile.isEmpty())
        return;
    const auto now = Clock::now();
    if (now - m_lastFileCheck < std::chrono::seconds(1))
        return;
    m_lastFileCheck = now;
    const QDateTime modified = QFileInfo(m_options.paceFile).lastModified();
    if (modified == m_fileSeen)
        return;
    m_fileSeen = modified;
    const QJsonObject hosts = readPaceFile(m_options.paceFile);
    const QDateTime wallNow = QDateTime::currentDateTimeUtc();
    for (auto it = hosts.begin(); it != hosts.end(); ++it) {
        const QDateTime pausedUntil = dateOf(it.value().toObject(), QStringLiteral("pausedUntil"));
        auto found = m_hosts.find(it.key());
        if (!pausedUntil.isValid() || pausedUntil <= wallNow || found == m_hosts.end())
            continue;
        const auto until = toSteady(std::min(pausedUntil, wallNow.addSecs(m_options.longestPause.count())));
        if (until > found->pausedUntil)
            found->pausedUntil = until;
    }
}

void RegistryScheduler::save()
{
    m_saveTimer.stop();
    if (m_options.paceFile.isEmpty())
        return;
    const QFileInfo info(m_options.paceFile);
    QDir().mkpath(info.absolutePath());
    QLockFile lock(m_options.paceFile + QStringLiteral(".lock"));
    lock.setStaleLockTime(10000);
    if (!lock.tryLock(2000)) {
        qCWarning(lcLookup, "Could not lock %s to keep the registries' pace", qUtf8Printable(m_options.paceFile));
        return;
    }
    // Merged with what another process wrote meanwhile: the newer word on a host wins, and a
    // pause holds until the later of the two.
    QJsonObject hosts = readPaceFile(m_options.paceFile);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const auto steadyNow = Clock::now();
    for (auto it = m_hosts.cbegin(); it != m_hosts.cend(); ++it) {
        const Host &h = it.value();
        if (!h.learnedAt.isValid())
            continue;
        QJsonObject entry = hosts.value(it.key()).toObject();
        const QDateTime theirs = dateOf(entry, QStringLiteral("learnedAt"));
        QDateTime pausedUntil = dateOf(entry, QStringLiteral("pausedUntil"));
        if (h.pausedUntil > steadyNow && (!pausedUntil.isValid() || toWall(h.pausedUntil) > pausedUntil))
            pausedUntil = toWall(h.pausedUntil);
        if (!theirs.isValid() || theirs <= h.learnedAt) {
            entry.insert(QStringLiteral("host"), h.name);
            entry.insert(QStringLiteral("window"), std::round(h.window * 100) / 100);
            entry.insert(QStringLiteral("learnedAt"), h.learnedAt.toString(Qt::ISODateWithMs));
            if (h.pace.rate) { // a guess too: it is where the next run starts
                entry.insert(QStringLiteral("rate"), std::round(*h.pace.rate * 100) / 100);
                entry.insert(QStringLiteral("burst"), std::round(h.pace.burst * 100) / 100);
                entry.insert(QStringLiteral("rateAt"), h.pace.at.toString(Qt::ISODateWithMs));
            } else {
                entry.remove(QStringLiteral("rate"));
                entry.remove(QStringLiteral("burst"));
                entry.remove(QStringLiteral("rateAt"));
            }
        }
        if (pausedUntil.isValid() && pausedUntil > now)
            entry.insert(QStringLiteral("pausedUntil"), pausedUntil.toString(Qt::ISODateWithMs));
        else
            entry.remove(QStringLiteral("pausedUntil"));
        hosts.insert(it.key(), entry);
    }
    for (auto it = hosts.begin(); it != hosts.end();) {
        const QDateTime learned = dateOf(it.value().toObject(), QStringLiteral("learnedAt"));
        if (!learned.isValid() || learned.daysTo(now) > forgetAfterDays)
            it = hosts.erase(it);
        else
            ++it;
    }
    QSaveFile file(m_options.paceFile);
    if (!file.open(QIODevice::WriteOnly)
        || file.write(QJsonDocument(QJsonObject{{QStringLiteral("hosts"), hosts}}).toJson()) < 0 || !file.commit()) {
        qCWarning(lcLookup, "Could not keep the registries' pace in %s: %s", qUtf8Printable(m_options.paceFile),
                  qUtf8Printable(file.errorString()));
        return;
    }
    m_fileSeen = QFileInfo(m_options.paceFile).lastModified();
}

} // namespace orvane
