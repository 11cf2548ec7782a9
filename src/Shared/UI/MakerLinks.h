#pragma once

#include <QObject>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

class QQmlEngine;
class QJSEngine;

// The maker's web pages that the screens link to, in one place: the community chat, the page
// for booking a call and the privacy policy. C++ reads the static accessors; QML reads the
// MakerLinks singleton.
class MakerLinks : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

    Q_PROPERTY(QUrl communityURL READ communityURL CONSTANT)
    Q_PROPERTY(QUrl bookingPageURL READ bookingPageURL CONSTANT)
    Q_PROPERTY(QUrl privacyPolicyURL READ privacyPolicyURL CONSTANT)

public:
    using QObject::QObject;
    static MakerLinks *create(QQmlEngine *, QJSEngine *);

    [[nodiscard]] static QUrl communityURL();
    [[nodiscard]] static QUrl bookingPageURL();
    [[nodiscard]] static QUrl privacyPolicyURL();
};
