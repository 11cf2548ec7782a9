#pragma once

#include "AppTelemetry.h"
#include "FeedbackImageAttachment.h"
#include "FeedbackSenderIdentity.h"

#include <QCoroTask>
#include <QLatin1StringView>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <optional>

class FeedbackService;
class LinkedInSessionStore;

// The feedback form: title, message, attached images, the send action and its outcome. The
// sender is the connected LinkedIn account, if any. The form is one per application; whoever
// shows it calls reset() when the sheet is dismissed, which discards everything, including
// the outcome of a send still in flight. Lives on the main thread.
class FeedbackViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Built by the application and handed to the screen.")

    Q_PROPERTY(QString title READ title WRITE setTitle NOTIFY titleChanged)
    Q_PROPERTY(QString message READ message WRITE setMessage NOTIFY messageChanged)
    Q_PROPERTY(int attachmentCount READ attachmentCount NOTIFY attachmentsChanged)
    Q_PROPERTY(bool hasAttachments READ hasAttachments NOTIFY attachmentsChanged)
    // "1 image attached", "3 images attached"; empty without attachments.
    Q_PROPERTY(QString attachmentCountText READ attachmentCountText NOTIFY attachmentsChanged)
    // Why chosen files were refused or left out; empty when all were taken.
    Q_PROPERTY(QString attachmentNotice READ attachmentNotice NOTIFY attachmentsChanged)
    Q_PROPERTY(bool hasAttachmentNotice READ hasAttachmentNotice NOTIFY attachmentsChanged)
    Q_PROPERTY(
        bool isLoadingAttachments READ isLoadingAttachments NOTIFY isLoadingAttachmentsChanged)
    Q_PROPERTY(bool isSending READ isSending NOTIFY isSendingChanged)
    Q_PROPERTY(QString sendButtonText READ sendButtonText NOTIFY isSendingChanged)
    Q_PROPERTY(QString statusMessage READ statusMessage NOTIFY statusMessageChanged)
    Q_PROPERTY(bool hasStatusMessage READ hasStatusMessage NOTIFY statusMessageChanged)
    Q_PROPERTY(QStringList imageNameFilters READ imageNameFilters CONSTANT)

public:
    static constexpr QLatin1StringView sendText{"Send feedback"};
    static constexpr QLatin1StringView sendingText{"Sending..."};
    static constexpr QLatin1StringView sentMessage{"Sent. Confirmation was emailed to you."};

    // Asks the desktop to open an address; true when it reports that it did.
    using Opener = std::function<bool(const QUrl &)>;

    // The service and the session store must outlive the view model.
    FeedbackViewModel(FeedbackService &service, LinkedInSessionStore &sessionStore, Opener opener,
                      AppTelemetry::Function track, QObject *parent = nullptr);

    // Opens addresses in the default browser.
    [[nodiscard]] static Opener desktopOpener();

    [[nodiscard]] QString title() const { return m_title; }
    void setTitle(const QString &title);
    [[nodiscard]] QString message() const { return m_message; }
    void setMessage(const QString &message);

    [[nodiscard]] const QList<FeedbackImageAttachment> &attachments() const
    {
        return m_attachments;
    }
    [[nodiscard]] int attachmentCount() const { return int(m_attachments.size()); }
    [[nodiscard]] bool hasAttachments() const { return !m_attachments.isEmpty(); }
    [[nodiscard]] QString attachmentCountText() const;
    [[nodiscard]] QString attachmentNotice() const { return m_attachmentNotice; }
    [[nodiscard]] bool hasAttachmentNotice() const { return !m_attachmentNotice.isEmpty(); }
    [[nodiscard]] bool isLoadingAttachments() const { return m_isLoadingAttachments; }

    [[nodiscard]] bool isSending() const { return m_isSending; }
    [[nodiscard]] QString sendButtonText() const;
    [[nodiscard]] QString statusMessage() const { return m_statusMessage; }
    [[nodiscard]] bool hasStatusMessage() const { return !m_statusMessage.isEmpty(); }

    [[nodiscard]] static QStringList imageNameFilters();

    // The connected account as the feedback's sender; absent without a token.
    [[nodiscard]] std::optional<FeedbackSenderIdentity> senderIdentity() const;

    // Replaces the attached images with the chosen files, read on a worker thread; returns at
    // once. Only the first five files are taken; files that are no readable image of a sane
    // size are refused, and attachmentNotice says why. When selections overlap, the latest
    // one wins.
    Q_INVOKABLE void attachImages(const QList<QUrl> &files);
    // Removes every attached image.
    Q_INVOKABLE void clearAttachments();

    // Sends the form as it is, with the images loaded so far; returns at once. Ignored while a
    // send is running. On success the form is emptied; on failure it is kept as it is.
    Q_INVOKABLE void sendFeedback();

    // Discards the whole form: fields, images, outcome and the sending state. A send or a
    // load still running finishes unseen.
    Q_INVOKABLE void reset();

    // The maker's pages, in the default browser.
    Q_INVOKABLE bool openBookingPage();
    Q_INVOKABLE bool openPrivacyPolicy();

Q_SIGNALS:
    void titleChanged();
    void messageChanged();
    void attachmentsChanged();
    void isLoadingAttachmentsChanged();
    void isSendingChanged();
    void statusMessageChanged();

private:
    QCoro::Task<> runLoad(QList<QUrl> files);
    QCoro::Task<> runSend();
    void setAttachments(QList<FeedbackImageAttachment> attachments, QString notice);
    void setLoadingAttachments(bool loading);
    void setSending(bool sending);
    void setStatusMessage(const QString &message);

    FeedbackService &m_service;
    LinkedInSessionStore &m_sessionStore;
    Opener m_opener;
    AppTelemetry::Function m_track;

    QString m_title;
    QString m_message;
    QList<FeedbackImageAttachment> m_attachments;
    QString m_attachmentNotice;
    bool m_isSending = false;
    QString m_statusMessage;

    // Counts every new selection (and every emptying of it): a load applies its result only
    // while its selection is still the latest one.
    quint64 m_selection = 0;
    // The latest selection is still being read.
    bool m_isLoadingAttachments = false;
    // Counts resets: a send reports back only to the form it was started from.
    quint64 m_form = 0;
};
