#include "AppConfiguration.h"

#include "Bundle.h"
#include "PropertyList.h"

#include <QFile>
#include <QVariantMap>

#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

// Checked access to the members of one property-list dictionary, naming each key by its
// path ("storage.draftsKey") in errors.
class PlistReader {
public:
    PlistReader(QVariantMap map, QString path)
        : m_map(std::move(map))
        , m_path(std::move(path))
    {}

    [[nodiscard]] bool contains(const QString &key) const { return m_map.contains(key); }

    [[nodiscard]] Result<QString> string(const QString &key) const
    {
        auto value = member(key, QMetaType::QString, "a string");
        if (!value)
            return fail(value.error());
        return value->toString();
    }

    [[nodiscard]] Result<double> number(const QString &key) const
    {
        if (m_map.value(key).typeId() == QMetaType::ULongLong)
            return m_map.value(key).toDouble();
        auto value = member(key, QMetaType::Double, "a number");
        if (!value)
            return fail(value.error());
        return value->toDouble();
    }

    [[nodiscard]] Result<PlistReader> dictionary(const QString &key) const
    {
        auto value = member(key, QMetaType::QVariantMap, "a dictionary");
        if (!value)
            return fail(value.error());
        return PlistReader(value->toMap(), pathOf(key));
    }

    [[nodiscard]] QString pathOf(const QString &key) const
    {
        return m_path.isEmpty() ? key : m_path + u'.' + key;
    }

private:
    [[nodiscard]] Result<QVariant> member(const QString &key, QMetaType::Type type,
                                          const char *expected) const
    {
        const auto it = m_map.constFind(key);
        if (it == m_map.constEnd())
            return fail(Error::decoding(u"missing key \"%1\""_s.arg(pathOf(key))));
        if (it->typeId() != type)
            return fail(Error::decoding(
                u"expected %1 for key \"%2\""_s.arg(QLatin1StringView(expected), pathOf(key))));
        return *it;
    }

    QVariantMap m_map;
    QString m_path;
};

// Unwraps a Result inside a function that returns a Result.
#define TRY(var, expr)                                                                             \
    auto var##_result = (expr);                                                                    \
    if (!var##_result)                                                                             \
        return fail(var##_result.error());                                                         \
    auto var = std::move(*var##_result)

Result<AppConfiguration::API> decodeAPI(const PlistReader &top)
{
    TRY(api, top.dictionary(u"api"_s));
    TRY(text, api.string(u"baseURL"_s));
    const QUrl url(text, QUrl::StrictMode);
    // Every client appends its path to this address, so it must name a server.
    if (text.isEmpty() || !url.isValid() || url.scheme().isEmpty() || url.host().isEmpty())
        return fail(
            Error::decoding(u"Invalid baseURL (key \"%1\")"_s.arg(api.pathOf(u"baseURL"_s))));
    return AppConfiguration::API{url};
}

Result<AppConfiguration::LinkedIn> decodeLinkedIn(const PlistReader &top)
{
    TRY(linkedIn, top.dictionary(u"linkedIn"_s));
    TRY(scheme, linkedIn.string(u"callbackURLScheme"_s));
    return AppConfiguration::LinkedIn{scheme};
}

Result<AppConfiguration::Storage> decodeStorage(const PlistReader &top)
{
    TRY(storage, top.dictionary(u"storage"_s));
    TRY(draftsKey, storage.string(u"draftsKey"_s));
    TRY(tokenKey, storage.string(u"linkedInTokenKey"_s));
    return AppConfiguration::Storage{draftsKey, tokenKey};
}

Result<AppConfiguration::Observability> decodeObservability(const PlistReader &top)
{
    if (!top.contains(u"observability"_s))
        return AppConfiguration::Observability{};
    TRY(o, top.dictionary(u"observability"_s));
    TRY(dsn, o.string(u"sentryDSN"_s));
    TRY(environment, o.string(u"sentryEnvironment"_s));
    TRY(rate, o.number(u"sentryTracesSampleRate"_s));
    TRY(appID, o.string(u"telemetryDeckAppID"_s));
    TRY(ns, o.string(u"telemetryDeckNamespace"_s));
    return AppConfiguration::Observability{dsn, environment, rate, appID, ns};
}

} // namespace

Result<AppConfiguration> AppConfiguration::decode(const QByteArray &propertyList)
{
    TRY(root, PropertyList::parse(propertyList));
    if (root.typeId() != QMetaType::QVariantMap)
        return fail(Error::decoding(u"expected a dictionary at the top level"_s));
    const PlistReader top(root.toMap(), {});
    TRY(api, decodeAPI(top));
    TRY(linkedIn, decodeLinkedIn(top));
    TRY(storage, decodeStorage(top));
    TRY(observability, decodeObservability(top));
    return AppConfiguration{api, linkedIn, storage, observability};
}

Result<AppConfiguration> AppConfiguration::read(const Bundle &bundle)
{
    const auto path = bundle.path(u"AppConfiguration"_s, u"plist"_s);
    if (!path)
        return fail(Error::decoding(u"Missing AppConfiguration.plist"_s));
    QFile file(*path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(Error::decoding(u"Invalid AppConfiguration.plist: "_s + file.errorString()));
    auto configuration = decode(file.readAll());
    if (!configuration)
        return fail(Error::decoding(u"Invalid AppConfiguration.plist: "_s +
                                    configuration.error().description));
    return configuration;
}

AppConfiguration AppConfiguration::load(const Bundle &bundle)
{
    auto configuration = read(bundle);
    if (!configuration) {
        std::fprintf(stderr, "%s\n", qUtf8Printable(configuration.error().description));
        std::fflush(stderr);
        std::abort();
    }
    return *std::move(configuration);
}
