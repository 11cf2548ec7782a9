#pragma once

#include <QString>

// The AI settings handed to the rewrite: the user's API key exactly as the settings store
// holds it (the rewrite trims it).
struct AISettings {
    QString apiKey;

    friend bool operator==(const AISettings &, const AISettings &) = default;
};
