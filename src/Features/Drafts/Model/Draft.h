#pragma once

#include "AppJson.h"
#include "Result.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QUuid>

// One unpublished post: its text and two time stamps.
struct Draft {
    QUuid id;
    QString body;
    QDateTime createdAt;
    QDateTime updatedAt;

    static constexpr int titleLength = 72;

    // The first non-empty line, trimmed, cut to 72 user-perceived characters;
    // "Untitled draft" when the body has no non-empty line.
    [[nodiscard]] QString title() const;

    // Stored form: "id" (upper case), "body", "createdAt", "updatedAt".
    [[nodiscard]] QJsonObject toJson() const;
    [[nodiscard]] static Result<Draft> fromJson(const JsonReader &json);

    friend bool operator==(const Draft &, const Draft &) = default;
};
