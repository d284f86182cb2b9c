#include "app/GongPlayer.h"

#include <QFile>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>

namespace orvane {

GongPlayer::GongPlayer(QUrl source) : m_source(std::move(source)) {}

GongPlayer::~GongPlayer() = default;

void GongPlayer::playGong()
{
    ++m_requests;
    if (!m_created) {
        m_created = true;
        const QString file = m_source.scheme() == QLatin1String("qrc") ? QLatin1Char(':') + m_source.path() : m_source.toLocalFile();
        if (QFile::exists(file) && !QMediaDevices::audioOutputs().isEmpty()) {
            m_effect = std::make_unique<QSoundEffect>();
            m_effect->setSource(m_source);
            m_effect->setVolume(0.6f);
        }
    }
    if (!m_effect || m_effect->status() == QSoundEffect::Error)
        return;
    if (m_effect->isPlaying())
        m_effect->stop();
    m_effect->play();
}

} // namespace orvane
