#include "UiHarness.h"

#include <QApplication>
#include <QPalette>
#include <QQmlApplicationEngine>
#include <QQmlComponent>
#include <QQmlEngine>

using namespace orvane;

namespace {

// WCAG 2's relative luminance and contrast ratio, of opaque sRGB colours.
double luminance(const QColor &c)
{
    const auto channel = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}
double ratio(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}
// A translucent colour painted over an opaque one.
QColor over(const QColor &top, const QColor &below)
{
    const double a = top.alphaF();
    return QColor::fromRgbF(float(top.redF() * a + below.redF() * (1 - a)), float(top.greenF() * a + below.greenF() * (1 - a)),
                            float(top.blueF() * a + below.blueF() * (1 - a)));
}

// The desktop's scheme as Qt's platform theme hands it over: through the palette.
void useScheme(bool dark)
{
    QPalette palette;
    if (dark) {
        palette.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2b));
        palette.setColor(QPalette::WindowText, QColor(0xee, 0xee, 0xee));
    }
    QApplication::setPalette(palette);
}

} // namespace

// The colours the windows paint, read from the real Theme in both schemes.
class TestContrast : public QObject
{
    Q_OBJECT

    UiHarness m_ui;
    std::unique_ptr<QObject> m_theme; // an object holding the Theme singleton's pairs

    QVariantList pairs() const { return m_theme->property("pairs").toList(); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_ui.start({".com", ".ai", ".io"}));
        QQmlComponent component(m_ui.app->windows()->engine());
        component.setData("import QtQuick\nimport Orvane\nQtObject { property var pairs: Theme.contrastPairs; property bool dark: Theme.dark }", {});
        m_theme.reset(component.create());
        QVERIFY2(m_theme, qPrintable(component.errorString()));
    }
    void cleanup() { useScheme(false); }

    void everyPairReadsInBothSchemes_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << false;
        QTest::newRow("dark") << true;
    }
    void everyPairReadsInBothSchemes()
    {
        QFETCH(bool, dark);
        useScheme(dark);
        QTRY_COMPARE(m_theme->property("dark").toBool(), dark);
        const QVariantList all = pairs();
        QVERIFY(all.size() > 40);
        QStringList failures;
        QList<std::pair<QString, double>> disabled;
        for (const QVariant &row : all) {
            const QVariantMap pair = row.toMap();
            QColor surface;
            for (const QVariant &layer : pair.value("bg").toList())
                surface = surface.isValid() ? over(layer.value<QColor>(), surface) : layer.value<QColor>();
            QVERIFY2(surface.isValid() && surface.alpha() == 255, qPrintable(pair.value("what").toString()));
            const double r = ratio(over(pair.value("fg").value<QColor>(), surface), surface);
            const QString kind = pair.value("kind").toString();
            if (kind == QLatin1String("disabled")) {
                disabled.append({pair.value("what").toString(), r});
                continue;
            }
            const double needed = kind == QLatin1String("text") ? 4.5 : 3.0;
            if (r < needed)
                failures << QStringLiteral("%1: %2 < %3").arg(pair.value("what").toString()).arg(r, 0, 'f', 2).arg(needed);
        }
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join("; ")));
        // Disabled ink reads as disabled: well under any enabled text, yet not gone.
        QVERIFY(!disabled.isEmpty());
        for (const auto &[what, r] : disabled)
            QVERIFY2(r >= 1.5 && r < 3.0, qPrintable(QStringLiteral("%1: %2").arg(what).arg(r)));
    }

    // Whatever colour a text in the main, settings or welcome window is painted in, the theme lists it: a
    // view that paints text in a colour (or a fading) of its own, or a theme colour the pairs do
    // not hold, fails here.
    void everyPaintedTextColourIsListed()
    {
        QVERIFY(m_ui.searchFor("orvane"));
        QVERIFY(m_ui.openSettings());
        QVERIFY(m_ui.openWelcome());
        for (const bool dark : {false, true}) {
            useScheme(dark);
            QTRY_COMPARE(m_theme->property("dark").toBool(), dark);
            QSet<QRgb> listed;
            for (const QVariant &row : pairs())
                listed.insert(row.toMap().value("fg").value<QColor>().rgba());
            for (QQuickWindow *window : {m_ui.window(), m_ui.app->windows()->settingsWindow(), m_ui.app->windows()->welcomeWindow()}) {
                for (QQuickItem *item : UiHarness::visualItems(window->contentItem())) {
                    const QByteArray type = item->metaObject()->className();
                    if (!item->isVisible() || !item->isEnabled() || !type.startsWith("QQuickText") || item->property("text").toString().isEmpty())
                        continue;
                    // As painted: the item's colour faded by its own and its parents' opacity.
                    QColor colour = item->property("color").value<QColor>();
                    for (QQuickItem *up = item; up; up = up->parentItem())
                        colour.setAlphaF(colour.alphaF() * float(up->opacity()));
                    QVERIFY2(listed.contains(colour.rgba()),
                             qPrintable(QStringLiteral("\"%1\" in %2 (%3)").arg(item->property("text").toString(), colour.name(QColor::HexArgb),
                                                                               dark ? "dark" : "light")));
                }
            }
        }
    }
};

QTEST_MAIN(TestContrast)
#include "tst_contrast.moc"
