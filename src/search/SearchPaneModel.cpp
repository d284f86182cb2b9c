#include "search/SearchPaneModel.h"

#include "settings/AppSettings.h"
#include "engine/DomainName.h"
#include "history/HistoryStore.h"

#include <QCoreApplication>

namespace orvane {

namespace {

// The pane's messages in the user's language. They are kept in English where they are defined
// (the engine and the command-line checker speak English); these are their translatable copies.
[[maybe_unused]] constexpr const char *shownTexts[] = {
    QT_TRANSLATE_NOOP("orvane::SearchPaneModel", "Enter a name (letters, digits, hyphens, no spaces or dots)."),
    QT_TRANSLATE_NOOP("orvane::SearchPaneModel", "Select at least one TLD to check."),
    QT_TRANSLATE_NOOP("orvane::SearchPaneModel", "Could not save search history: "),
    QT_TRANSLATE_NOOP("orvane::SearchPaneModel", "Enter a valid name first."),
    QT_TRANSLATE_NOOP("orvane::SearchPaneModel", "Claude suggestions are disabled in Settings."),
};

QString shownText(const QString &english)
{
    return QCoreApplication::translate("orvane::SearchPaneModel", english.toUtf8().constData());
}

} // namespace

namespace {

// Deletes a QObject through the event loop, so no coroutine frame is still inside it.
template<typename T>
std::shared_ptr<T> makeShared(T *object)
{
    return std::shared_ptr<T>(object, [](T *o) { o->deleteLater(); });
}

} // namespace

// Everything one search run needs, kept alive by the run itself.
struct SearchPaneModel::Run {
    QPointer<SearchPaneModel> model;
    std::shared_ptr<DomainLookupService> lookup;
    std::shared_ptr<Gong> gong;
    QPointer<HistoryStore> context;
    QPointer<SearchRecord> record;
    QString name;
    QStringList tlds;
    QList<QUuid> rowIds;
    // The pane's generation at the start: a run started before the pane was reset no
    // longer counts towards isSearching.
    quint64 generation = 0;
    bool gongWanted = false;
    bool foundAvailable = false;
    CheckGroup checks;
};

SearchPaneModel::SearchPaneModel(LookupConfiguration lookup, ClaudeCLIOptions claude, HistoryStore *store,
                                 AppSettings *settings, QObject *parent)
    : QObject(parent),
      m_lookup(makeShared(new DomainLookupService(std::move(lookup)))),
      m_claude(makeShared(new ClaudeCLIService(claude))),
      m_store(store),
      m_settings(settings),
      m_liveResults(new LiveResultsModel(this)),
      m_suggestions(new SuggestionsModel(this))
{
    // What the derived properties read, each told once when one of its parts changes.
    auto follow = [this](std::initializer_list<void (SearchPaneModel::*)()> parts, bool (SearchPaneModel::*derived)() const,
                         void (SearchPaneModel::*changed)()) {
        auto last = std::make_shared<bool>((this->*derived)());
        for (auto part : parts) {
            connect(this, part, this, [this, last, derived, changed] {
                if (std::exchange(*last, (this->*derived)()) != *last)
                    emit(this->*changed)();
            });
        }
    };
    follow({&SearchPaneModel::queryChanged, &SearchPaneModel::isSearchingChanged}, &SearchPaneModel::canSearch,
           &SearchPaneModel::canSearchChanged);
    follow({&SearchPaneModel::queryChanged, &SearchPaneModel::isSuggestingChanged}, &SearchPaneModel::canSuggest,
           &SearchPaneModel::canSuggestChanged);
    // A deleted search is no longer selected, though the pane still shows what it found.
    if (store) {
        connect(store, &HistoryStore::recordRemoved, this, [this](SearchRecord *record) {
            if (record == m_selectedRecord)
                setSelectedRecord(nullptr);
        });
    }
}

SearchPaneModel::~SearchPaneModel() = default;

template <typename T, typename U>
void SearchPaneModel::assign(T &member, const U &value, void (SearchPaneModel::*changed)())
{
    if (value == member)
        return;
    member = value;
    emit(this->*changed)();
}

void SearchPaneModel::setQuery(const QString &query)
{
    m_hasName = !DomainName::normalize(query).isEmpty();
    assign(m_query, query, &SearchPaneModel::queryChanged);
}

void SearchPaneModel::setIsSearching(bool on)
{
    assign(m_isSearching, on, &SearchPaneModel::isSearchingChanged);
}

void SearchPaneModel::setIsSuggesting(bool on)
{
    assign(m_isSuggesting, on, &SearchPaneModel::isSuggestingChanged);
}

void SearchPaneModel::setLastError(const std::optional<QString> &message)
{
    assign(m_lastError, message, &SearchPaneModel::lastErrorChanged);
}

void SearchPaneModel::setSuggestionError(const std::optional<QString> &message)
{
    assign(m_suggestionError, message, &SearchPaneModel::suggestionErrorChanged);
}

void SearchPaneModel::setActiveRecord(SearchRecord *record)
{
    assign(m_activeRecord, record, &SearchPaneModel::activeRecordChanged);
}

void SearchPaneModel::setSelectedRecord(SearchRecord *record)
{
    assign(m_selectedRecord, record, &SearchPaneModel::selectedRecordChanged);
}

void SearchPaneModel::setIsHistoricalView(bool on)
{
    assign(m_isHistoricalView, on, &SearchPaneModel::isHistoricalViewChanged);
}

void SearchPaneModel::search()
{
    HistoryStore *context = m_store;
    AppSettings *settings = m_settings;
    // International names are shown (rows, history) in Unicode and asked for in ASCII.
    const std::optional<QString> shown = DomainName::displayForm(DomainName::normalize(m_query));
    const QStringList tlds = settings ? settings->orderedEnabledTLDs() : QStringList();
    if (!shown) {
        setLastError(shownText(DomainName::invalidNameMessage));
        return;
    }
    const QString name = *shown;
    if (tlds.isEmpty()) {
        setLastError(shownText(DomainName::noTLDMessage));
        return;
    }
    setLastError(std::nullopt);
    setSuggestionError(std::nullopt);
    ++m_unfinishedRuns;
    setIsSearching(true);
    setIsHistoricalView(false);
    setSelectedRecord(nullptr);

    auto run = std::make_shared<Run>();
    QList<LiveResult> rows;
    for (const QString &tld : tlds) {
        rows.append(LiveResult{QUuid::createUuid(), tld, name + tld, DomainAvailability::checking, QString(), std::nullopt});
        run->rowIds.append(rows.last().id);
    }
    m_liveResults->replaceAll(rows);

    auto *record = new SearchRecord(name, QDateTime::currentDateTimeUtc());
    if (context)
        context->insert(record);
    else
        record->setParent(this);
    setActiveRecord(record);

    run->model = this;
    run->lookup = m_lookup;
    run->gong = m_gong;
    run->context = context;
    run->record = record;
    run->name = name;
    run->tlds = tlds;
    run->generation = m_paneGeneration;
    run->gongWanted = settings->playGongOnAvailable();
    runSearch(run);
}

void SearchPaneModel::preconnect()
{
    if (m_settings)
        m_lookup->preconnect(m_settings->orderedEnabledTLDs());
}

QCoro::Task<> SearchPaneModel::runSearch(std::shared_ptr<Run> run)
{
    startChecks(run);
    co_await run->checks.finished();

    std::optional<QString> saveError;
    if (run->context) {
        if (const auto saved = run->context->save(); !saved)
            saveError = shownText(saveFailedPrefix) + saved.error();
    }
    if (SearchPaneModel *model = run->model) {
        model->m_liveResults->flush(); // the rows are whole before the pane says the search ended
        if (saveError)
            model->setLastError(saveError);
        // A newer search may still be running: the pane searches until its last run ends.
        if (model->m_paneGeneration == run->generation && --model->m_unfinishedRuns == 0)
            model->setIsSearching(false);
    }
    // The run's own answers decide, not whatever rows the pane shows by now.
    if (run->gongWanted && run->foundAvailable && run->gong)
        run->gong->playGong();
}

void SearchPaneModel::startChecks(const std::shared_ptr<Run> &run)
{
    const QString ascii = DomainName::toAscii(run->name).value_or(run->name);
    for (int index = 0; index < run->tlds.size(); ++index) {
        // A registry that holds the check back says so on the check's own row, while it lasts.
        std::weak_ptr<Run> weak = run;
        auto waiting = [weak, index](const QString &host, const QDateTime &retryAt) {
            const auto alive = weak.lock();
            SearchPaneModel *model = alive ? alive->model.data() : nullptr;
            if (!model)
                return;
            const int row = model->m_liveResults->indexOf(alive->rowIds.at(index));
            if (row >= 0)
                model->m_liveResults->setWaiting(row, host, retryAt);
        };
        run->checks.add(run->lookup->check(ascii, run->tlds.at(index), std::move(waiting)),
                        [run, index](const CheckGroup::Outcome &outcome) { applyOutcome(*run, index, outcome); });
    }
}

void SearchPaneModel::applyOutcome(Run &run, int index, const CheckGroup::Outcome &outcome)
{
    const DomainAvailability availability = outcome ? outcome->availability : DomainAvailability::error;
    const QString text = outcome ? outcome->rawResponse : QString();
    const QDateTime expiresAt = outcome ? outcome->expiresAt : QDateTime();
    const std::optional<QString> error = outcome ? std::nullopt : std::optional(outcome.error().description());
    if (availability == DomainAvailability::available)
        run.foundAvailable = true;
    // Only this run's own row is touched; rows that replaced it belong to someone else.
    if (SearchPaneModel *model = run.model) {
        const int row = model->m_liveResults->indexOf(run.rowIds.at(index));
        if (row >= 0)
            model->m_liveResults->setOutcome(row, availability, text, error, expiresAt);
    }
    if (run.record) {
        const QString tld = run.tlds.at(index);
        HistoryStore::recordResult(run.record, tld, run.name + tld, availability, text, error, expiresAt);
    }
}

void SearchPaneModel::resetRuns()
{
    // Runs in progress go on storing their own records; they just stop counting as the pane's.
    ++m_paneGeneration;
    m_unfinishedRuns = 0;
    setIsSearching(false);
}

void SearchPaneModel::showRecord(SearchRecord *record)
{
    if (!record)
        return;
    resetRuns();
    setActiveRecord(record);
    setIsHistoricalView(true);
    setSelectedRecord(record);
    setQuery(record->query());
    QList<DomainResult *> results = record->results();
    std::stable_sort(results.begin(), results.end(),
                     [](const DomainResult *a, const DomainResult *b) { return a->tld() < b->tld(); });
    QList<LiveResult> rows;
    for (const DomainResult *result : results)
        rows.append(LiveResult{QUuid::createUuid(), result->tld(), result->domain(), result->availability(),
                               result->rawResponse(), result->errorMessage(), result->expiresAt()});
    m_liveResults->replaceAll(rows);
    m_suggestions->replaceAll({});
    setSuggestionError(std::nullopt);
    setLastError(std::nullopt);
}

void SearchPaneModel::newSearch()
{
    resetRuns();
    setIsHistoricalView(false);
    setActiveRecord(nullptr);
    setSelectedRecord(nullptr);
    setQuery(QString());
    m_liveResults->replaceAll({});
    m_suggestions->replaceAll({});
    setSuggestionError(std::nullopt);
    setLastError(std::nullopt);
}

void SearchPaneModel::suggest()
{
    AppSettings *settings = m_settings;
    const QString name = DomainName::normalize(m_query);
    if (!DomainName::isValid(name)) {
        setSuggestionError(shownText(invalidSuggestionName));
        return;
    }
    if (!settings || !settings->useClaudeForSuggestions()) {
        setSuggestionError(shownText(suggestionsDisabled));
        return;
    }
    const QString configured = settings->claudeBinaryPath();
    const std::optional<QString> path = configured.isEmpty() ? std::nullopt : std::optional<QString>(configured);
    setIsSuggesting(true);
    setSuggestionError(std::nullopt);
    runSuggestions(name, settings->tlds(), path);
}

QCoro::Task<> SearchPaneModel::runSuggestions(QString name, QStringList tlds, std::optional<QString> path)
{
    QPointer<SearchPaneModel> self(this);
    std::shared_ptr<ClaudeCLIService> claude = m_claude;
    const auto result = co_await claude->suggestNames(name, tlds, path);
    if (!self)
        co_return; // the window went away: the answer has nowhere to go
    if (result)
        self->m_suggestions->replaceAll(*result);
    else
        self->setSuggestionError(result.error().description());
    self->setIsSuggesting(false);
}

void SearchPaneModel::useSuggestion(const QString &name)
{
    setQuery(name);
    search();
}

} // namespace orvane
