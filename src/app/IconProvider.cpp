#include "app/IconProvider.h"

#include <QPainter>
#include <QSvgRenderer>

namespace orvane {

QImage IconProvider::requestImage(const QString &id, QSize *size, const QSize &requestedSize)
{
    const QString name = id.section(QLatin1Char('?'), 0, 0);
    const QColor color(id.section(QLatin1Char('?'), 1));
    QSvgRenderer renderer(name == QLatin1String("VarivUzaz") ? QStringLiteral(":/orvane/resources/VarivUzaz.svg")
                                                             : QStringLiteral(":/orvane/ui/icons/%1.svg").arg(name));
    const QSize target = requestedSize.isValid() && !requestedSize.isEmpty() ? requestedSize : QSize(32, 32);
    QImage image(target, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (renderer.isValid()) {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
        if (color.isValid()) {
            painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
            painter.fillRect(image.rect(), color);
        }
    }
    if (size)
        *size = target;
    return image;
}

} // namespace orvane
