#include "ProfilePhotoLoader.h"
#include "TestServer.h"

#include <QBuffer>
#include <QDir>
#include <QPainter>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QSignalSpy>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

#include <memory>

Q_IMPORT_QML_PLUGIN(Quillet_SharedPlugin)

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

// A PNG of `size` in one colour, or with its right half in `right` when given.
QByteArray png(QColor left, QColor right = {}, QSize size = {80, 40})
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(left);
    if (right.isValid()) {
        QPainter painter(&image);
        painter.fillRect(size.width() / 2, 0, size.width() - size.width() / 2, size.height(),
                         right);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

TestServer::Answer image(QByteArray body)
{
    return TestServer::text(200, std::move(body), QByteArrayLiteral("image/png"));
}

} // namespace

class TestProfilePhoto : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QQuickView> m_view;
    std::unique_ptr<TestServer> m_server;

    QQuickItem *photo(const char *name) const
    {
        return m_view->rootObject()->property(name).value<QQuickItem *>();
    }
    static ProfilePhotoLoader *loader(QQuickItem *photo)
    {
        return photo->findChild<ProfilePhotoLoader *>();
    }
    static bool hasImage(QQuickItem *photo) { return photo->property("hasImage").toBool(); }
    void setURL(QQuickItem *photo, const QString &path)
    {
        photo->setProperty("pictureURL",
                           path.isEmpty() ? QString() : m_server->url(path).toString());
    }
    void screenshot(const QString &name)
    {
        const QString folder = QCoreApplication::applicationDirPath() + u"/screenshots"_s;
        QDir().mkpath(folder);
        QVERIFY(m_view->grabWindow().save(folder + u'/' + name + u".png"_s));
    }

private Q_SLOTS:
    void init()
    {
        m_server = std::make_unique<TestServer>();
        QVERIFY(m_server->isListening());
        m_view = std::make_unique<QQuickView>();
        m_view->engine()->addImportPath(u"qrc:/"_s);
        m_view->setSource(
            QUrl::fromLocalFile(QStringLiteral(QUILLET_TEST_DATA_DIR) + u"/PhotoScene.qml"_s));
        QVERIFY2(m_view->rootObject(), qPrintable(m_view->errors().value(0).toString()));
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    }
    void cleanup()
    {
        m_view.reset();
        m_server.reset();
    }

    void letterSizeHasAMinimum_data()
    {
        QTest::addColumn<qreal>("diameter");
        QTest::addColumn<qreal>("letters");
        QTest::newRow("20 points draws the minimum") << 20.0 << 10.0;
        QTest::newRow("56 points") << 56.0 << 23.52;
        QTest::newRow("tiny") << 4.0 << 10.0;
    }
    void letterSizeHasAMinimum()
    {
        QFETCH(qreal, diameter);
        QFETCH(qreal, letters);
        QCOMPARE(ProfilePhotoLoader::letterSize(diameter), letters);
    }

    void pictureIsDownloadedWithTheUserAgentAndCachedFirst()
    {
        m_server->setAnswer(
            "GET", u"/cached.png"_s,
            image(png(Qt::darkCyan, Qt::yellow)).withHeader("Cache-Control", "max-age=3600"));
        auto *account = photo("account");
        setURL(account, u"/cached.png"_s);
        QTRY_VERIFY(hasImage(account));
        QCOMPARE(m_server->requestCount(), 1);
        QCOMPARE(m_server->requests().at(0).header("User-Agent"), QByteArrayLiteral("Quillet/1.0"));

        // Another photo of the same address comes from the HTTP cache.
        auto *preview = photo("preview");
        setURL(preview, u"/cached.png"_s);
        QTRY_VERIFY(hasImage(preview));
        QCOMPARE(m_server->requestCount(), 1);
        screenshot(u"photo-loaded"_s);
    }

    void anyFailureShowsTheDisc_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<TestServer::Answer>("answer");
        QTest::addColumn<int>("requests");

        QTest::newRow("404") << u"/missing.png"_s << TestServer::text(404, "Not Found") << 1;
        QTest::newRow("text instead of an image")
            << u"/text.png"_s << TestServer::text(200, "hello") << 1;
        QTest::newRow("an image with an error status")
            << u"/error.png"_s << TestServer::text(500, png(Qt::red), "image/png") << 1;
        QTest::newRow("connection dropped")
            << u"/dropped.png"_s << TestServer::dropConnection() << -1;
        QTest::newRow("no address") << QString() << TestServer::status(200) << 0;
        QTest::newRow("not an address") << u"::not a url"_s << TestServer::status(200) << 0;
    }
    void anyFailureShowsTheDisc()
    {
        QFETCH(QString, path);
        QFETCH(TestServer::Answer, answer);
        QFETCH(int, requests);

        // A picture first, so the test sees the failed download take it away.
        m_server->setAnswer("GET", u"/good.png"_s, image(png(Qt::green)));
        auto *account = photo("account");
        setURL(account, u"/good.png"_s);
        QTRY_VERIFY(hasImage(account));
        m_server->clearRequests();

        if (!path.isEmpty() && path.startsWith(u'/'))
            m_server->setAnswer("GET", path, answer);
        if (path.startsWith(u'/') || path.isEmpty())
            setURL(account, path);
        else
            account->setProperty("pictureURL", path);
        QTRY_VERIFY(!hasImage(account));
        if (requests >= 0)
            QCOMPARE(m_server->requestCount(), requests);
        screenshot(u"photo-fallback"_s);
    }

    // A download in flight is aborted, not left running, when a newer address arrives or the
    // photo goes away; a newer address shows its picture, the previous one staying until then.
    void aDownloadInFlightIsAborted_data()
    {
        QTest::addColumn<bool>("removeThePhoto");
        QTest::newRow("a newer address arrives") << false;
        QTest::newRow("the photo goes away") << true;
    }
    void aDownloadInFlightIsAborted()
    {
        QFETCH(bool, removeThePhoto);
        m_server->setAnswer("GET", u"/old.png"_s, image(png(Qt::green)));
        m_server->setAnswer("GET", u"/silent.png"_s, TestServer::neverAnswer());
        m_server->setAnswer("GET", u"/new.png"_s, image(png(Qt::blue)).after(200ms));
        auto *account = photo("account");
        setURL(account, u"/old.png"_s);
        QTRY_VERIFY(hasImage(account));
        m_server->clearRequests();

        setURL(account, u"/silent.png"_s);
        QVERIFY(m_server->waitForRequests(1));
        QVERIFY(m_server->isConnectionOpen(0));
        if (removeThePhoto) {
            m_view.reset();
            QTRY_VERIFY(!m_server->isConnectionOpen(0));
            return;
        }

        QSignalSpy changes(loader(account), &ProfilePhotoLoader::imageChanged);
        setURL(account, u"/new.png"_s);
        QTRY_VERIFY(!m_server->isConnectionOpen(0));
        QVERIFY(m_server->waitForRequests(2));
        QCOMPARE(m_server->requests().at(1).path, u"/new.png"_s);
        // The aborted download took nothing away: the old picture stays until the new one.
        QCOMPARE(loader(account)->image().pixelColor(0, 0), QColor(Qt::green));
        QTRY_COMPARE(changes.count(), 1);
        QCOMPARE(loader(account)->image().pixelColor(0, 0), QColor(Qt::blue));
    }
};

QTEST_MAIN(TestProfilePhoto)
#include "tst_profilephoto.moc"
