#pragma once

#include <QString>

namespace orvane {

// The first `limit` code points of `text`: limits on text a person reads count characters,
// not UTF-16 units, and a cut never leaves half of a surrogate pair behind.
inline QString leftCodePoints(const QString &text, qsizetype limit)
{
    if (text.size() <= limit)
        return text;
    qsizetype units = 0;
    for (qsizetype points = 0; points < limit && units < text.size(); ++points)
        units += text.at(units).isHighSurrogate() && units + 1 < text.size() && text.at(units + 1).isLowSurrogate() ? 2 : 1;
    return text.left(units);
}

} // namespace orvane
