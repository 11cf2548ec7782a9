// The feedback screen rendered offscreen over a real view model: what is shown and enabled in
// each state of the form, with a screenshot of each under the build folder.

#include "FeedbackHarness.h"
#include "MakerLinks.h"
#include "ScreenView.h"

#include <QCoreApplication>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlProperty>
#include <QQuickItem>
#include <QQuickView>
#include <QSignalSpy>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

#include <memory>

Q_IMPORT_QML_PLUGIN(Quillet_SharedPlugin)
Q_IMPORT_QML_PLUGIN(Quillet_FeedbackPlugin)

using namespace Qt::StringLiterals;
using namespace FeedbackFixture;

namespace {

struct Screen {
    explicit Screen(FeedbackViewModel &viewModel)
    {
        loadScreen(view, u"qrc:/Quillet/Feedback/UI/FeedbackView.qml"_s, &viewModel, {520, 760});
    }

    [[nodiscard]] QQuickItem *item(const char *name) const
    {
        return view.rootObject()->findChild<QQuickItem *>(QString::fromLatin1(name));
    }
    [[nodiscard]] QString text(const char *name) const
    {
        return item(name)->property("text").toString();
    }
    [[nodiscard]] bool visible(const char *name) const { return item(name)->isVisible(); }
    [[nodiscard]] bool enabled(const char *name) const { return item(name)->isEnabled(); }
    bool click(const char *name) { return QMetaObject::invokeMethod(item(name), "clicked"); }

    void screenshot(const QString &name)
    {
        const QImage image = view.grabWindow();
        QVERIFY(!image.isNull());
        QVERIFY(image.save(QCoreApplication::applicationDirPath() + u"/feedback-"_s + name +
                           u".png"_s));
    }

    QQuickView view;
};

} // namespace

class TestFeedbackView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void loads()
    {
        Harness h;
        Screen screen(h.viewModel);
        QVERIFY2(screen.view.errors().isEmpty(),
                 qPrintable(screen.view.errors().value(0).toString()));
        QVERIFY(screen.view.rootObject());
    }

    void eachStateOfTheForm()
    {
        Harness h;
        Screen screen(h.viewModel);
        QVERIFY(screen.view.rootObject());

        // Editing, empty.
        QCOMPARE(screen.text("sendButton"), u"Send feedback"_s);
        QVERIFY(screen.enabled("sendButton"));
        QVERIFY(!screen.visible("attachmentRow"));
        QVERIFY(!screen.visible("attachmentNotice"));
        QVERIFY(!screen.visible("statusLine"));
        QVERIFY(screen.visible("welcomeText"));
        screen.screenshot(u"empty"_s);

        // Images chosen, one refused; the typed words reach the fields.
        h.viewModel.setTitle(u"Export is slow"_s);
        h.viewModel.setMessage(u"Exporting a long post takes a minute.\nSecond line."_s);
        QVERIFY(h.attach({u"a.png"_s, u"notes.png"_s, u"b.jpg"_s, u"a.png"_s}));
        QCOMPARE(screen.text("titleField"), u"Export is slow"_s);
        QCOMPARE(screen.text("messageEditor"), h.viewModel.message());
        QVERIFY(screen.visible("attachmentRow"));
        QCOMPARE(screen.text("attachmentCount"), u"3 images attached"_s);
        QVERIFY(screen.visible("attachmentNotice"));
        screen.screenshot(u"attached"_s);

        // A failed send keeps everything and says why.
        h.server.enqueue(
            "POST", feedbackPath,
            TestServer::json(422, R"({"error":"invalid","errorDescription":"Too large"})"));
        QVERIFY(screen.click("sendButton"));
        QTRY_VERIFY(screen.visible("statusLine"));
        QCOMPARE(screen.text("statusLine"), u"Too large"_s);
        QCOMPARE(screen.text("titleField"), u"Export is slow"_s);
        QCOMPARE(screen.text("attachmentCount"), u"3 images attached"_s);
        screen.screenshot(u"failed"_s);

        // Sending: the button reads "Sending..." and is disabled; the fields stay editable.
        h.server.enqueue("POST", feedbackPath,
                         TestServer::status(204).after(std::chrono::milliseconds(400)));
        QVERIFY(screen.click("sendButton"));
        QVERIFY(h.server.waitForRequests(2));
        QCOMPARE(screen.text("sendButton"), u"Sending..."_s);
        QVERIFY(!screen.enabled("sendButton"));
        QVERIFY(screen.enabled("titleField"));
        QVERIFY(screen.enabled("messageEditor"));
        QVERIFY(screen.enabled("attachButton"));
        QVERIFY(screen.enabled("closeButton"));
        QVERIFY(!screen.visible("statusLine"));
        screen.screenshot(u"sending"_s);

        // Sent: the form is empty and the confirmation shows.
        QTRY_VERIFY(screen.enabled("sendButton"));
        QCOMPARE(screen.text("statusLine"), u"Sent. Confirmation was emailed to you."_s);
        QVERIFY(screen.text("titleField").isEmpty());
        QVERIFY(screen.text("messageEditor").isEmpty());
        QVERIFY(!screen.visible("attachmentRow"));
        QVERIFY(!screen.visible("attachmentNotice"));
        screen.screenshot(u"sent"_s);
    }

    void removingTheImagesHidesTheCountLine()
    {
        Harness h;
        Screen screen(h.viewModel);
        QVERIFY(h.attach({u"a.png"_s}));
        QCOMPARE(screen.text("attachmentCount"), u"1 image attached"_s);
        QVERIFY(screen.click("removeImagesButton"));
        QVERIFY(!screen.visible("attachmentRow"));
        QVERIFY(!h.viewModel.hasAttachments());
    }

    void closeLinksAndChooser()
    {
        Harness h;
        Screen screen(h.viewModel);
        QSignalSpy closeRequested(screen.view.rootObject(), SIGNAL(closeRequested()));
        QVERIFY(screen.click("closeButton"));
        QCOMPARE(closeRequested.count(), 1);

        QVERIFY(screen.click("bookingLink"));
        QVERIFY(screen.click("privacyLink"));
        QCOMPARE(h.opened,
                 (QList<QUrl>{MakerLinks::bookingPageURL(), MakerLinks::privacyPolicyURL()}));

        // The chooser takes several image files at once.
        auto *chooser = screen.view.rootObject()->findChild<QObject *>(u"imageChooser"_s);
        QVERIFY(chooser);
        QCOMPARE(chooser->property("nameFilters").toStringList(),
                 FeedbackViewModel::imageNameFilters());
        QCOMPARE(chooser->property("fileMode").toInt(), 1); // FileDialog.OpenFiles
    }

    void accessibleNames_data()
    {
        QTest::addColumn<QString>("objectName");
        QTest::addColumn<QString>("name");
        QTest::newRow("close") << u"closeButton"_s << u"Close"_s;
        QTest::newRow("title") << u"titleField"_s << u"Title"_s;
        QTest::newRow("message") << u"messageEditor"_s << u"Message"_s;
        QTest::newRow("attach") << u"attachButton"_s << u"Attach images"_s;
        QTest::newRow("remove images") << u"removeImagesButton"_s << u"Remove images"_s;
        QTest::newRow("send") << u"sendButton"_s << u"Send feedback"_s;
        QTest::newRow("booking") << u"bookingLink"_s << u"Talk instead"_s;
        QTest::newRow("privacy") << u"privacyLink"_s << u"Privacy policy"_s;
    }
    void accessibleNames()
    {
        QFETCH(QString, objectName);
        QFETCH(QString, name);
        Harness h;
        Screen screen(h.viewModel);
        auto *item = screen.item(objectName.toLatin1().constData());
        QVERIFY(item);
        const QQmlProperty accessibleName(item, u"Accessible.name"_s, qmlContext(item));
        QVERIFY(accessibleName.isValid());
        QCOMPARE(accessibleName.read().toString(), name);
    }
};

QTEST_MAIN(TestFeedbackView)
#include "tst_feedbackview.moc"
