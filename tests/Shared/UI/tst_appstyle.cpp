#include "AppStyle.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Quillet_SharedPlugin)

using namespace Qt::StringLiterals;

class TestAppStyle : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void coloursHaveTheirComponents_data()
    {
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<int>("red");
        QTest::addColumn<int>("green");
        QTest::addColumn<int>("blue");
        QTest::addColumn<int>("alpha");

        QTest::newRow("ink") << AppStyle::ink() << 17 << 18 << 15 << 255;
        QTest::newRow("muted is ink at 58 %") << AppStyle::muted() << 17 << 18 << 15 << 148;
        QTest::newRow("paper") << AppStyle::paper() << 242 << 240 << 232 << 255;
        QTest::newRow("panel") << AppStyle::panel() << 255 << 253 << 247 << 255;
        QTest::newRow("coral") << AppStyle::coral() << 255 << 95 << 61 << 255;
        QTest::newRow("lime") << AppStyle::lime() << 201 << 248 << 106 << 255;
        QTest::newRow("nsInk") << AppStyle::nsInk() << 17 << 18 << 15 << 255;
    }
    void coloursHaveTheirComponents()
    {
        QFETCH(QColor, colour);
        QFETCH(int, red);
        QFETCH(int, green);
        QFETCH(int, blue);
        QFETCH(int, alpha);
        QCOMPARE(colour.rgba(), qRgba(red, green, blue, alpha));
    }

    void everySymbolResolvesToAnInstalledIcon_data()
    {
        QTest::addColumn<QString>("name");
        for (const auto *name :
             {"xmark", "chevron.left", "doc.text", "wand.and.stars", "list.bullet", "list.number",
              "chart.line.uptrend.xyaxis", "square.and.pencil", "gearshape",
              "photo.on.rectangle.angled", "ladybug", "person.crop.circle", "person.2"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void everySymbolResolvesToAnInstalledIcon()
    {
        QFETCH(QString, name);
        const QUrl url = AppStyle::symbol(name);
        QVERIFY2(url.isLocalFile(), qPrintable(name));
        QVERIFY(QFile::exists(url.toLocalFile()));
        QVERIFY(AppStyle::symbol(u"no.such.symbol"_s).isEmpty());
    }

    void buttonsShareTheWidthAndDimWhilePressed()
    {
        QQmlEngine engine;
        engine.addImportPath(u"qrc:/"_s);
        QQmlComponent component(&engine);
        component.setData(R"(
            import QtQuick
            import QtQuick.Layouts
            import Quillet.Shared
            RowLayout {
                width: 410; spacing: 10
                property alias primary: p
                property alias secondary: s
                SecondaryButton { id: s; text: "Save draft" }
                PrimaryButton { id: p; text: "Post to LinkedIn" }
            })",
                          QUrl());
        std::unique_ptr<QObject> root(component.create());
        QVERIFY2(root, qPrintable(component.errorString()));
        auto *primary = root->property("primary").value<QQuickItem *>();
        auto *secondary = root->property("secondary").value<QQuickItem *>();
        QCOMPARE(primary->width(), 200.0);
        QCOMPARE(secondary->width(), 200.0);
        auto *fill = primary->property("background").value<QQuickItem *>();
        QCOMPARE(fill->property("color").value<QColor>(), AppStyle::lime());
        QCOMPARE(fill->opacity(), 1.0);
        primary->setProperty("down", true);
        QCOMPARE(fill->opacity(), 0.7);
        primary->setProperty("down", QVariant());
        QCOMPARE(fill->opacity(), 1.0);
    }
};

QTEST_MAIN(TestAppStyle)
#include "tst_appstyle.moc"
