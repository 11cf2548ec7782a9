#pragma once

#include "DevData.h"
#include "Result.h"

#include <QString>

#include <functional>

// The development server's data and its one JSON file. Every change is written at once,
// atomically (a temporary file renamed over the old one), so a server stopped at any moment
// leaves the previous or the new state, never a mix.
class DevStore {
public:
    // Reads the file at `path`; a file that does not exist yet reads as no data. A file that
    // exists but cannot be read or decoded is an error: starting empty would overwrite it.
    [[nodiscard]] static Result<DevStore> open(const QString &path);

    [[nodiscard]] const DevData &data() const { return m_data; }
    [[nodiscard]] const QString &path() const { return m_path; }

    // Applies `change` to a copy of the data and writes the copy; only when the file is written
    // does the copy become the data. A failure leaves the data as it was.
    [[nodiscard]] Result<void> update(const std::function<void(DevData &)> &change);

private:
    DevStore(QString path, DevData data);

    [[nodiscard]] Result<void> write(const DevData &data) const;

    QString m_path;
    DevData m_data;
};
