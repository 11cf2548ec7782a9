#include "UserDefaults.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <fcntl.h>
#include <unistd.h>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

constexpr auto standardFileName = "northwick.com/Quillet.conf"_L1;

// Makes a rename inside `directory` durable: without this the new directory entry may still
// be in the page cache when the power goes.
void syncDirectory(const QString &directory)
{
    const int fd = ::open(QFile::encodeName(directory).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

UserDefaults::UserDefaults(const QString &filePath)
    : m_settings(filePath, QSettings::IniFormat)
{
    // Never fall back to rewriting the file in place, which a crash could leave torn.
    m_settings.setAtomicSyncRequired(true);
}

QString UserDefaults::standardFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u'/' +
           standardFileName;
}

QString UserDefaults::filePath() const
{
    return m_settings.fileName();
}

QString UserDefaults::storedKey(const QString &key)
{
    // '~' is left alone by the encoding; '%' is encoded, so no two keys share a stored name.
    return QString::fromLatin1(key.toUtf8().toPercentEncoding());
}

std::optional<QByteArray> UserDefaults::data(const QString &key) const
{
    if (key.isEmpty())
        return std::nullopt;
    const QVariant value = m_settings.value(storedKey(key));
    if (!value.isValid() || !value.canConvert<QByteArray>())
        return std::nullopt;
    return value.toByteArray();
}

void UserDefaults::setData(const QString &key, const QByteArray &value)
{
    if (key.isEmpty())
        return;
    m_settings.setValue(storedKey(key), value);
    writeThrough();
}

bool UserDefaults::boolValue(const QString &key) const
{
    return m_settings.value(storedKey(key), false).toBool();
}

void UserDefaults::setBool(const QString &key, bool value)
{
    if (key.isEmpty())
        return;
    m_settings.setValue(storedKey(key), value);
    writeThrough();
}

bool UserDefaults::contains(const QString &key) const
{
    if (key.isEmpty())
        return false;
    return m_settings.contains(storedKey(key));
}

void UserDefaults::remove(const QString &key)
{
    // QSettings reads an empty key as "every key": never pass one on.
    if (key.isEmpty())
        return;
    m_settings.remove(storedKey(key));
    writeThrough();
}

void UserDefaults::beginWrites()
{
    ++m_writeGroupDepth;
}

void UserDefaults::endWrites()
{
    if (m_writeGroupDepth == 0 || --m_writeGroupDepth > 0)
        return;
    if (std::exchange(m_hasGroupedWrites, false))
        writeThrough();
}

void UserDefaults::writeThrough()
{
    if (m_writeGroupDepth > 0) {
        m_hasGroupedWrites = true;
        return;
    }
    m_settings.sync();
    syncDirectory(QFileInfo(m_settings.fileName()).absolutePath());
}
