#pragma once

#include "engine/SettingsLocation.h"
#include "net/Completion.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <qcoro/qcorotask.h>

#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace orvane {

class RegistryScheduler;

// One request to a registry, as the pacing sees it: when it was sent (seconds, from any origin)
// and whether the registry let it through.
struct SentRequest {
    double at = 0;
    bool ok = false;
};

// Registries limit a client with a token bucket. Once the bucket is empty (the first refusal),
// every later request tells whether a token had come in since: the requests sent after the first
// refused one bound the rate from both sides, one token apiece over the time they span. Requests
// sent within `together` seconds of each other count as one group, as they may reach the registry
// in either order. None when no rate fits what was heard (or nothing was sent after the refusal).
struct RateBounds {
    double low = 0;
    double high = 0; // +inf when nothing after the refusal was refused
};
std::optional<RateBounds> rateAfterRefusal(std::vector<SentRequest> requests, double together);

// What one check may spend waiting because a registry asked it to (HTTP 429, a WHOIS refusal).
// The allowance starts to run when a registry first holds the check back; queueing behind
// other checks of the same registry is pacing, and does not count.
class WaitBudget
{
public:
    static constexpr std::chrono::milliseconds defaultAllowance{60000};
    // Told the registry and when the check will ask it again while a registry holds the check
    // back, and an empty host when the check goes on.
    using Observer = std::function<void(const QString &host, const QDateTime &retryAt)>;

    explicit WaitBudget(std::chrono::milliseconds allowance = defaultAllowance, Observer observer = {})
        : m_allowance(allowance), m_observer(std::move(observer))
    {
    }

private:
    friend class RegistryScheduler;
    void tell(const QString &host, const QDateTime &retryAt);

    std::chrono::milliseconds m_allowance;
    Observer m_observer;
    std::optional<std::chrono::steady_clock::time_point> m_deadline;
    std::chrono::steady_clock::time_point m_notBefore; // what the registry told this check
    QString m_notBeforeKey;                            // which registry
    quint64 m_order = 0; // the check's place in any queue, kept when it asks again
    QDateTime m_told;    // the retry time last told to the observer
};

// One request's place at a registry, from the moment it may be sent until its outcome is told.
class RegistryTurn
{
public:
    enum class Status { granted, cancelled, outOfBudget };

    RegistryTurn() = default;
    RegistryTurn(RegistryTurn &&other) noexcept;
    RegistryTurn &operator=(RegistryTurn &&other) noexcept;
    RegistryTurn(const RegistryTurn &) = delete;
    RegistryTurn &operator=(const RegistryTurn &) = delete;
    ~RegistryTurn(); // an outcome never told counts as failed()

    Status status() const { return m_status; }
    bool granted() const { return m_status == Status::granted; }
    // This registry answered this process before (then a refused connection is a refusal too).
    bool answeredBefore() const;

    // The registry answered: it can take more at once. `carries`, when known, is how many
    // requests its connections carry at once (HTTP/1.1: one per connection); the window never
    // goes beyond, or the surplus would only wait in the HTTP client, out of the pacing's sight.
    void answered(int carries = 0);
    // The registry said "slow down" (429, a refusal): fewer at once, and none until the pause
    // it asked for (none named: 1 s, doubling up to 30 s; never more than 120 s) is over.
    void limited(std::optional<std::chrono::seconds> retryAfter);
    // No answer, for a reason that says nothing about the pace (network, TLS, a broken answer).
    void failed();

private:
    friend class RegistryScheduler;
    QPointer<RegistryScheduler> m_scheduler;
    QString m_key;
    WaitBudget *m_budget = nullptr;
    Status m_status = Status::cancelled;
    quint64 m_epoch = 0;
    std::chrono::steady_clock::time_point m_sentAt;
    bool m_open = false;
};

// Paces every request to every registry of the process: per host (an RDAP server, a WHOIS
// server) a window of requests in flight that grows while answers come back and halves when
// the host refuses (AIMD), a queue in the order the checks asked, a pause for the whole host
// when it asks for one, and a learned pace that is kept in a small file beside the user-defaults
// store, so the next run, and any other process sharing that store, starts where this one left.
class RegistryScheduler : public QObject
{
    Q_OBJECT
public:
    enum class Protocol { rdap, whois };

    struct Options {
        QString paceFile; // empty: nothing is kept
        double rdapWindow = 16;
        double whoisWindow = 4;
        // What the HTTP client carries to one host: six HTTP/2 connections of about a hundred
        // streams each; a window beyond would only wait in curl. (Over HTTP/1.1 the host's
        // answers lower it to one per connection.)
        double rdapMaxWindow = 600;
        double whoisMaxWindow = 32;
        std::chrono::seconds longestPause{120};
        std::chrono::seconds firstBackoff{1};
        std::chrono::seconds longestBackoff{30};
        // How long a pace stays once no refusal bears it out: a pace learned while another
        // client shared the host's allowance would otherwise hold the host back for good.
        std::chrono::hours keepPace{24};
    };

    // The scheduler of every check whose user-defaults store is `store`: one per process in the
    // program, which has one store; its pace file lives beside that store's file.
    static RegistryScheduler *forStore(const SettingsLocation &store);
    static QString paceFileFor(const SettingsLocation &store);

    explicit RegistryScheduler(Options options, QObject *parent = nullptr);
    ~RegistryScheduler() override; // writes what was learned

    // The key and the name shown for a registry host.
    static QString key(Protocol protocol, const QString &host, int port);

    // Waits for the host's window, queue and pause. Cancelled when `context` goes away (the
    // request then leaves the queue at once); outOfBudget when the host is paused beyond what
    // `budget` allows.
    QCoro::Task<RegistryTurn> take(QString key, QString host, Protocol protocol, WaitBudget *budget, QObject *context);

    struct HostState {
        double window = 0;
        int inFlight = 0;
        int queued = 0;
        QDateTime pausedUntil; // invalid when not paused
        double rate = 0;       // requests a second the host is paced to; 0: only the window holds them back
    };
    HostState state(const QString &key) const;
    // The hosts paused right now, with the time they go on, soonest first.
    QList<QPair<QString, QDateTime>> pausedHosts() const;

    // Writes the learned pace now (it is otherwise written shortly after it changes).
    void save();

private:
    friend class RegistryTurn;
    using Clock = std::chrono::steady_clock;
    class Ticket;
    struct Grant {
        RegistryTurn::Status status = RegistryTurn::Status::cancelled;
        quint64 epoch = 0;
        Clock::time_point at;
    };
    struct Host {
        QString name;
        Protocol protocol = Protocol::rdap;
        double window = 1;
        int carries = 0; // requests the connections carry at once; 0: as many as the window
        double threshold = 1e9; // below: +1 per answer; above: +1 per window's worth of answers
        int inFlight = 0;
        std::deque<Ticket *> queue; // in the order the checks first asked
        Clock::time_point pausedUntil;
        std::chrono::milliseconds backoff{0};
        quint64 epoch = 0; // a refusal halves the window once per epoch
        bool answeredBefore = false;
        QTimer *timer = nullptr;
        QDateTime learnedAt;

        std::chrono::milliseconds lastPause{0}; // what the host's last refusal cost
        double tokens = 0;
        Clock::time_point tokensAt;
        std::optional<Clock::time_point> stretchStart; // the first answer since the last refusal
        int stretchAnswers = 0;
        bool stretchStarved = false; // the queue ran dry: what got through is no measure of the host
        // Seconds from sending to the answer, the shortest seen: the path's own, without a
        // connection being opened or a request waiting for one.
        std::optional<double> roundTrip;
        // Until the first answer the connections are still opening, and a request let go may
        // wait for one: when it was let go says nothing of when it reached the host.
        std::optional<Clock::time_point> firstAnswer;
        struct Stretch {
            double answers;
            double seconds;
            bool cold; // the first with this host: its connections were still opening
        };
        // An answer, with when its request was let go and the flight (epoch) it was sent in.
        struct Heard {
            Clock::time_point at;
            quint64 epoch;
            bool ok;
        };
        // Registries limit a client's rate with a token bucket: `burst` at once, then `rate` a
        // second. Once a host has refused, requests to it are paced to what it takes, learned
        // from what got through between a full bucket and the refusal (ok = burst + rate * span):
        // two such stretches of different lengths give both numbers.
        struct Pace {
            std::optional<double> rate; // requests a second; none: only the window holds them back
            QDateTime at;               // when the host last refused: what the pace rests on
            double burst = 1;
            bool guessed = false; // from one stretch only: raised while nothing is refused
            double ceiling = 0;   // a guess is raised no further than the refused stretch went
            std::deque<Stretch> stretches; // the last few, oldest first
            // A guess from one stretch: that stretch, and the least the host was seen to take.
            Stretch guessFrom{0, 0, false};
            double floor = 0;       // from the flights before
            double flightFloor = 0; // from the flight the last refusal ended
            // The last answers: those around a refusal tell the rate.
            std::deque<Heard> heard;
        };
        Pace pace;
    };

    Host &host(const QString &key, const QString &name, Protocol protocol);
    void pump(const QString &key);
    void withdraw(Ticket *ticket);
    void settle(const QString &key, quint64 epoch, Clock::time_point sentAt, int outcome,
                std::optional<std::chrono::seconds> retryAfter, WaitBudget *budget, int carries = 0);
    // Whether the ticket's check still waits on its own word from the host, and until when.
    bool holdsBack(Host &h, Ticket *ticket, Clock::time_point now, Clock::time_point &until);
    void learnRate(Host &h, const Host::Stretch &stretch);
    void guess(Host &h, double low, double high);
    void heardLate(Host &h);
    void record(Host &h, Clock::time_point sentAt, quint64 epoch, bool ok);
    void forgetStalePace(Host &h, const QDateTime &now) const;
    void changed(bool soon);
    void load();
    void reloadIfChanged();
    QDateTime toWall(Clock::time_point at) const;
    Clock::time_point toSteady(const QDateTime &at) const;

    Options m_options;
    QHash<QString, Host> m_hosts;
    quint64 m_nextOrder = 0;
    QTimer m_saveTimer;
    QDateTime m_fileSeen; // modification time of the pace file when last read or written
    Clock::time_point m_lastFileCheck;
};

} // namespace orvane
