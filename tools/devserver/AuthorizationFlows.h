#pragma once

#include "DevReply.h"

#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QString>

#include <chrono>
#include <map>

// The LinkedIn connections in progress, by flow state, and the result requests held while a
// flow is pending. Kept in memory only: a flow outlives neither the server nor its sign-in.
class AuthorizationFlows : public QObject {
    Q_OBJECT

public:
    struct Flow {
        enum class Status { Pending, Done, Failed };

        Status status = Status::Pending;
        QJsonObject token; // LinkedInToken JSON, once done
        QString error;     // once failed
        QString errorDescription;

        // The answer to a result request: "status", with "token" or the error texts.
        [[nodiscard]] QJsonObject resultJson() const;
    };

    using QObject::QObject;

    // Opens a pending flow and returns its state: 32 random hexadecimal digits.
    [[nodiscard]] QString begin();
    [[nodiscard]] const Flow *find(const QString &state) const;
    // Settle a pending flow; each answers the result requests held for it at once.
    void complete(const QString &state, QJsonObject token);
    void refuse(const QString &state, QString error, QString errorDescription);

    // Answers `reply` with the flow's result as soon as the flow settles, or with its pending
    // result after `wait`. A client that goes away meanwhile is forgotten.
    void hold(const QString &state, DevReply reply, std::chrono::milliseconds wait);

private:
    struct Held {
        QString state;
        DevReply reply;
        QMetaObject::Connection clientGone;
    };

    void settle(const QString &state, Flow flow);
    void release(quint64 holdId);

    QHash<QString, Flow> m_flows;
    std::map<quint64, Held> m_held;
    quint64 m_lastHoldId = 0;
};
