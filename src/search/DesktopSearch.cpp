#include "search/DesktopSearch.h"

#include "engine/DomainName.h"
#include "history/DomainResult.h"
#include "history/SearchRecord.h"
#include "search/SearchPaneModel.h"
#include "settings/AppSettings.h"

namespace orvane {

// One term searched, followed through its record as the answers arrive.
struct DesktopSearch::Run {
    QString key;
    QPointer<SearchRecord> record;
    QList<Match> matches;
    QElapsedTimer age;
    bool done = false;
};

// One caller waiting for a term's answers.
struct DesktopSearch::Waiter {
    QString key;
    Reply reply;
    QTimer deadline;
};

DesktopSearch::DesktopSearch(SearchPaneModel *runner, AppSettings *settings, Timings timings, QObject *parent)
    : QObject(parent), m_runner(runner), m_settings(settings), m_timings(timings)
{
    m_settle.setSingleShot(true);
    connect(&m_settle, &QTimer::timeout, this, [this] { start(std::exchange(m_pending, {})); });
}

DesktopSearch::~DesktopSearch() = default;

void DesktopSearch::find(const QString &term, Reply reply)
{
    prune();
    const std::optional<QString> name = DomainName::displayForm(DomainName::normalize(term));
    const QStringList tlds = m_settings ? m_settings->orderedEnabledTLDs() : QStringList();
    const QString key = name && !tlds.isEmpty() ? *name + QLatin1Char('|') + tlds.join(QLatin1Char(',')) : QString();
    // The user typed on: what was asked before hears now, and a term not searched yet never is.
    answerAll(key, true);
    if (m_pending.key != key) {
        m_settle.stop();
        m_pending = {};
    }
    if (key.isEmpty()) {
        reply({});
        return;
    }

    auto waiter = std::make_shared<Waiter>();
    waiter->key = key;
    waiter->reply = std::move(reply);
    waiter->deadline.setSingleShot(true);
    std::weak_ptr<Waiter> weak = waiter;
    connect(&waiter->deadline, &QTimer::timeout, this, [this, weak] {
        if (const auto w = weak.lock())
            answer(w);
    });
    waiter->deadline.start(m_timings.answerWithin);
    m_waiters.append(waiter);

    if (const auto run = runFor(key)) {
        if (run->done)
            answer(waiter);
    } else if (m_pending.key != key) {
        m_pending = {*name, tlds, key};
        m_settle.start(m_timings.settle);
    }
}

std::shared_ptr<DesktopSearch::Run> DesktopSearch::runFor(const QString &key) const
{
    for (auto it = m_runs.crbegin(); it != m_runs.crend(); ++it) {
        if ((*it)->key == key)
            return *it;
    }
    return nullptr;
}

void DesktopSearch::start(const Term &term)
{
    SearchPaneModel *runner = m_runner;
    if (!runner || term.key.isEmpty())
        return;
    runner->setQuery(term.name);
    runner->search();
    auto run = std::make_shared<Run>();
    run->key = term.key;
    run->record = runner->activeRecord();
    run->age.start();
    for (const QString &tld : term.tlds) {
        const QString domain = term.name + tld;
        const auto forms = DomainName::convert(domain);
        run->matches.append({forms ? forms->ascii : domain, domain, tld, DomainAvailability::checking});
    }
    m_runs.append(run);
    if (!run->record || run->record->query() != term.name) { // the model refused it after all
        run->done = true;
        answerAll(run->key, false);
        return;
    }
    std::weak_ptr<Run> weak = run;
    connect(run->record, &SearchRecord::resultsChanged, this, [this, weak] {
        if (const auto r = weak.lock())
            follow(r);
    });
    // A search the user deletes while it runs answers no more: what is known is all there is.
    connect(run->record, &QObject::destroyed, this, [this, weak] {
        if (const auto r = weak.lock(); r && !r->done) {
            r->done = true;
            answerAll(r->key, false);
        }
    });
}

void DesktopSearch::follow(const std::shared_ptr<Run> &run)
{
    if (!run->record)
        return;
    for (const DomainResult *result : run->record->results()) {
        for (Match &match : run->matches) {
            if (match.tld == result->tld())
                match.availability = result->availability();
        }
    }
    const bool done = std::ranges::none_of(run->matches, [](const Match &m) { return m.availability == DomainAvailability::checking; });
    if (done && !run->done) {
        run->done = true;
        answerAll(run->key, false);
    }
}

void DesktopSearch::answer(const std::shared_ptr<Waiter> &waiter)
{
    if (!m_waiters.removeOne(waiter))
        return;
    waiter->deadline.stop();
    const auto run = runFor(waiter->key);
    waiter->reply(run ? run->matches : QList<Match>());
}

void DesktopSearch::answerAll(const QString &key, bool except)
{
    const QList<std::shared_ptr<Waiter>> waiting = m_waiters;
    for (const auto &waiter : waiting) {
        if ((waiter->key == key) != except)
            answer(waiter);
    }
}

void DesktopSearch::prune()
{
    m_runs.removeIf([this](const std::shared_ptr<Run> &run) {
        return run->age.hasExpired(m_timings.keep.count())
               && std::ranges::none_of(m_waiters, [&](const auto &waiter) { return waiter->key == run->key; });
    });
}

std::optional<DesktopSearch::Match> DesktopSearch::match(const QString &id) const
{
    for (auto it = m_runs.crbegin(); it != m_runs.crend(); ++it) {
        for (const Match &m : (*it)->matches) {
            if (m.id == id)
                return m;
        }
    }
    return std::nullopt;
}

SearchRecord *DesktopSearch::record(const QString &id) const
{
    for (auto it = m_runs.crbegin(); it != m_runs.crend(); ++it) {
        if (std::ranges::any_of((*it)->matches, [&](const Match &m) { return m.id == id; }))
            return (*it)->record;
    }
    return nullptr;
}

} // namespace orvane
