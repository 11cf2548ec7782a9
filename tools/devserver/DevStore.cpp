#include "DevStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>

#include <cstdio>

using namespace Qt::StringLiterals;

DevStore::DevStore(QString path, DevData data)
    : m_path(std::move(path))
    , m_data(std::move(data))
{}

Result<DevStore> DevStore::open(const QString &path)
{
    QFile file(path);
    if (!file.exists())
        return DevStore(path, DevData{});
    if (!file.open(QIODevice::ReadOnly))
        return fail(Error::transport(u"cannot read %1: %2"_s.arg(path, file.errorString())));
    auto object = AppJson::decodeObject(file.readAll());
    if (!object)
        return fail(Error::decoding(u"%1: %2"_s.arg(path, object.error().description)));
    auto data = DevData::fromJson(JsonReader(*object));
    if (!data)
        return fail(Error::decoding(u"%1: %2"_s.arg(path, data.error().description)));
    return DevStore(path, std::move(*data));
}

Result<void> DevStore::update(const std::function<void(DevData &)> &change)
{
    DevData next = m_data;
    change(next);
    if (auto written = write(next); !written) {
        std::fprintf(stderr, "%s\n", qUtf8Printable(written.error().description));
        return fail(written.error());
    }
    m_data = std::move(next);
    return {};
}

Result<void> DevStore::write(const DevData &data) const
{
    const auto failure = [this](const QString &reason) {
        return fail(Error::transport(u"cannot write %1: %2"_s.arg(m_path, reason)));
    };
    if (!QDir().mkpath(QFileInfo(m_path).absolutePath()))
        return failure(u"cannot create its folder"_s);
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return failure(file.errorString());
    // The file holds profiles and e-mail addresses: readable by its owner only.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    file.write(QJsonDocument(data.toJson()).toJson(QJsonDocument::Indented));
    if (!file.commit())
        return failure(file.errorString());
    return {};
}
