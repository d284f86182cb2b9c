#pragma once

#include "engine/DomainAvailability.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace orvane {

class AppSettings;
class SearchPaneModel;
class SearchRecord;

// What the desktop's own search (GNOME Shell's overview, KRunner) asks of Orvane: a term typed
// there that is a name is checked under every enabled TLD by a search pane model of its own, so
// it goes through the same engine and into the same history as a search in the window. The
// desktop asks again at every keystroke; a term is searched once it has stood for `settle` with
// no newer one, and once only while its answers are kept. One back end serves both desktops.
class DesktopSearch : public QObject
{
    Q_OBJECT
public:
    struct Timings {
        std::chrono::milliseconds settle{300};
        std::chrono::milliseconds answerWithin{2000}; // a desktop drops a search that answers later
        std::chrono::milliseconds keep{10 * 60 * 1000}; // a term asked again within this is not searched again
    };

    struct Match {
        QString id;     // the domain in ASCII: "lumalink.com", "xn--bcher-kva.de"
        QString domain; // the domain as the history holds it: "bücher.de"
        QString tld;
        DomainAvailability availability = DomainAvailability::checking;
    };
    using Reply = std::function<void(const QList<Match> &)>;

    // `runner` searches (and records) the terms; its store and settings are the application's.
    DesktopSearch(SearchPaneModel *runner, AppSettings *settings, Timings timings, QObject *parent = nullptr);
    ~DesktopSearch() override;

    // Answers with one match per enabled TLD, in catalogue order, for a term that is a name: once
    // every check is done, or `answerWithin` after the call with what is known by then, whichever
    // comes first. A term that is not a name, or a call that a newer term overtook before its
    // own was searched, is answered at once with nothing, and reaches no registry.
    void find(const QString &term, Reply reply);

    // A match given out in the last `keep`, as it stands now.
    std::optional<Match> match(const QString &id) const;
    // The saved search a match belongs to; none once the user deleted it.
    SearchRecord *record(const QString &id) const;

private:
    struct Run;
    struct Waiter;
    struct Term {
        QString name; // as the history holds it
        QStringList tlds;
        QString key; // the name and the TLDs: another set of TLDs is another search
    };

    std::shared_ptr<Run> runFor(const QString &key) const;
    void start(const Term &term);
    void follow(const std::shared_ptr<Run> &run);
    void answer(const std::shared_ptr<Waiter> &waiter);
    void answerAll(const QString &key, bool except);
    void prune();

    QPointer<SearchPaneModel> m_runner;
    QPointer<AppSettings> m_settings;
    Timings m_timings;
    QList<std::shared_ptr<Run>> m_runs; // newest last
    QList<std::shared_ptr<Waiter>> m_waiters;
    QTimer m_settle;
    Term m_pending;
};

} // namespace orvane
