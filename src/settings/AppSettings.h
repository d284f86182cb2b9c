#pragma once

#include "settings/LoginItem.h"
#include "engine/SettingsLocation.h"

#include <QList>
#include <QObject>
#include <QStringList>

#include <memory>

namespace orvane {

// The user's preferences, kept in the user-defaults store under their own keys. Read once
// at creation; every assignment writes its key, and only a change notifies.
class AppSettings : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QStringList tlds READ tlds WRITE setTlds NOTIFY tldsChanged)
    Q_PROPERTY(QStringList enabledTLDs READ enabledTLDs WRITE setEnabledTLDs NOTIFY enabledTLDsChanged)
    Q_PROPERTY(QStringList orderedEnabledTLDs READ orderedEnabledTLDs NOTIFY orderedEnabledTLDsChanged)
    Q_PROPERTY(QString claudeBinaryPath READ claudeBinaryPath WRITE setClaudeBinaryPath NOTIFY claudeBinaryPathChanged)
    Q_PROPERTY(bool useClaudeForSuggestions READ useClaudeForSuggestions WRITE setUseClaudeForSuggestions NOTIFY useClaudeForSuggestionsChanged)
    Q_PROPERTY(bool playGongOnAvailable READ playGongOnAvailable WRITE setPlayGongOnAvailable NOTIFY playGongOnAvailableChanged)
    Q_PROPERTY(bool hasCompletedOnboarding READ hasCompletedOnboarding WRITE setHasCompletedOnboarding NOTIFY hasCompletedOnboardingChanged)
    Q_PROPERTY(bool launchAtLogin READ launchAtLogin WRITE setLaunchAtLogin NOTIFY launchAtLoginChanged)
    Q_PROPERTY(QStringList addableTLDs READ addableTLDs NOTIFY addableTLDsChanged)

public:
    static inline const QString tldsKey = QStringLiteral("settings.tlds");
    static inline const QString enabledTLDsKey = QStringLiteral("settings.enabledTLDs");
    static inline const QString claudeBinaryPathKey = QStringLiteral("settings.claudeBinaryPath");
    static inline const QString useClaudeKey = QStringLiteral("settings.useClaudeForSuggestions");
    static inline const QString playGongKey = QStringLiteral("settings.playGongOnAvailable");
    static inline const QString onboardingKey = QStringLiteral("settings.hasCompletedOnboarding");
    static inline const QString launchAtLoginKey = QStringLiteral("settings.launchAtLogin");

    // `loginItem` may be null (no login-item mechanism): the switch is then only stored.
    explicit AppSettings(SettingsLocation location = {}, std::unique_ptr<LoginItem> loginItem = nullptr,
                         QObject *parent = nullptr);
    ~AppSettings() override;

    QStringList tlds() const { return m_tlds; }
    // The enabled set, sorted ascending.
    QStringList enabledTLDs() const { return m_enabledTLDs; }
    // Worked out once per change of either list, so that a catalogue of a thousand TLDs costs
    // nothing to read.
    QStringList orderedEnabledTLDs() const { return m_orderedEnabledTLDs; }
    QString claudeBinaryPath() const { return m_claudeBinaryPath; }
    bool useClaudeForSuggestions() const { return m_useClaude; }
    bool playGongOnAvailable() const { return m_playGong; }
    bool hasCompletedOnboarding() const { return m_hasCompletedOnboarding; }
    bool launchAtLogin() const { return m_launchAtLogin; }
    // The known TLDs that the catalogue does not hold yet, sorted: the WHOIS table's and those
    // of the RDAP bootstrap file (see setBootstrapTLDs).
    QStringList addableTLDs() const;
    // Up to `limit` addable TLDs containing `text` (a leading full stop is ignored), those that
    // start with it first.
    Q_INVOKABLE QStringList addableTLDsMatching(const QString &text, int limit = 50) const;
    // The TLDs of the cached RDAP bootstrap file, offered besides the WHOIS table's.
    void setBootstrapTLDs(const QStringList &tlds);

    void setTlds(const QStringList &tlds);
    void setEnabledTLDs(const QStringList &enabled);
    void setClaudeBinaryPath(const QString &path);
    void setUseClaudeForSuggestions(bool on);
    void setPlayGongOnAvailable(bool on);
    void setHasCompletedOnboarding(bool done);
    void setLaunchAtLogin(bool on);

    Q_INVOKABLE bool addTLD(const QString &text);
    Q_INVOKABLE void removeTLDs(const QList<int> &offsets);
    Q_INVOKABLE void moveTLDs(const QList<int> &offsets, int destination);
    Q_INVOKABLE void restoreDefaults();


signals:
    void tldsChanged();
    void addableTLDsChanged();
    void enabledTLDsChanged();
    void orderedEnabledTLDsChanged();
    void claudeBinaryPathChanged();
    void useClaudeForSuggestionsChanged();
    void playGongOnAvailableChanged();
    void hasCompletedOnboardingChanged();
    void launchAtLoginChanged();

private:
    void write(const QString &key, const QVariant &value);
    // Sets a member, stores it under `key` and emits `changed` when the value differs.
    template <typename T>
    void store(T &member, const T &value, const QString &key, void (AppSettings::*changed)());
    void applyLoginItem(bool on);
    // Works out orderedEnabledTLDs again; true when it changed.
    bool updateOrderedEnabledTLDs();

    std::unique_ptr<QSettings> m_store;
    std::unique_ptr<LoginItem> m_loginItem;
    QStringList m_tlds;
    QStringList m_enabledTLDs;
    QStringList m_orderedEnabledTLDs;
    QStringList m_bootstrapTLDs;
    QString m_claudeBinaryPath;
    bool m_useClaude = true;
    bool m_playGong = true;
    bool m_hasCompletedOnboarding = false;
    bool m_launchAtLogin = false;
    bool m_assigningTlds = false;
};

} // namespace orvane
