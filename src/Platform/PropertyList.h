#pragma once

#include "Result.h"

#include <QByteArray>
#include <QVariant>

// Reads XML and binary property lists. Dictionaries become QVariantMap, arrays QVariantList,
// strings QString, reals double, integers qulonglong (property lists have unsigned ones only
// here), booleans bool, dates QDateTime and data QByteArray. The reader checks only syntax:
// callers check every key and type they need.
namespace PropertyList {

[[nodiscard]] Result<QVariant> parse(const QByteArray &bytes);

} // namespace PropertyList
