#pragma once

#include <QObject>
#include <QQmlEngine>
#include <QQuickView>
#include <QSize>
#include <QString>
#include <QUrl>
#include <QVariant>

// Loads one of the application's screens into `view` over `viewModel`, the screen following
// the view's size, `size` to start with. The feature modules are linked in statically: their
// files live under qrc:/<URI path>, e.g. "qrc:/Quillet/Drafts/UI/DraftsView.qml". The view is
// not shown; its status() and errors() say whether the screen loaded.
inline void loadScreen(QQuickView &view, const QString &file, QObject *viewModel, QSize size)
{
    view.engine()->addImportPath(QStringLiteral("qrc:/"));
    view.setInitialProperties({{QStringLiteral("viewModel"), QVariant::fromValue(viewModel)}});
    view.setResizeMode(QQuickView::SizeRootObjectToView);
    view.resize(size);
    view.setSource(QUrl(file));
}
