#include "InsightsViewModel.h"

#include <QDesktopServices>
#include <QVariantMap>

using namespace Qt::StringLiterals;

InsightsViewModel::InsightsViewModel(QList<Insight> insights, Opener opener,
                                     AppTelemetry::Function track, QObject *parent)
    : QObject(parent)
    , m_insights(std::move(insights))
    , m_opener(std::move(opener))
    , m_track(std::move(track))
{}

InsightsViewModel::Opener InsightsViewModel::desktopOpener()
{
    return [](const QUrl &url) { return QDesktopServices::openUrl(url); };
}

QVariantList InsightsViewModel::insights() const
{
    QVariantList list;
    list.reserve(m_insights.size());
    for (const auto &insight : m_insights)
        list.append(QVariantMap{{u"topline"_s, insight.topline},
                                {u"title"_s, insight.title},
                                {u"summary"_s, insight.summary},
                                {u"url"_s, insight.url}});
    return list;
}

bool InsightsViewModel::open(int index)
{
    if (index < 0 || index >= m_insights.size())
        return false;
    // Only a complete absolute address is handed on; anything else leaves the card inert.
    const QUrl url(m_insights.at(index).url, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty())
        return false;
    if (!m_opener || !m_opener(url))
        return false;
    if (m_track)
        m_track(AppTelemetryEvent::insightOpened, {});
    return true;
}
