#include "FeedbackViewModel.h"

#include "FeedbackImageLoader.h"
#include "FeedbackService.h"
#include "LinkedInSessionStore.h"
#include "MakerLinks.h"

#include <QCoroFuture>
#include <QDesktopServices>
#include <QPointer>
#include <QtConcurrent/QtConcurrentRun>

using namespace Qt::StringLiterals;

FeedbackViewModel::FeedbackViewModel(FeedbackService &service, LinkedInSessionStore &sessionStore,
                                     Opener opener, AppTelemetry::Function track, QObject *parent)
    : QObject(parent)
    , m_service(service)
    , m_sessionStore(sessionStore)
    , m_opener(std::move(opener))
    , m_track(std::move(track))
{}

FeedbackViewModel::Opener FeedbackViewModel::desktopOpener()
{
    return [](const QUrl &url) { return QDesktopServices::openUrl(url); };
}

void FeedbackViewModel::setTitle(const QString &title)
{
    if (m_title == title)
        return;
    m_title = title;
    Q_EMIT titleChanged();
}

void FeedbackViewModel::setMessage(const QString &message)
{
    if (m_message == message)
        return;
    m_message = message;
    Q_EMIT messageChanged();
}

QString FeedbackViewModel::attachmentCountText() const
{
    if (m_attachments.isEmpty())
        return {};
    const auto count = m_attachments.size();
    return u"%1 image%2 attached"_s.arg(count).arg(count == 1 ? QString() : u"s"_s);
}

QString FeedbackViewModel::sendButtonText() const
{
    return m_isSending ? QString(sendingText) : QString(sendText);
}

QStringList FeedbackViewModel::imageNameFilters()
{
    return FeedbackImageLoader::nameFilters();
}

std::optional<FeedbackSenderIdentity> FeedbackViewModel::senderIdentity() const
{
    const auto &token = m_sessionStore.token();
    if (!token)
        return std::nullopt;
    return FeedbackSenderIdentity{token->profile.name, token->profile.memberID,
                                  token->profile.email};
}

void FeedbackViewModel::attachImages(const QList<QUrl> &files)
{
    ++m_selection;
    setLoadingAttachments(true);
    runLoad(files);
}

void FeedbackViewModel::clearAttachments()
{
    ++m_selection;
    setLoadingAttachments(false);
    setAttachments({}, {});
}

QCoro::Task<> FeedbackViewModel::runLoad(QList<QUrl> files)
{
    const QPointer<FeedbackViewModel> self(this);
    const quint64 selection = m_selection;
    // Reading and encoding several megabytes would stall the window: a worker does it.
    auto reading =
        QtConcurrent::run([files = std::move(files)] { return FeedbackImageLoader::load(files); });
    auto loaded = co_await reading;
    // A newer selection, a removal or a reset came meanwhile: this result is stale.
    if (!self || selection != m_selection)
        co_return;
    setAttachments(std::move(loaded.attachments), loaded.problems.join(u' '));
    setLoadingAttachments(false);
}

void FeedbackViewModel::sendFeedback()
{
    if (m_isSending)
        return;
    setSending(true);
    setStatusMessage({});
    runSend();
}

QCoro::Task<> FeedbackViewModel::runSend()
{
    const QPointer<FeedbackViewModel> self(this);
    const quint64 form = m_form;
    const quint64 selection = m_selection;
    const QString sentTitle = m_title;
    const QString sentBody = m_message;

    auto request = m_service.send(sentTitle, sentBody, senderIdentity(), m_attachments);
    const auto sent = co_await std::move(request);
    if (!self)
        co_return;
    if (sent && m_track)
        m_track(AppTelemetryEvent::feedbackSent, {});
    // The sheet was dismissed meanwhile: the outcome is not shown.
    if (form != m_form)
        co_return;

    if (!sent) {
        // Nothing is cleared: the user can correct the form and send again.
        setStatusMessage(sent.error().description);
        setSending(false);
        co_return;
    }
    setStatusMessage(sentMessage);
    setSending(false);
    // The fields stay editable while sending: only what was sent is emptied, so words typed
    // or images chosen during the send are not thrown away.
    if (m_title == sentTitle)
        setTitle({});
    if (m_message == sentBody)
        setMessage({});
    if (m_selection == selection)
        clearAttachments();
}

void FeedbackViewModel::reset()
{
    ++m_form;
    setTitle({});
    setMessage({});
    clearAttachments();
    setSending(false);
    setStatusMessage({});
}

bool FeedbackViewModel::openBookingPage()
{
    return m_opener && m_opener(MakerLinks::bookingPageURL());
}

bool FeedbackViewModel::openPrivacyPolicy()
{
    return m_opener && m_opener(MakerLinks::privacyPolicyURL());
}

void FeedbackViewModel::setAttachments(QList<FeedbackImageAttachment> attachments, QString notice)
{
    if (m_attachments == attachments && m_attachmentNotice == notice)
        return;
    m_attachments = std::move(attachments);
    m_attachmentNotice = std::move(notice);
    Q_EMIT attachmentsChanged();
}

void FeedbackViewModel::setLoadingAttachments(bool loading)
{
    if (m_isLoadingAttachments == loading)
        return;
    m_isLoadingAttachments = loading;
    Q_EMIT isLoadingAttachmentsChanged();
}

void FeedbackViewModel::setSending(bool sending)
{
    if (m_isSending == sending)
        return;
    m_isSending = sending;
    Q_EMIT isSendingChanged();
}

void FeedbackViewModel::setStatusMessage(const QString &message)
{
    if (m_statusMessage == message)
        return;
    m_statusMessage = message;
    Q_EMIT statusMessageChanged();
}
