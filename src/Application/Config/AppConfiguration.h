#pragma once

#include "Result.h"

#include <QString>
#include <QUrl>

class Bundle;

// The one configuration record, read once at launch from AppConfiguration.plist in the bundle.
struct AppConfiguration {
    struct API {
        QUrl baseURL;
        friend bool operator==(const API &, const API &) = default;
    };
    struct LinkedIn {
        QString callbackURLScheme;
        friend bool operator==(const LinkedIn &, const LinkedIn &) = default;
    };
    struct Storage {
        QString draftsKey;
        QString linkedInTokenKey;
        friend bool operator==(const Storage &, const Storage &) = default;
    };
    // Defaults apply only when the whole "observability" dictionary is absent.
    struct Observability {
        QString sentryDSN;
        QString sentryEnvironment = QStringLiteral("production");
        double sentryTracesSampleRate = 0.1;
        QString telemetryDeckAppID;
        QString telemetryDeckNamespace;
        friend bool operator==(const Observability &, const Observability &) = default;
    };

    API api;
    LinkedIn linkedIn;
    Storage storage;
    Observability observability;

    friend bool operator==(const AppConfiguration &, const AppConfiguration &) = default;

    // Reads the record from `bundle`. On failure writes the message to standard error and
    // aborts the process: a missing or invalid file is the one fatal condition.
    [[nodiscard]] static AppConfiguration load(const Bundle &bundle);

    // The same reading without the stop: the error's description is the full message
    // ("Missing AppConfiguration.plist" or "Invalid AppConfiguration.plist: ...").
    [[nodiscard]] static Result<AppConfiguration> read(const Bundle &bundle);

    // Decodes the bytes of a property list; the error describes the key and the fault.
    [[nodiscard]] static Result<AppConfiguration> decode(const QByteArray &propertyList);
};
