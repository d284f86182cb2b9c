#include "app/AccessibleButton.h"

#include <QAccessible>
#include <QAccessibleObject>
#include <QQuickItem>
#include <QQuickWindow>

namespace orvane {

namespace {

// What QML's `Accessible` attached to the item says: the object Qt hangs under the item.
QObject *attached(const QQuickItem *item)
{
    for (QObject *child : item->children()) {
        if (child->inherits("QQuickAccessibleAttached"))
            return child;
    }
    return nullptr;
}

// The stock face of a button, with the states it leaves out. A button has no accessible
// children; its parent is the nearest item with an `Accessible` of its own, or the window.
class AccessibleButton : public QAccessibleObject, public QAccessibleActionInterface
{
public:
    explicit AccessibleButton(QQuickItem *item)
        : QAccessibleObject(item)
    {
    }

    QQuickItem *item() const { return static_cast<QQuickItem *>(object()); }
    QVariant said(const char *name) const
    {
        const QObject *a = attached(item());
        return a ? a->property(name) : QVariant();
    }

    QWindow *window() const override { return item()->window(); }
    QAccessibleInterface *parent() const override
    {
        const QQuickWindow *window = item()->window();
        for (QQuickItem *up = item()->parentItem(); up; up = up->parentItem()) {
            if (window && up == window->contentItem())
                break;
            if (attached(up))
                return QAccessible::queryAccessibleInterface(up);
        }
        return window ? QAccessible::queryAccessibleInterface(item()->window()) : nullptr;
    }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }

    QString text(QAccessible::Text t) const override
    {
        switch (t) {
        case QAccessible::Name: return said("name").toString();
        case QAccessible::Description: return said("description").toString();
        default: return {};
        }
    }
    QAccessible::Role role() const override
    {
        bool ok = false;
        const int role = said("role").toInt(&ok);
        return ok && role != QAccessible::NoRole ? QAccessible::Role(role) : QAccessible::Button;
    }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        const QQuickItem *button = item();
        state.disabled = !button->isEnabled();
        state.invisible = !button->isVisible() || qFuzzyIsNull(button->opacity()) || !button->window() || !button->window()->isVisible();
        state.focusable = button->activeFocusOnTab();
        state.focused = button->hasActiveFocus();
        state.pressed = button->property("pressed").toBool();
        state.checkable = said("checkable").toBool();
        state.checked = said("checked").toBool();
        return state;
    }
    QRect rect() const override
    {
        const QQuickItem *button = item();
        if (!button->window())
            return {};
        const QRectF scene = button->mapRectToScene(QRectF(0, 0, button->width(), button->height()));
        return scene.toAlignedRect().translated(button->window()->mapToGlobal(QPoint(0, 0)));
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface *>(this) : nullptr;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString &name) override
    {
        if (name == pressAction() && item()->isEnabled())
            QMetaObject::invokeMethod(item(), "clicked");
    }
    QStringList keyBindingsForAction(const QString &) const override { return {}; }
};

QAccessibleInterface *buttonFactory(const QString &, QObject *object)
{
    static const QList<QByteArray> ours{"FilledButton", "PlainButton", "IconButton"};
    auto *item = qobject_cast<QQuickItem *>(object);
    if (!item)
        return nullptr;
    const QByteArray type(object->metaObject()->className());
    if (!std::ranges::any_of(ours, [&](const QByteArray &name) { return type.startsWith(name + "_QMLTYPE_") || type == name; }))
        return nullptr;
    QObject::connect(item, &QQuickItem::enabledChanged, item, [item] {
        QAccessible::State changed;
        changed.disabled = true;
        QAccessibleStateChangeEvent event(item, changed);
        QAccessible::updateAccessibility(&event);
    });
    return new AccessibleButton(item);
}

} // namespace

void installAccessibleButtons()
{
    static bool installed = false;
    if (!std::exchange(installed, true))
        QAccessible::installFactory(buttonFactory);
}

} // namespace orvane
