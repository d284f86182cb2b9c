#pragma once

#include <QString>
#include <QUuid>

namespace orvane {

// One alternative name proposed by the brainstorm.
struct NameSuggestion {
    QUuid id;
    QString name;
    QString rationale;

    friend bool operator==(const NameSuggestion &, const NameSuggestion &) = default;
};

} // namespace orvane
