#include "settings/AppSettings.h"

#include "engine/DomainName.h"
#include "engine/WhoisClient.h"
#include "engine/TextRules.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <QTextStream>

#include <algorithm>
#include <cstdio>

namespace orvane {

namespace {

std::optional<QStringList> decodeStringArray(const QVariant &stored)
{
    if (!stored.isValid())
        return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(stored.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    QStringList list;
    for (const QJsonValue &value : document.array()) {
        if (!value.isString())
            return std::nullopt;
        list << value.toString();
    }
    return list;
}

QByteArray encodeStringArray(const QStringList &list)
{
    return QJsonDocument(QJsonArray::fromStringList(list)).toJson(QJsonDocument::Compact);
}

// A stored boolean. Text stores (INI) give it back as text; anything that is not a
// recognisable boolean counts as absent.
std::optional<bool> storedBool(const QVariant &stored)
{
    if (!stored.isValid())
        return std::nullopt;
    if (stored.typeId() == QMetaType::Bool)
        return stored.toBool();
    const QString text = stored.toString().trimmed().toLower();
    if (text == QLatin1String("true") || text == QLatin1String("1") || text == QLatin1String("yes"))
        return true;
    if (text == QLatin1String("false") || text == QLatin1String("0") || text == QLatin1String("no"))
        return false;
    return std::nullopt;
}

QSet<QString> setOf(const QStringList &list)
{
    return QSet<QString>(list.cbegin(), list.cend());
}

QStringList sortedUnique(QStringList list)
{
    std::sort(list.begin(), list.end());
    list.erase(std::unique(list.begin(), list.end()), list.end());
    return list;
}

} // namespace

AppSettings::AppSettings(SettingsLocation location, std::unique_ptr<LoginItem> loginItem, QObject *parent)
    : QObject(parent), m_store(location.open()), m_loginItem(std::move(loginItem))
{
    connect(this, &AppSettings::tldsChanged, this, &AppSettings::addableTLDsChanged);
    const auto storedTLDs = decodeStringArray(m_store->value(tldsKey));
    if (!storedTLDs || storedTLDs->isEmpty()) {
        m_tlds = defaultTLDs;
    } else {
        for (const QString &tld : *storedTLDs)
            m_tlds << normalizeTLD(tld);
    }

    const auto storedEnabled = decodeStringArray(m_store->value(enabledTLDsKey));
    if (!storedEnabled) {
        m_enabledTLDs = sortedUnique(m_tlds);
    } else {
        QStringList enabled;
        const QSet<QString> catalogue = setOf(m_tlds);
        for (const QString &tld : *storedEnabled) {
            const QString normal = normalizeTLD(tld);
            if (catalogue.contains(normal))
                enabled << normal;
        }
        m_enabledTLDs = sortedUnique(enabled);
    }
    updateOrderedEnabledTLDs();

    const QVariant path = m_store->value(claudeBinaryPathKey);
    m_claudeBinaryPath = path.typeId() == QMetaType::QString ? path.toString() : QString();
    m_useClaude = storedBool(m_store->value(useClaudeKey)).value_or(true);
    m_playGong = storedBool(m_store->value(playGongKey)).value_or(true);
    m_hasCompletedOnboarding = storedBool(m_store->value(onboardingKey)).value_or(false);
    m_launchAtLogin = storedBool(m_store->value(launchAtLoginKey)).value_or(false);
}

AppSettings::~AppSettings() = default;

bool AppSettings::updateOrderedEnabledTLDs()
{
    const QSet<QString> enabled = setOf(m_enabledTLDs);
    QStringList ordered;
    for (const QString &tld : std::as_const(m_tlds)) {
        if (enabled.contains(tld))
            ordered << tld;
    }
    if (ordered == m_orderedEnabledTLDs)
        return false;
    m_orderedEnabledTLDs = ordered;
    return true;
}

QStringList AppSettings::addableTLDs() const
{
    const QStringList known = sortedUnique(knownServerTLDs() + m_bootstrapTLDs);
    const QSet<QString> catalogue = setOf(m_tlds);
    QStringList addable;
    for (const QString &tld : std::as_const(known)) {
        if (!catalogue.contains(tld))
            addable << tld;
    }
    return addable;
}

QStringList AppSettings::addableTLDsMatching(const QString &text, int limit) const
{
    QString wanted = text.trimmed().toLower();
    if (wanted.startsWith(QLatin1Char('.')))
        wanted.remove(0, 1);
    QStringList starting;
    QStringList containing;
    for (const QString &tld : addableTLDs()) {
        const qsizetype at = tld.indexOf(wanted, 1);
        if (at == 1)
            starting << tld;
        else if (at > 1)
            containing << tld;
    }
    return (starting + containing).mid(0, std::max(limit, 0));
}

void AppSettings::setBootstrapTLDs(const QStringList &tlds)
{
    QStringList normal;
    for (const QString &tld : tlds) {
        const QString candidate = normalizeTLD(tld);
        if (candidate.size() >= 2 && !hasUnsafeCharacter(candidate))
            normal << candidate;
    }
    if (normal == m_bootstrapTLDs)
        return;
    m_bootstrapTLDs = normal;
    emit addableTLDsChanged();
}

void AppSettings::write(const QString &key, const QVariant &value)
{
    m_store->setValue(key, value);
    m_store->sync();
}

void AppSettings::setTlds(const QStringList &tlds)
{
    QStringList normalized;
    for (const QString &tld : tlds)
        normalized << normalizeTLD(tld);
    const bool changed = normalized != m_tlds;
    m_tlds = normalized;
    write(tldsKey, encodeStringArray(m_tlds));
    if (changed)
        emit tldsChanged();

    QStringList pruned;
    const QSet<QString> catalogue = setOf(m_tlds);
    for (const QString &tld : std::as_const(m_enabledTLDs)) {
        if (catalogue.contains(tld))
            pruned << tld;
    }
    m_assigningTlds = true;
    setEnabledTLDs(pruned);
    m_assigningTlds = false;
    if (updateOrderedEnabledTLDs())
        emit orderedEnabledTLDsChanged();
}

void AppSettings::setEnabledTLDs(const QStringList &enabled)
{
    const QStringList sorted = sortedUnique(enabled);
    const bool changed = sorted != m_enabledTLDs;
    m_enabledTLDs = sorted;
    write(enabledTLDsKey, encodeStringArray(m_enabledTLDs));
    if (changed) {
        emit enabledTLDsChanged();
        // While the catalogue is assigned, the ordered list follows once both are in place.
        if (!m_assigningTlds && updateOrderedEnabledTLDs())
            emit orderedEnabledTLDsChanged();
    }
}

template <typename T>
void AppSettings::store(T &member, const T &value, const QString &key, void (AppSettings::*changed)())
{
    // Written even when unchanged, so the stored copy always matches what the program holds.
    const bool differs = value != member;
    member = value;
    write(key, value);
    if (differs)
        emit(this->*changed)();
}

void AppSettings::setClaudeBinaryPath(const QString &path)
{
    store(m_claudeBinaryPath, path, claudeBinaryPathKey, &AppSettings::claudeBinaryPathChanged);
}

void AppSettings::setUseClaudeForSuggestions(bool on)
{
    store(m_useClaude, on, useClaudeKey, &AppSettings::useClaudeForSuggestionsChanged);
}

void AppSettings::setPlayGongOnAvailable(bool on)
{
    store(m_playGong, on, playGongKey, &AppSettings::playGongOnAvailableChanged);
}

void AppSettings::setHasCompletedOnboarding(bool done)
{
    store(m_hasCompletedOnboarding, done, onboardingKey, &AppSettings::hasCompletedOnboardingChanged);
}

void AppSettings::setLaunchAtLogin(bool on)
{
    store(m_launchAtLogin, on, launchAtLoginKey, &AppSettings::launchAtLoginChanged);
    applyLoginItem(on);
}

void AppSettings::applyLoginItem(bool on)
{
    if (!m_loginItem)
        return;
    const bool registered = m_loginItem->isRegistered();
    std::expected<void, QString> outcome;
    if (on && !registered)
        outcome = m_loginItem->registerItem();
    else if (!on && registered)
        outcome = m_loginItem->unregisterItem();
    if (!outcome) {
        std::printf("launchAtLogin toggle failed: %s\n", qUtf8Printable(outcome.error()));
        std::fflush(stdout);
    }
}

bool AppSettings::addTLD(const QString &text)
{
    const QString normal = normalizeTLD(text);
    // Refuse what could add lines to a WHOIS query, besides a lone dot and duplicates.
    if (normal.size() < 2 || m_tlds.contains(normal) || hasUnsafeCharacter(normal))
        return false;
    setTlds(m_tlds + QStringList{normal});
    setEnabledTLDs(m_enabledTLDs + QStringList{normal});
    return true;
}

void AppSettings::removeTLDs(const QList<int> &offsets)
{
    QStringList kept;
    for (int i = 0; i < m_tlds.size(); ++i) {
        if (!offsets.contains(i))
            kept << m_tlds.at(i);
    }
    setTlds(kept);
}

void AppSettings::moveTLDs(const QList<int> &offsets, int destination)
{
    // A list reorder gesture: the moved entries keep their relative order and land
    // before the entry that stood at `destination` (or at the end).
    QStringList moved;
    QStringList rest;
    int insertAt = 0;
    for (int i = 0; i < m_tlds.size(); ++i) {
        if (offsets.contains(i)) {
            moved << m_tlds.at(i);
        } else {
            if (i < destination)
                ++insertAt;
            rest << m_tlds.at(i);
        }
    }
    for (int i = 0; i < moved.size(); ++i)
        rest.insert(insertAt + i, moved.at(i));
    setTlds(rest);
}

void AppSettings::restoreDefaults()
{
    setTlds(defaultTLDs);
    setEnabledTLDs(defaultTLDs);
}

} // namespace orvane
