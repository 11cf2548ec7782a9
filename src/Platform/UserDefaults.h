#pragma once

#include <QByteArray>
#include <QSettings>
#include <QString>

#include <optional>

// The per-user key-value store: one INI file that the whole process shares (the draft
// repository and the reminder marks). Values are byte blobs or booleans.
//
// Every write reaches the disk before the call returns: QSettings replaces the file through a
// temporary file that is flushed to disk and renamed over the old one, and the folder is then
// flushed too, so a crash or power cut leaves either the old or the new file. A write that
// fails is not reported (stored data degrades quietly); it stays in memory and goes out with
// the next write that succeeds.
//
// Keys are taken verbatim: any non-empty text, '/', '%', spaces and case included, names its
// own value. The empty key holds nothing; writing or removing it does nothing.
class UserDefaults {
public:
    // The store kept in `filePath`; the file and its folder are created on the first write.
    explicit UserDefaults(const QString &filePath);

    UserDefaults(const UserDefaults &) = delete;
    UserDefaults &operator=(const UserDefaults &) = delete;

    // The user's store: "northwick.com/Quillet.conf" in the configuration folder
    // ($XDG_CONFIG_HOME, else ~/.config).
    [[nodiscard]] static QString standardFilePath();

    [[nodiscard]] QString filePath() const;

    // The bytes stored under `key`, or nothing when the key holds no value.
    [[nodiscard]] std::optional<QByteArray> data(const QString &key) const;
    void setData(const QString &key, const QByteArray &value);

    // False when the key holds no value.
    [[nodiscard]] bool boolValue(const QString &key) const;
    void setBool(const QString &key, bool value);

    [[nodiscard]] bool contains(const QString &key) const;
    void remove(const QString &key);

    // Changes made until the matching endWrites() stay in memory (reads see them) and then
    // reach the disk in one write, so a crash leaves all of them or none. Pairs nest.
    void beginWrites();
    void endWrites();

private:
    // QSettings gives '/' (groups), leading and doubled slashes and some names special
    // meaning, so every key is stored percent-encoded: the stored name has only letters,
    // digits and "-._~%", and distinct keys stay distinct.
    [[nodiscard]] static QString storedKey(const QString &key);
    void writeThrough();
    int m_writeGroupDepth = 0;
    bool m_hasGroupedWrites = false;

    QSettings m_settings;
};
