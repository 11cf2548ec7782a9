#include "SecretServiceKeychain.h"

#include <QLoggingCategory>

// GLib's D-Bus headers use `signals` as a member name, which Qt defines as a macro.
#pragma push_macro("signals")
#undef signals
#include <libsecret/secret.h>
#pragma pop_macro("signals")

namespace {

Q_LOGGING_CATEGORY(lcKeychain, "quillet.keychain", QtInfoMsg)

constexpr auto secretServiceName = "org.freedesktop.secrets";
constexpr auto contentType = "text/plain";
constexpr auto serviceAttribute = "service";
constexpr auto accountAttribute = "account";

// Generic passwords identified by service and account. The schema name is not matched, so
// items made by other programs with the same two attributes (secret-tool) are found too.
const SecretSchema *genericPasswordSchema()
{
    static const SecretSchema schema = [] {
        SecretSchema s{};
        s.name = "com.northwick.quillet.desktop.GenericPassword";
        s.flags = SECRET_SCHEMA_DONT_MATCH_NAME;
        s.attributes[0] = {serviceAttribute, SECRET_SCHEMA_ATTRIBUTE_STRING};
        s.attributes[1] = {accountAttribute, SECRET_SCHEMA_ATTRIBUTE_STRING};
        return s;
    }();
    return &schema;
}

GHashTable *attributesFor(const QString &service, const QString &account)
{
    return secret_attributes_build(genericPasswordSchema(), serviceAttribute,
                                   service.toUtf8().constData(), accountAttribute,
                                   account.toUtf8().constData(), nullptr);
}

void logError(const char *operation, const GError *error)
{
    qCDebug(lcKeychain, "%s failed: %s", operation, error ? error->message : "item is locked");
}

// True when the bus daemon answers `method` on `name` with true, or with a list holding it.
bool askBus(GDBusConnection *bus, const char *method, GVariant *parameters,
            const GVariantType *replyType, int timeoutMs)
{
    g_autoptr(GError) error = nullptr;
    g_autoptr(GVariant) reply = g_dbus_connection_call_sync(
        bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", method,
        parameters, replyType, G_DBUS_CALL_FLAGS_NONE, timeoutMs, nullptr, &error);
    if (!reply) {
        logError(method, error);
        return false;
    }
    if (g_variant_is_of_type(reply, G_VARIANT_TYPE("(b)"))) {
        gboolean answer = FALSE;
        g_variant_get(reply, "(b)", &answer);
        return answer;
    }
    g_autofree const gchar **names = nullptr;
    g_variant_get(reply, "(^a&s)", &names);
    for (auto name = names; name && *name; ++name) {
        if (g_strcmp0(*name, secretServiceName) == 0)
            return true;
    }
    return false;
}

// Every item stored for (service, account), unlocking a locked keyring on the way (which a
// desktop asks the user about). `items` receives the list, which the caller owns. Searching
// with unlocking, rather than the plain lookup and clear calls, keeps items in a locked
// keyring from passing as absent.
Keychain::Status findItems(SecretService *secrets, const QString &service, const QString &account,
                           SecretSearchFlags extraFlags, GList **items)
{
    g_autoptr(GHashTable) attributes = attributesFor(service, account);
    g_autoptr(GError) error = nullptr;
    const auto flags = static_cast<SecretSearchFlags>(SECRET_SEARCH_UNLOCK | extraFlags);
    *items = secret_service_search_sync(secrets, genericPasswordSchema(), attributes, flags,
                                        nullptr, &error);
    if (error) {
        logError("Searching", error);
        return Keychain::Status::failure;
    }
    return *items ? Keychain::Status::success : Keychain::Status::itemNotFound;
}

} // namespace

SecretServiceKeychain::SecretServiceKeychain(std::chrono::milliseconds busTimeout)
    : m_busTimeout(busTimeout)
{}

bool SecretServiceKeychain::isAvailable() const
{
    // The same shared connection that libsecret uses, so both see the same bus.
    g_autoptr(GError) error = nullptr;
    g_autoptr(GDBusConnection) bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (!bus || g_dbus_connection_is_closed(bus)) {
        logError("Connecting to the session bus", error);
        return false;
    }
    const int timeoutMs = static_cast<int>(m_busTimeout.count());
    return askBus(bus, "NameHasOwner", g_variant_new("(s)", secretServiceName),
                  G_VARIANT_TYPE("(b)"), timeoutMs) ||
           askBus(bus, "ListActivatableNames", nullptr, G_VARIANT_TYPE("(as)"), timeoutMs);
}

namespace {

// The process's Secret Service connection with a session for passing secrets; null when the
// service is not there.
SecretService *openSecretService()
{
    g_autoptr(GError) error = nullptr;
    SecretService *secrets = secret_service_get_sync(SECRET_SERVICE_OPEN_SESSION, nullptr, &error);
    if (!secrets)
        logError("Opening the Secret Service", error);
    return secrets;
}

} // namespace

Keychain::ReadResult SecretServiceKeychain::read(const QString &service, const QString &account)
{
    if (!isAvailable())
        return {Status::failure, {}};
    g_autoptr(SecretService) secrets = openSecretService();
    if (!secrets)
        return {Status::failure, {}};

    g_autolist(SecretItem) items = nullptr;
    if (const auto found = findItems(secrets, service, account, SECRET_SEARCH_LOAD_SECRETS, &items);
        found != Status::success)
        return {found, {}};

    // Without a secret the item stayed locked: the user declined to unlock the keyring.
    g_autoptr(SecretValue) value = secret_item_get_secret(SECRET_ITEM(items->data));
    if (!value) {
        logError("Reading", nullptr);
        return {Status::failure, {}};
    }
    gsize length = 0;
    const gchar *bytes = secret_value_get(value, &length);
    return {Status::success, QByteArray(bytes, static_cast<qsizetype>(length))};
}

Keychain::Status SecretServiceKeychain::update(const QString &service, const QString &account,
                                               const QByteArray &data)
{
    if (!isAvailable())
        return Status::failure;
    g_autoptr(SecretService) secrets = openSecretService();
    if (!secrets)
        return Status::failure;

    g_autolist(SecretItem) items = nullptr;
    if (const auto found = findItems(secrets, service, account, SECRET_SEARCH_ALL, &items);
        found != Status::success)
        return found;
    g_autoptr(GError) error = nullptr;

    g_autoptr(SecretValue) value = secret_value_new(data.constData(), data.size(), contentType);
    for (GList *node = items; node; node = node->next) {
        auto item = SECRET_ITEM(node->data);
        if (secret_item_get_locked(item)) {
            logError("Updating", nullptr);
            return Status::failure;
        }
        if (!secret_item_set_secret_sync(item, value, nullptr, &error)) {
            logError("Updating", error);
            return Status::failure;
        }
    }
    return Status::success;
}

Keychain::Status SecretServiceKeychain::add(const QString &service, const QString &account,
                                            const QByteArray &data)
{
    if (!isAvailable())
        return Status::failure;
    g_autoptr(SecretService) secrets = openSecretService();
    if (!secrets)
        return Status::failure;

    g_autoptr(GHashTable) attributes = attributesFor(service, account);
    g_autoptr(SecretValue) value = secret_value_new(data.constData(), data.size(), contentType);
    // The label is what keyring managers such as Seahorse list.
    const QByteArray label = (account + u" (" + service + u')').toUtf8();
    g_autoptr(GError) error = nullptr;
    if (!secret_service_store_sync(secrets, genericPasswordSchema(), attributes,
                                   SECRET_COLLECTION_DEFAULT, label.constData(), value, nullptr,
                                   &error)) {
        logError("Adding", error);
        return Status::failure;
    }
    return Status::success;
}

Keychain::Status SecretServiceKeychain::remove(const QString &service, const QString &account)
{
    if (!isAvailable())
        return Status::failure;
    g_autoptr(SecretService) secrets = openSecretService();
    if (!secrets)
        return Status::failure;

    g_autolist(SecretItem) items = nullptr;
    if (const auto found = findItems(secrets, service, account, SECRET_SEARCH_ALL, &items);
        found != Status::success)
        return found;
    g_autoptr(GError) error = nullptr;

    for (GList *node = items; node; node = node->next) {
        if (!secret_item_delete_sync(SECRET_ITEM(node->data), nullptr, &error)) {
            logError("Deleting", error);
            return Status::failure;
        }
    }
    return Status::success;
}
