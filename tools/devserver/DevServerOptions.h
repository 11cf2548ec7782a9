#pragma once

#include "Result.h"

#include <QString>
#include <QStringList>

// The development server's command line: --port N, --data FILE, --callback-scheme S.
struct DevServerOptions {
    // The address the shipped application configuration uses.
    static constexpr quint16 defaultPort = 8787;
    // The callback scheme of the shipped application configuration.
    static constexpr QLatin1StringView defaultCallbackScheme{"quillet-desktop"};

    enum class Problem {
        Invalid, // the description says what is wrong
        Help,    // "--help" was asked for; the description is the usage text
    };

    quint16 port = defaultPort; // 0: any free port
    QString dataFile;
    QString callbackScheme = defaultCallbackScheme;

    // Reads `arguments` (program name first); fails with a `Problem`.
    [[nodiscard]] static Result<DevServerOptions> parse(const QStringList &arguments);
    // Where the data lives when --data is not given: the user's data folder.
    [[nodiscard]] static QString defaultDataFile();
};
