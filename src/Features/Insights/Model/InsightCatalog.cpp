#include "InsightCatalog.h"

#include "AppJson.h"

#include <QFile>
#include <QSet>

using namespace Qt::StringLiterals;

namespace InsightCatalog {

namespace {
constexpr auto insightsKey = "insights"_L1;
constexpr auto toplineKey = "topline"_L1;
constexpr auto titleKey = "title"_L1;
constexpr auto summaryKey = "summary"_L1;
constexpr auto urlKey = "url"_L1;
} // namespace

Result<QList<Insight>> decode(const QByteArray &json)
{
    const auto object = AppJson::decodeObject(json);
    if (!object)
        return fail(object.error());
    const JsonReader root(*object);
    const auto array = root.array(insightsKey);
    if (!array)
        return fail(array.error());

    QList<Insight> insights;
    QSet<QString> addresses;
    for (qsizetype i = 0; i < array->size(); ++i) {
        const auto card = root.element(insightsKey, *array, i);
        if (!card)
            return fail(card.error());
        const auto topline = card->string(toplineKey);
        if (!topline)
            return fail(topline.error());
        const auto title = card->string(titleKey);
        if (!title)
            return fail(title.error());
        const auto summary = card->string(summaryKey);
        if (!summary)
            return fail(summary.error());
        const auto url = card->string(urlKey);
        if (!url)
            return fail(url.error());
        if (addresses.contains(*url))
            return fail(Error::decoding(u"repeated address at %1"_s.arg(card->pathOf(urlKey))));
        addresses.insert(*url);
        insights.append({*topline, *title, *summary, *url});
    }
    return insights;
}

QList<Insight> builtIn()
{
    QFile file(resourcePath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    auto insights = decode(file.readAll());
    return insights ? *insights : QList<Insight>{};
}

} // namespace InsightCatalog
