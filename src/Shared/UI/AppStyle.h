#pragma once

#include <QColor>
#include <QFont>
#include <QObject>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

class QQmlEngine;
class QJSEngine;

// The application's palette, text styles and symbol images. Colours and sizes are constants;
// QML reads them through the AppStyle singleton.
class AppStyle : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

    Q_PROPERTY(QColor ink READ ink CONSTANT)
    Q_PROPERTY(QColor muted READ muted CONSTANT)
    Q_PROPERTY(QColor paper READ paper CONSTANT)
    Q_PROPERTY(QColor panel READ panel CONSTANT)
    Q_PROPERTY(QColor coral READ coral CONSTANT)
    Q_PROPERTY(QColor lime READ lime CONSTANT)
    Q_PROPERTY(QColor nsInk READ nsInk CONSTANT)

    Q_PROPERTY(QFont title2 READ title2 CONSTANT)
    Q_PROPERTY(QFont title3 READ title3 CONSTANT)
    Q_PROPERTY(QFont headline READ headline CONSTANT)
    Q_PROPERTY(QFont subheadline READ subheadline CONSTANT)
    Q_PROPERTY(QFont caption READ caption CONSTANT)
    Q_PROPERTY(QFont body READ body CONSTANT)

    Q_PROPERTY(qreal cornerRadius READ cornerRadius CONSTANT)
    Q_PROPERTY(qreal pressedOpacity READ pressedOpacity CONSTANT)
    Q_PROPERTY(qreal disabledOpacity READ disabledOpacity CONSTANT)
    Q_PROPERTY(qreal buttonInset READ buttonInset CONSTANT)
    Q_PROPERTY(qreal standardMargin READ standardMargin CONSTANT)

public:
    enum class TextStyle { Title2, Title3, Headline, Subheadline, Caption, Body };
    Q_ENUM(TextStyle)

    using QObject::QObject;
    static AppStyle *create(QQmlEngine *, QJSEngine *);

    // sRGB components given as fractions; `muted` is ink at 58 % opacity.
    [[nodiscard]] static QColor ink() { return QColor::fromRgbF(0.067f, 0.071f, 0.059f); }
    [[nodiscard]] static QColor muted()
    {
        QColor c = ink();
        c.setAlphaF(0.58f);
        return c;
    }
    [[nodiscard]] static QColor paper() { return QColor::fromRgbF(0.949f, 0.941f, 0.91f); }
    [[nodiscard]] static QColor panel() { return QColor::fromRgbF(1.f, 0.992f, 0.969f); }
    [[nodiscard]] static QColor coral() { return QColor::fromRgbF(1.f, 0.373f, 0.239f); }
    [[nodiscard]] static QColor lime() { return QColor::fromRgbF(0.788f, 0.973f, 0.416f); }
    [[nodiscard]] static QColor nsInk() { return ink(); }

    [[nodiscard]] static QFont font(TextStyle style);
    [[nodiscard]] static QFont title2() { return font(TextStyle::Title2); }
    [[nodiscard]] static QFont title3() { return font(TextStyle::Title3); }
    [[nodiscard]] static QFont headline() { return font(TextStyle::Headline); }
    [[nodiscard]] static QFont subheadline() { return font(TextStyle::Subheadline); }
    [[nodiscard]] static QFont caption() { return font(TextStyle::Caption); }
    [[nodiscard]] static QFont body() { return font(TextStyle::Body); }

    [[nodiscard]] static constexpr qreal cornerRadius() { return 8; }
    [[nodiscard]] static constexpr qreal pressedOpacity() { return 0.7; }
    // The desktop's usual dimming of a control that cannot be used; the button styles draw
    // no disabled look of their own, so without it a disabled button looks usable.
    [[nodiscard]] static constexpr qreal disabledOpacity() { return 0.5; }
    [[nodiscard]] static constexpr qreal buttonInset() { return 14; }
    [[nodiscard]] static constexpr qreal standardMargin() { return 20; }

    // The image for a symbol name used by the screens ("xmark", "doc.text", ...), from the
    // installed icon theme; an empty URL for an unknown name.
    Q_INVOKABLE static QUrl symbol(const QString &name);
};
