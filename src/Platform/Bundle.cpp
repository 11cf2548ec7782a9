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
    // Before the application object exists (registering URL schemes must happen then), the
    // executable's folder comes from the kernel.
    const QString binDir =
        QCoreApplication::instance()
            ? QCoreApplication::applicationDirPath()
            : QFileInfo(u"/proc/self/exe"_s).canonicalFilePath().section(u'/', 0, -2);
    return Bundle(QDir::cleanPath(binDir + u"/../share/quillet"_s));
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
