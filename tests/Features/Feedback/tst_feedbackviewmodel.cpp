#include "FeedbackHarness.h"
#include "FeedbackImageLoader.h"
#include "MakerLinks.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QSignalSpy>
#include <QTest>
#include <QThreadPool>

using namespace Qt::StringLiterals;
using namespace FeedbackFixture;

using Events = QList<AppTelemetryEvent>;
using Email = std::optional<QString>;

namespace {

const QString sent(FeedbackViewModel::sentMessage);

QJsonArray attachmentsJson(const Harness &h, const QStringList &filenames, const QStringList &files)
{
    QJsonArray array;
    for (qsizetype i = 0; i < filenames.size(); ++i)
        array.append(
            QJsonObject{{u"filename"_s, filenames.at(i)}, {u"content"_s, h.base64Of(files.at(i))}});
    return array;
}

// Lets every image read that was started finish and report back.
void settleImageReads()
{
    QThreadPool::globalInstance()->waitForDone();
    for (int round = 0; round < 3; ++round)
        QCoreApplication::processEvents();
}

} // namespace

class TestFeedbackViewModel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sendOutcome_data()
    {
        QTest::addColumn<TestServer::Answer>("answer");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<Email>("email");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("status"); // a null string: any non-empty text
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("requests");

        const auto ok = TestServer::json(200, R"({"ok":true})");
        QTest::newRow("accepted without an account")
            << ok << false << Email() << u"\n It crashed. \n"_s << sent << true << 1;
        QTest::newRow("accepted from an account with e-mail")
            << ok << true << Email(u"ada@example.com"_s) << u"Nice"_s << sent << true << 1;
        QTest::newRow("accepted from an account without e-mail")
            << ok << true << Email() << u"Nice"_s << sent << true << 1;
        QTest::newRow("server refuses with a description")
            << TestServer::json(422, R"({"error":"invalid","errorDescription":"Too large"})")
            << false << Email() << u"Nice"_s << u"Too large"_s << false << 1;
        QTest::newRow("server fails without an envelope")
            << TestServer::text(500, "<html>", "text/html") << false << Email() << u"Nice"_s
            << u"Feedback send failed."_s << false << 1;
        QTest::newRow("connection dropped") << TestServer::dropConnection() << true << Email()
                                            << u"Nice"_s << QString() << false << 1;
        QTest::newRow("blank message is refused before sending")
            << ok << false << Email() << u" \n\t "_s << u"Feedback message is empty."_s << false
            << 0;
    }
    void sendOutcome()
    {
        QFETCH(TestServer::Answer, answer);
        QFETCH(bool, connected);
        QFETCH(Email, email);
        QFETCH(QString, message);
        QFETCH(QString, status);
        QFETCH(bool, accepted);
        QFETCH(int, requests);

        Harness h;
        h.server.setAnswer("POST", feedbackPath, answer);
        if (connected)
            h.session.setToken(token(email));
        h.viewModel.setTitle(u"  Crash "_s);
        h.viewModel.setMessage(message);
        QVERIFY(h.attach({u"a.png"_s, u"b.jpg"_s}));

        h.viewModel.sendFeedback();
        QTRY_VERIFY(!h.viewModel.isSending());

        if (status.isNull())
            QVERIFY(h.viewModel.hasStatusMessage());
        else
            QCOMPARE(h.viewModel.statusMessage(), status);
        // The network stack may resend by itself over a dropped connection.
        if (status.isNull())
            QVERIFY(h.server.requestCount() >= requests);
        else
            QCOMPARE(h.server.requestCount(), requests);
        QCOMPARE(h.events, accepted ? Events{AppTelemetryEvent::feedbackSent} : Events{});

        if (requests > 0) {
            const auto body = h.server.requests().at(0).json();
            QCOMPARE(body.value(u"name"_s).toString(), connected ? u"Ada Example"_s : QString());
            QCOMPARE(body.value(u"linkedInId"_s).toString(), connected ? u"member-1"_s : QString());
            QCOMPARE(body.value(u"email"_s).toString(),
                     connected ? email.value_or(QString()) : QString());
            QCOMPARE(body.value(u"title"_s).toString(), u"Crash"_s);
            QCOMPARE(body.value(u"message"_s).toString(), message.trimmed());
            QCOMPARE(body.value(u"attachments"_s).toArray(),
                     attachmentsJson(h, {u"feedback-1.jpg"_s, u"feedback-2.jpg"_s},
                                     {u"a.png"_s, u"b.jpg"_s}));
        }

        // Success empties the form; a failure keeps every word and image.
        QCOMPARE(h.viewModel.title(), accepted ? QString() : u"  Crash "_s);
        QCOMPARE(h.viewModel.message(), accepted ? QString() : message);
        QCOMPARE(h.viewModel.attachmentCount(), accepted ? 0 : 2);
        QCOMPARE(h.viewModel.attachmentCountText(), accepted ? QString() : u"2 images attached"_s);
        QCOMPARE(h.viewModel.sendButtonText(), QString(FeedbackViewModel::sendText));
    }

    void whileSending()
    {
        Harness h;
        h.server.enqueue("POST", feedbackPath, TestServer::status(503));
        h.server.enqueue("POST", feedbackPath,
                         TestServer::status(204).after(std::chrono::milliseconds(400)));
        h.viewModel.setTitle(u"Title"_s);
        h.viewModel.setMessage(u"First words"_s);
        h.viewModel.sendFeedback();
        QTRY_COMPARE(h.viewModel.statusMessage(), u"Feedback send failed."_s);

        QSignalSpy sending(&h.viewModel, &FeedbackViewModel::isSendingChanged);
        h.viewModel.sendFeedback();
        QVERIFY(h.viewModel.isSending());
        QCOMPARE(h.viewModel.sendButtonText(), u"Sending..."_s);
        QVERIFY(!h.viewModel.hasStatusMessage());
        h.viewModel.sendFeedback(); // pressed again: ignored
        QVERIFY(h.server.waitForRequests(2));

        // The fields stay editable; what is typed during the send is not what was sent.
        h.viewModel.setMessage(u"First words, and more"_s);
        QVERIFY(h.attach({u"b.jpg"_s}));

        QTRY_VERIFY(!h.viewModel.isSending());
        QCOMPARE(sending.count(), 2);
        QCOMPARE(h.server.requestCount(), 2);
        QCOMPARE(h.viewModel.statusMessage(), sent);
        QCOMPARE(h.viewModel.title(), QString());
        QCOMPARE(h.viewModel.message(), u"First words, and more"_s);
        QCOMPARE(h.viewModel.attachmentCountText(), u"1 image attached"_s);
    }

    void attachingImages_data()
    {
        QTest::addColumn<QStringList>("chosen");
        QTest::addColumn<QStringList>("filenames");
        QTest::addColumn<QStringList>("sources");
        QTest::addColumn<QString>("notice");

        const QString a = u"a.png"_s;
        const QString b = u"b.jpg"_s;
        const auto names = [](std::initializer_list<int> positions) {
            QStringList list;
            for (int p : positions)
                list << u"feedback-%1.jpg"_s.arg(p);
            return list;
        };

        QTest::newRow("one image") << QStringList{a} << names({1}) << QStringList{a} << QString();
        QTest::newRow("five images, any format")
            << QStringList{a, b, a, b, a} << names({1, 2, 3, 4, 5}) << QStringList{a, b, a, b, a}
            << QString();
        QTest::newRow("seven images: the first five are taken")
            << QStringList{b, a, a, a, a, a, a} << names({1, 2, 3, 4, 5})
            << QStringList{b, a, a, a, a} << u"Only the first 5 images were attached."_s;
        QTest::newRow("text under an image's name")
            << QStringList{a, u"notes.png"_s, b} << names({1, 3}) << QStringList{a, b}
            << u"\"notes.png\" is not an image."_s;
        QTest::newRow("missing and oversized files")
            << QStringList{u"missing.png"_s, u"huge.png"_s, a} << names({3}) << QStringList{a}
            << u"\"missing.png\" could not be read. \"huge.png\" is larger than 10 MB."_s;
        QTest::newRow("nothing chosen")
            << QStringList() << QStringList() << QStringList() << QString();
    }
    void attachingImages()
    {
        QFETCH(QStringList, chosen);
        QFETCH(QStringList, filenames);
        QFETCH(QStringList, sources);
        QFETCH(QString, notice);

        Harness h;
        QVERIFY(h.attach(chosen));
        QStringList gotNames;
        QStringList gotContents;
        QStringList wantContents;
        for (const auto &attachment : h.viewModel.attachments()) {
            gotNames << attachment.filename;
            gotContents << attachment.content;
            QVERIFY(!attachment.id.isNull());
        }
        for (const auto &source : sources)
            wantContents << h.base64Of(source);
        QCOMPARE(gotNames, filenames);
        QCOMPARE(gotContents, wantContents);
        QCOMPARE(h.viewModel.attachmentNotice(), notice);
        QCOMPARE(h.viewModel.hasAttachments(), !filenames.isEmpty());
        const auto count = filenames.size();
        QCOMPARE(h.viewModel.attachmentCountText(), count == 0 ? QString()
                                                    : count == 1
                                                        ? u"1 image attached"_s
                                                        : u"%1 images attached"_s.arg(count));
    }

    void onlyTheLatestSelectionCounts()
    {
        Harness h;
        QVERIFY(h.attach({u"a.png"_s, u"b.jpg"_s, u"a.png"_s}));

        // A new choice replaces the old one as a whole, however the reads overlap.
        h.viewModel.attachImages(h.files({u"a.png"_s, u"a.png"_s, u"a.png"_s, u"a.png"_s}));
        h.viewModel.attachImages(h.files({u"b.jpg"_s}));
        settleImageReads();
        QVERIFY(!h.viewModel.isLoadingAttachments());
        QCOMPARE(h.viewModel.attachmentCountText(), u"1 image attached"_s);

        // Removing the images while a read is running leaves none.
        h.viewModel.attachImages(h.files({u"a.png"_s, u"notes.png"_s}));
        h.viewModel.clearAttachments();
        settleImageReads();
        QVERIFY(!h.viewModel.hasAttachments());
        QVERIFY(!h.viewModel.hasAttachmentNotice());
        QVERIFY(h.viewModel.attachmentCountText().isEmpty());
    }

    void resetDiscardsTheFormAndALateOutcome()
    {
        Harness h;
        h.server.setAnswer("POST", feedbackPath,
                           TestServer::status(200).after(std::chrono::milliseconds(300)));
        h.viewModel.setTitle(u"Title"_s);
        h.viewModel.setMessage(u"Message"_s);
        QVERIFY(h.attach({u"a.png"_s, u"notes.png"_s}));
        h.viewModel.sendFeedback();
        QVERIFY(h.server.waitForRequests(1));

        h.viewModel.reset();
        QVERIFY(h.viewModel.title().isEmpty());
        QVERIFY(h.viewModel.message().isEmpty());
        QVERIFY(!h.viewModel.hasAttachments());
        QVERIFY(!h.viewModel.hasAttachmentNotice());
        QVERIFY(!h.viewModel.isSending());
        QVERIFY(!h.viewModel.hasStatusMessage());

        // The new form is not touched by the earlier send's outcome; the event still counts.
        h.viewModel.setMessage(u"Written after reopening"_s);
        QTRY_COMPARE(h.events, Events{AppTelemetryEvent::feedbackSent});
        QVERIFY(!h.viewModel.hasStatusMessage());
        QCOMPARE(h.viewModel.message(), u"Written after reopening"_s);
    }

    void linksOpenTheMakersPages()
    {
        Harness h;
        QVERIFY(h.viewModel.openBookingPage());
        QVERIFY(h.viewModel.openPrivacyPolicy());
        QCOMPARE(h.opened,
                 (QList<QUrl>{MakerLinks::bookingPageURL(), MakerLinks::privacyPolicyURL()}));
        for (const auto &url : h.opened)
            QVERIFY(url.isValid() && url.scheme() == u"https"_s);
    }
};

QTEST_MAIN(TestFeedbackViewModel)
#include "tst_feedbackviewmodel.moc"
