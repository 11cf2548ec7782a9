#pragma once

#include "AppTelemetry.h"
#include "Insight.h"

#include <QList>
#include <QObject>
#include <QUrl>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include <functional>

// What the insights screen shows and does: the cards, and opening one in the browser.
class InsightsViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Built by the application and handed to the screen.")

    // One map per card with the keys "topline", "title", "summary" and "url".
    Q_PROPERTY(QVariantList insights READ insights CONSTANT)

public:
    // Asks the desktop to open an address; true when it reports that it did.
    using Opener = std::function<bool(const QUrl &)>;

    InsightsViewModel(QList<Insight> insights, Opener opener, AppTelemetry::Function track,
                      QObject *parent = nullptr);

    // Opens addresses in the default browser.
    [[nodiscard]] static Opener desktopOpener();

    [[nodiscard]] QVariantList insights() const;
    [[nodiscard]] const QList<Insight> &cards() const { return m_insights; }

    // Opens card `index`; records "insight_opened" only when the browser took the address.
    // An index out of range or an address that does not parse does nothing. Returns whether
    // the address was opened.
    Q_INVOKABLE bool open(int index);

private:
    QList<Insight> m_insights;
    Opener m_opener;
    AppTelemetry::Function m_track;
};
