#pragma once

#include <QList>
#include <QQuickItem>
#include <QString>

// Finding what a screen shows: items by object name, skipping hidden branches.

// Every visible item named `name` under `item`, in visual tree order.
inline QList<QQuickItem *> visibleItems(QQuickItem *item, const QString &name)
{
    QList<QQuickItem *> found;
    for (auto *child : item->childItems()) {
        if (!child->isVisible())
            continue;
        if (child->objectName() == name)
            found << child;
        found << visibleItems(child, name);
    }
    return found;
}

// The one visible item named `name` under `root`, or null when there is none or several.
inline QQuickItem *visibleItem(QQuickItem *root, const QString &name)
{
    const auto items = visibleItems(root, name);
    return items.size() == 1 ? items.first() : nullptr;
}
