#pragma once

// The models the windows show come from libraries that know nothing of QML; they are named to
// QML here, so that a view can type its properties with them. QML never makes them itself.

#include "history/HistoryListModel.h"
#include "history/SearchRecord.h"
#include "search/ListModels.h"
#include "search/SearchPaneModel.h"
#include "settings/AppSettings.h"
#include "watch/WatchList.h"

#include <QtQml/qqml.h>

namespace orvane::qml {

// A domain's verdict (DomainAvailability.Taken, ...), as the models' roles and HistoryActions
// give and take it. QML reads only enum values that begin with a capital letter, so the
// engine's values are named to it here, each the engine's own number.
namespace DomainAvailabilityForeign {
Q_NAMESPACE
QML_NAMED_ELEMENT(DomainAvailability)
enum Value {
    Available = int(orvane::DomainAvailability::available),
    Taken = int(orvane::DomainAvailability::taken),
    Unknown = int(orvane::DomainAvailability::unknown),
    Error = int(orvane::DomainAvailability::error),
    Checking = int(orvane::DomainAvailability::checking),
};
Q_ENUM_NS(Value)
static_assert(orvane::allDomainAvailabilities.size() == 5, "every verdict is named to QML");
} // namespace DomainAvailabilityForeign

struct AppSettingsForeign {
    Q_GADGET
    QML_FOREIGN(orvane::AppSettings)
    QML_NAMED_ELEMENT(AppSettings)
    QML_UNCREATABLE("Made by the application")
};

struct HistoryListModelForeign {
    Q_GADGET
    QML_FOREIGN(orvane::HistoryListModel)
    QML_NAMED_ELEMENT(HistoryListModel)
    QML_UNCREATABLE("Made by the application")
};

struct SearchRecordForeign {
    Q_GADGET
    QML_FOREIGN(orvane::SearchRecord)
    QML_NAMED_ELEMENT(SearchRecord)
    QML_UNCREATABLE("Made by the application")
};

struct SearchPaneModelForeign {
    Q_GADGET
    QML_FOREIGN(orvane::SearchPaneModel)
    QML_NAMED_ELEMENT(SearchPaneModel)
    QML_UNCREATABLE("Made by the application")
};

struct LiveResultsModelForeign {
    Q_GADGET
    QML_FOREIGN(orvane::LiveResultsModel)
    QML_NAMED_ELEMENT(LiveResultsModel)
    QML_UNCREATABLE("Made by the application")
};

struct SuggestionsModelForeign {
    Q_GADGET
    QML_FOREIGN(orvane::SuggestionsModel)
    QML_NAMED_ELEMENT(SuggestionsModel)
    QML_UNCREATABLE("Made by the application")
};

struct WatchListForeign {
    Q_GADGET
    QML_FOREIGN(orvane::WatchList)
    QML_NAMED_ELEMENT(WatchList)
    QML_UNCREATABLE("Made by the application")
};

} // namespace orvane::qml
