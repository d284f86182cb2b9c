#include "UiHarness.h"

#include <QApplication>
#include <QPalette>
#include <QQmlApplicationEngine>
#include <QQmlComponent>

using namespace orvane;

namespace {

// A translucent colour painted over an opaque one.
QColor over(const QColor &top, const QColor &below)
{
    const float a = top.alphaF();
    return QColor::fromRgbF(top.redF() * a + below.redF() * (1 - a), top.greenF() * a + below.greenF() * (1 - a),
                            top.blueF() * a + below.blueF() * (1 - a));
}

} // namespace

// The colours the windows paint, read from the real Theme in both schemes (switched as Qt's
// platform theme switches them: through the palette).
class TestContrast : public QObject
{
    Q_OBJECT

    UiHarness m_ui;
    std::unique_ptr<QObject> m_theme; // holds the Theme singleton's pairs

    void useScheme(bool dark)
    {
        QPalette palette;
        if (dark)
            palette.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2b));
        QApplication::setPalette(palette);
        QTRY_COMPARE(m_theme->property("dark").toBool(), dark);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_ui.start({".com", ".ai", ".io"}));
        QQmlComponent component(m_ui.app->windows()->engine());
        component.setData("import QtQuick\nimport Orvane\nQtObject { property var pairs: Theme.contrastPairs; property bool dark: Theme.dark }", {});
        m_theme.reset(component.create());
        QVERIFY2(m_theme, qPrintable(component.errorString()));
        QVERIFY(m_ui.searchFor("orvane"));
        QVERIFY(m_ui.openSettings());
        QVERIFY(m_ui.openWelcome());
    }

    void everyPairReads_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << false;
        QTest::newRow("dark") << true;
    }
    // Every pair the theme lists meets its ratio; disabled ink reads as disabled: well under any
    // enabled text, yet not gone.
    void everyPairReads()
    {
        QFETCH(bool, dark);
        useScheme(dark);
        QStringList failures;
        int disabled = 0;
        const QVariantList pairs = m_theme->property("pairs").toList();
        QVERIFY(pairs.size() > 40);
        for (const QVariant &row : pairs) {
            const QVariantMap pair = row.toMap();
            QColor surface;
            for (const QVariant &layer : pair.value("bg").toList())
                surface = surface.isValid() ? over(layer.value<QColor>(), surface) : layer.value<QColor>();
            QVERIFY2(surface.alpha() == 255, qPrintable(pair.value("what").toString()));
            const double r = contrastRatio(over(pair.value("fg").value<QColor>(), surface), surface);
            const QString kind = pair.value("kind").toString();
            disabled += kind == QLatin1String("disabled");
            const bool fine = kind == QLatin1String("disabled") ? r >= 1.5 && r < 3.0 : r >= (kind == QLatin1String("text") ? 4.5 : 3.0);
            if (!fine)
                failures << QStringLiteral("%1 (%2): %3").arg(pair.value("what").toString(), kind).arg(r, 0, 'f', 2);
        }
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join("; ")));
        QVERIFY(disabled > 0);
    }

    // Whatever colour a text in the main, settings or welcome window is painted in, the theme
    // lists it: a view that paints text in a colour (or a fading) of its own, or a theme colour
    // the pairs do not hold, fails here.
    void everyPaintedTextColourIsListed_data() { everyPairReads_data(); }
    void everyPaintedTextColourIsListed()
    {
        QFETCH(bool, dark);
        useScheme(dark);
        QSet<QRgb> listed;
        for (const QVariant &row : m_theme->property("pairs").toList())
            listed.insert(row.toMap().value("fg").value<QColor>().rgba());
        for (QQuickWindow *window : {m_ui.window(), m_ui.app->windows()->settingsWindow(), m_ui.app->windows()->welcomeWindow()}) {
            for (QQuickItem *item : UiHarness::visualItems(window->contentItem())) {
                if (!item->isVisible() || !item->isEnabled() || !QByteArray(item->metaObject()->className()).startsWith("QQuickText")
                    || item->property("text").toString().isEmpty())
                    continue;
                QColor colour = item->property("color").value<QColor>(); // faded by its and its parents' opacity
                for (QQuickItem *up = item; up; up = up->parentItem())
                    colour.setAlphaF(colour.alphaF() * float(up->opacity()));
                QVERIFY2(listed.contains(colour.rgba()), qPrintable(item->property("text").toString() + ' ' + colour.name(QColor::HexArgb)));
            }
        }
    }
    void cleanupTestCase() { QApplication::setPalette(QPalette()); }
};

QTEST_MAIN(TestContrast)
#include "tst_contrast.moc"
