#pragma once

// The feedback form against the real feedback service talking to a loopback test server, a
// session store on an in-memory keychain, and image files written into a temporary folder.

#include "AuthTokenStore.h"
#include "FeedbackImageLoader.h"
#include "FeedbackService.h"
#include "FeedbackViewModel.h"
#include "InMemoryKeychain.h"
#include "LinkedInSessionStore.h"
#include "TestServer.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

namespace FeedbackFixture {

using namespace Qt::StringLiterals;

inline const QString feedbackPath = QString(FeedbackService::feedbackPath);

inline LinkedInToken token(std::optional<QString> email)
{
    LinkedInToken token;
    token.accessToken = u"access-1"_s;
    token.profile.memberID = u"member-1"_s;
    token.profile.name = u"Ada Example"_s;
    token.profile.email = std::move(email);
    token.connectedAt = QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC);
    return token;
}

inline QByteArray encodedImage(const char *format, QColor colour)
{
    QImage image(24, 16, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

struct Harness {
    Harness()
    {
        // Small files of every kind the form meets; "missing.png" is never written.
        write(u"a.png"_s, encodedImage("PNG", Qt::red));
        write(u"b.jpg"_s, encodedImage("JPEG", Qt::blue));
        write(u"notes.png"_s, "Not a picture, just text with an image's name.\n");
        QFile huge(folder.filePath(u"huge.png"_s));
        if (!huge.open(QIODevice::WriteOnly) ||
            !huge.resize(FeedbackImageLoader::maximumImageBytes + 1))
            qFatal("cannot write the large fixture");
    }

    void write(const QString &name, const QByteArray &bytes)
    {
        QFile file(folder.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write a fixture");
    }
    [[nodiscard]] QUrl file(const QString &name) const
    {
        return QUrl::fromLocalFile(folder.filePath(name));
    }
    [[nodiscard]] QList<QUrl> files(const QStringList &names) const
    {
        QList<QUrl> urls;
        for (const auto &name : names)
            urls << file(name);
        return urls;
    }
    [[nodiscard]] QString base64Of(const QString &name) const
    {
        QFile file(folder.filePath(name));
        return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll().toBase64())
                                              : QString();
    }

    // Attaches the named files and waits until they are read.
    [[nodiscard]] bool attach(const QStringList &names)
    {
        viewModel.attachImages(files(names));
        return QTest::qWaitFor([this] { return !viewModel.isLoadingAttachments(); });
    }

    QTemporaryDir folder;
    InMemoryKeychain keychain;
    AuthTokenStore tokenStore{keychain, u"token"_s};
    LinkedInSessionStore session{tokenStore};
    TestServer server;
    FeedbackService service{server.url()};
    QList<AppTelemetryEvent> events;
    QList<QUrl> opened;
    FeedbackViewModel viewModel{
        service,
        session,
        [this](const QUrl &url) {
            opened << url;
            return true;
        },
        [this](AppTelemetryEvent event, const QMap<QString, QString> &parameters) {
            QVERIFY(parameters.isEmpty());
            events << event;
        },
    };
};

} // namespace FeedbackFixture
