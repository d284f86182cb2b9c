#pragma once

#include "search/DesktopSearch.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace orvane {

class SearchRecord;

// Puts Orvane into the desktop's own search, on the session bus: GNOME Shell's search provider
// (org.gnome.Shell.SearchProvider2, named com.pellunor.Orvane.SearchProvider, at
// /com/pellunor/Orvane/SearchProvider) and a KRunner runner (org.kde.krunner1, named
// com.pellunor.Orvane.Runner, at /runner), both answered by one DesktopSearch. The bus starts
// Orvane for either name when it is not running (the service files in share/dbus-1/services).
class DesktopSearchBus : public QObject
{
    Q_OBJECT
public:
    static inline const QString providerName = QStringLiteral("com.pellunor.Orvane.SearchProvider");
    static inline const QString providerPath = QStringLiteral("/com/pellunor/Orvane/SearchProvider");
    static inline const QString runnerName = QStringLiteral("com.pellunor.Orvane.Runner");
    static inline const QString runnerPath = QStringLiteral("/runner");

    // What the desktop's search may do in the program.
    struct Actions {
        // Show the main window on the search a match came from (`record`; none when the user deleted it).
        std::function<void(SearchRecord *record, const DesktopSearch::Match &match)> showSearch;
        // Show the main window with this text in its search field.
        std::function<void(const QString &text)> openWithText;
        std::function<void(const QString &domain)> copy;
        std::function<void(const DesktopSearch::Match &match)> watch;
    };

    DesktopSearchBus(DesktopSearch *search, Actions actions, QObject *parent = nullptr);
    ~DesktopSearchBus() override;

    // Connects to the bus at `address` (empty: the session bus), puts both objects on it and
    // takes both names. False, with the reason logged, when there is no bus or a name is taken.
    bool serve(const QString &address);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace orvane
