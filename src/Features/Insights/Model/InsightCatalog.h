#pragma once

#include "Insight.h"
#include "Result.h"

#include <QByteArray>
#include <QLatin1StringView>
#include <QList>

// The cards the insights screen shows, kept as JSON in one resource file.
namespace InsightCatalog {

// The resource that holds the built-in cards: {"insights": [{topline, title, summary, url}]}.
inline constexpr auto resourcePath = QLatin1StringView(":/Quillet/Insights/Model/insights.json");

// Decodes a card list; fails on a missing member or a repeated address.
[[nodiscard]] Result<QList<Insight>> decode(const QByteArray &json);

// The six built-in cards, in display order (empty if the resource is unreadable).
[[nodiscard]] QList<Insight> builtIn();

} // namespace InsightCatalog
