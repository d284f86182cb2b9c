#pragma once

#include "brainstorm/ClaudeCLIService.h"
#include "engine/CheckGroup.h"
#include "engine/DomainLookupService.h"
#include "search/Gong.h"
#include "search/ListModels.h"
#include "history/SearchRecord.h"

#include <QObject>
#include <QPointer>

#include <memory>

namespace orvane {

class AppSettings;
class HistoryStore;
class SearchRecord;

// The state behind the search pane: validates the name, checks it under every enabled
// TLD at once, keeps the live rows, records the search, reopens saved searches and
// drives the brainstorm.
class SearchPaneModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString query READ query WRITE setQuery NOTIFY queryChanged)
    Q_PROPERTY(bool isSearching READ isSearching NOTIFY isSearchingChanged)
    Q_PROPERTY(orvane::LiveResultsModel *liveResults READ liveResults CONSTANT)
    Q_PROPERTY(orvane::SuggestionsModel *suggestions READ suggestions CONSTANT)
    Q_PROPERTY(bool isSuggesting READ isSuggesting NOTIFY isSuggestingChanged)
    Q_PROPERTY(QString lastError READ lastErrorText NOTIFY lastErrorChanged)
    Q_PROPERTY(QString suggestionError READ suggestionErrorText NOTIFY suggestionErrorChanged)
    Q_PROPERTY(orvane::SearchRecord *activeRecord READ activeRecord NOTIFY activeRecordChanged)
    Q_PROPERTY(bool isHistoricalView READ isHistoricalView NOTIFY isHistoricalViewChanged)
    // The saved search the pane shows (the history's selection); null while it shows a live one
    // and once that search is deleted.
    Q_PROPERTY(orvane::SearchRecord *selectedRecord READ selectedRecord NOTIFY selectedRecordChanged)
    // Whether "Check" and the brainstorm have a name to start on: the field holds more than
    // blanks, and no search (or brainstorm) runs. An invalid name is refused with its message.
    Q_PROPERTY(bool canSearch READ canSearch NOTIFY canSearchChanged)
    Q_PROPERTY(bool canSuggest READ canSuggest NOTIFY canSuggestChanged)

public:
    static inline const QString saveFailedPrefix = QStringLiteral("Could not save search history: ");
    static inline const QString invalidSuggestionName = QStringLiteral("Enter a valid name first.");
    static inline const QString suggestionsDisabled = QStringLiteral("Claude suggestions are disabled in Settings.");

    // The store the searches are saved in and the settings they read (TLDs, the brainstorm's
    // switch and path) are given once, here; either may be null (nothing saved, nothing enabled).
    explicit SearchPaneModel(LookupConfiguration lookup = {}, ClaudeCLIOptions claude = {}, HistoryStore *store = nullptr,
                             AppSettings *settings = nullptr, QObject *parent = nullptr);
    ~SearchPaneModel() override;

    // The shell's gong; the model works without one.
    void setGong(std::shared_ptr<Gong> gong) { m_gong = std::move(gong); }

    QString query() const { return m_query; }
    void setQuery(const QString &query);
    bool isSearching() const { return m_isSearching; }
    LiveResultsModel *liveResults() const { return m_liveResults; }
    SuggestionsModel *suggestions() const { return m_suggestions; }
    bool isSuggesting() const { return m_isSuggesting; }
    std::optional<QString> lastError() const { return m_lastError; }
    std::optional<QString> suggestionError() const { return m_suggestionError; }
    QString lastErrorText() const { return m_lastError.value_or(QString()); }
    QString suggestionErrorText() const { return m_suggestionError.value_or(QString()); }
    SearchRecord *activeRecord() const { return m_activeRecord; }
    bool isHistoricalView() const { return m_isHistoricalView; }
    SearchRecord *selectedRecord() const { return m_selectedRecord; }
    bool canSearch() const { return m_hasName && !m_isSearching; }
    bool canSuggest() const { return m_hasName && !m_isSuggesting; }

    Q_INVOKABLE void search();
    // The window shows, or the user is about to type: connections to the enabled TLDs'
    // registries are opened now, so that the search costs one round trip.
    Q_INVOKABLE void preconnect();
    Q_INVOKABLE void showRecord(orvane::SearchRecord *record);
    Q_INVOKABLE void newSearch();
    Q_INVOKABLE void suggest();
    // Picking a suggestion: its name goes into the field and is searched at once.
    Q_INVOKABLE void useSuggestion(const QString &name);

signals:
    void queryChanged();
    void isSearchingChanged();
    void isSuggestingChanged();
    void lastErrorChanged();
    void suggestionErrorChanged();
    void activeRecordChanged();
    void isHistoricalViewChanged();
    void selectedRecordChanged();
    void canSearchChanged();
    void canSuggestChanged();

private:
    // Sets a property's member and emits `changed` when the value differs.
    template <typename T, typename U>
    void assign(T &member, const U &value, void (SearchPaneModel::*changed)());

    struct Run;
    static QCoro::Task<> runSearch(std::shared_ptr<Run> run);
    static void startChecks(const std::shared_ptr<Run> &run);
    static void applyOutcome(Run &run, int index, const CheckGroup::Outcome &outcome);
    QCoro::Task<> runSuggestions(QString name, QStringList tlds, std::optional<QString> path);

    void setIsSearching(bool on);
    void resetRuns();
    void setIsSuggesting(bool on);
    void setLastError(const std::optional<QString> &message);
    void setSuggestionError(const std::optional<QString> &message);
    void setActiveRecord(SearchRecord *record);
    void setSelectedRecord(SearchRecord *record);
    void setIsHistoricalView(bool on);

    // Shared with running searches, which keep it alive when this model goes away.
    std::shared_ptr<DomainLookupService> m_lookup;
    std::shared_ptr<ClaudeCLIService> m_claude;
    std::shared_ptr<Gong> m_gong;
    QPointer<HistoryStore> m_store;
    QPointer<AppSettings> m_settings;

    QString m_query;
    bool m_hasName = false; // the query holds more than blanks
    bool m_isSearching = false;
    int m_unfinishedRuns = 0;
    quint64 m_paneGeneration = 0;
    LiveResultsModel *m_liveResults;
    SuggestionsModel *m_suggestions;
    bool m_isSuggesting = false;
    std::optional<QString> m_lastError;
    std::optional<QString> m_suggestionError;
    QPointer<SearchRecord> m_activeRecord;
    QPointer<SearchRecord> m_selectedRecord;
    bool m_isHistoricalView = false;
};

} // namespace orvane
