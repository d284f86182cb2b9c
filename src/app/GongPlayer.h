#pragma once

#include "search/Gong.h"

#include <QUrl>

#include <memory>

class QSoundEffect;

namespace orvane {

// The one sound of the program. Created on first use; absent (silent) when the sound
// cannot be loaded or there is no audio output.
class GongPlayer : public Gong
{
public:
    explicit GongPlayer(QUrl source = QUrl(QStringLiteral("qrc:/orvane/resources/gong.wav")));
    ~GongPlayer() override;

    // Stops a gong that is still sounding, then plays it from the start.
    void playGong() override;

    // How often the gong was asked for, sounded or not (for tests).
    int requests() const { return m_requests; }

private:
    QUrl m_source;
    std::unique_ptr<QSoundEffect> m_effect;
    bool m_created = false;
    int m_requests = 0;
};

} // namespace orvane
