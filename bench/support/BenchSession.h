#pragma once

#include "AppConfiguration.h"

#include <QStringList>

#include <functional>

#include <optional>

// What the programs that talk to the development server share: the configuration of the
// bundle that bench/run prepared (its api.baseURL names the server), read from --bundle DIR.
namespace BenchSession {

// The configuration, or none after printing why to standard error.
[[nodiscard]] std::optional<AppConfiguration> configuration(const QStringList &arguments);

// Runs the event loop until `done` returns true or `timeoutMs` passes; false on time-out.
[[nodiscard]] bool spinUntil(const std::function<bool()> &done, int timeoutMs = 10000);

} // namespace BenchSession
