#pragma once

#include <QHash>
#include <QImage>
#include <QMutex>
#include <QQuickImageProvider>

namespace orvane {

// Serves the UI's one-colour SVG icons tinted on request: "image://icon/NAME?COLOR".
//
// It keeps what it drew itself, so the images ask it with `cache: false`: Qt Quick's own pixmap
// cache lets an image no longer shown expire on a timer that wakes the program every half minute
// until the last one is gone, which an idle window should not do.
class IconProvider : public QQuickImageProvider
{
public:
    IconProvider() : QQuickImageProvider(QQuickImageProvider::Image) {}
    QImage requestImage(const QString &id, QSize *size, const QSize &requestedSize) override;
    // What was drawn goes, as when the windows are released.
    void clear();

private:
    QMutex m_mutex; // images may be asked for from a loader thread
    QHash<QString, QImage> m_drawn;
};

} // namespace orvane
