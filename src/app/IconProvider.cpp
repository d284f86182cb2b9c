#include "app/IconProvider.h"

#include <QPainter>
#include <QSvgRenderer>

namespace orvane {

namespace {
// Names × colours × sizes the windows show come to a few dozen; a theme switched back and forth
// many times should not make the set grow without end.
constexpr qsizetype keptAtMost = 256;
} // namespace

QImage IconProvider::requestImage(const QString &id, QSize *size, const QSize &requestedSize)
{
    const QSize target = requestedSize.isValid() && !requestedSize.isEmpty() ? requestedSize : QSize(32, 32);
    if (size)
        *size = target;
    const QString key = id + QLatin1Char('@') + QString::number(target.width()) + QLatin1Char('x') + QString::number(target.height());
    const QMutexLocker lock(&m_mutex);
    if (const auto it = m_drawn.constFind(key); it != m_drawn.cend())
        return *it;

    const QString name = id.section(QLatin1Char('?'), 0, 0);
    const QColor color(id.section(QLatin1Char('?'), 1));
    QSvgRenderer renderer(name == QLatin1String("VarivUzaz") ? QStringLiteral(":/orvane/resources/VarivUzaz.svg")
                                                             : QStringLiteral(":/orvane/ui/icons/%1.svg").arg(name));
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
    if (m_drawn.size() >= keptAtMost)
        m_drawn.clear();
    m_drawn.insert(key, image);
    return image;
}

void IconProvider::clear()
{
    const QMutexLocker lock(&m_mutex);
    m_drawn.clear();
}

} // namespace orvane
