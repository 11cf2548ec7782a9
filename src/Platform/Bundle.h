#pragma once

#include <QString>
#include <QVariantMap>

#include <optional>

// The application's resource folder (share/quillet/ beside bin/) and its information
// dictionary (Info.plist). Tests build one over a fixture folder.
class Bundle {
public:
    explicit Bundle(QString resourceDirectory);

    // The bundle of the running program: ../share/quillet relative to the executable.
    [[nodiscard]] static Bundle main();

    [[nodiscard]] const QString &resourceDirectory() const { return m_resourceDirectory; }

    // Path of the resource `name`.`extension`, when it exists.
    [[nodiscard]] std::optional<QString> path(const QString &name, const QString &extension) const;

    // The contents of Info.plist; empty when the file is missing or unreadable.
    [[nodiscard]] QVariantMap infoDictionary() const;

private:
    QString m_resourceDirectory;
};
