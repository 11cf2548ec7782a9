#include "Bundle.h"

#include "PropertyList.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

Bundle::Bundle(QString resourceDirectory)
    : m_resourceDirectory(std::move(resourceDirectory))
{}

Bundle Bundle::main()
{
    return Bundle(QDir::cleanPath(QCoreApplication::applicationDirPath() + u"/../share/quillet"_s));
}

std::optional<QString> Bundle::path(const QString &name, const QString &extension) const
{
    const QString file = QDir(m_resourceDirectory).filePath(name + u'.' + extension);
    if (!QFileInfo(file).isFile())
        return std::nullopt;
    return file;
}

QVariantMap Bundle::infoDictionary() const
{
    const auto file = path(u"Info"_s, u"plist"_s);
    if (!file)
        return {};
    QFile f(*file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const auto parsed = PropertyList::parse(f.readAll());
    return parsed ? parsed->toMap() : QVariantMap();
}
