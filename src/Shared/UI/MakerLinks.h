#pragma once

#include <QObject>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

class QQmlEngine;
class QJSEngine;

// The maker's own web pages that the screens open in the browser: the community chat (the
// settings screen), the booking page for a call and the privacy policy (the feedback screen).
// One place for all of them; QML reads them through the MakerLinks singleton.
class MakerLinks : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

    Q_PROPERTY(QUrl community READ community CONSTANT)
    Q_PROPERTY(QUrl bookingPage READ bookingPage CONSTANT)
    Q_PROPERTY(QUrl privacyPolicy READ privacyPolicy CONSTANT)

public:
    using QObject::QObject;
    static MakerLinks *create(QQmlEngine *, QJSEngine *);

    [[nodiscard]] static QUrl community();
    [[nodiscard]] static QUrl bookingPage();
    [[nodiscard]] static QUrl privacyPolicy();
};
