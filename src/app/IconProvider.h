#pragma once

#include <QQuickImageProvider>

namespace orvane {

// Serves the UI's one-colour SVG icons tinted on request: "image://icon/NAME?COLOR".
class IconProvider : public QQuickImageProvider
{
public:
    IconProvider() : QQuickImageProvider(QQuickImageProvider::Image) {}
    QImage requestImage(const QString &id, QSize *size, const QSize &requestedSize) override;
};

} // namespace orvane
