#include "EditorViewModel.h"

#include "AISettingsStore.h"
#include "AccountAuthServicing.h"
#include "DraftPolicy.h"
#include "DraftStore.h"
#include "LinkedInPostService.h"
#include "LinkedInSessionStore.h"
#include "NaturalizeService.h"
#include "PerformanceSignposts.h"

#include <QPointer>

namespace {

// Ends a performance interval when it goes out of scope, whichever way a task leaves.
struct IntervalScope {
    explicit IntervalScope(const char *name)
        : interval(PerformanceSignposts::beginAsyncInterval(name))
    {}
    IntervalScope(const IntervalScope &) = delete;
    IntervalScope &operator=(const IntervalScope &) = delete;
    ~IntervalScope() { PerformanceSignposts::endAsyncInterval(interval); }

    PerformanceSignposts::Interval interval;
};

} // namespace

EditorViewModel::EditorViewModel(DraftStore &store, LinkedInSessionStore &sessionStore,
                                 AccountAuthServicing &authService,
                                 LinkedInPostService &postService,
                                 NaturalizeService &naturalizeService,
                                 AISettingsStore &aiSettingsStore, AppTelemetry::Function telemetry,
                                 QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_sessionStore(sessionStore)
    , m_authService(authService)
    , m_postService(postService)
    , m_naturalizeService(naturalizeService)
    , m_aiSettingsStore(aiSettingsStore)
    , m_telemetry(std::move(telemetry))
{
    // Connections with this object as context end with it: the stores never keep the view
    // model alive nor call it after its end.
    for (auto storeSignal : {&DraftStore::editorTextChanged, &DraftStore::draftsChanged,
                             &DraftStore::statusMessageChanged, &DraftStore::syncStatusChanged,
                             &DraftStore::editingDraftIDChanged})
        connect(&m_store, storeSignal, this, &EditorViewModel::changed);
    connect(&m_sessionStore, &LinkedInSessionStore::tokenChanged, this, &EditorViewModel::changed);
}

QString EditorViewModel::editorText() const
{
    return m_store.editorText();
}

void EditorViewModel::setEditorText(const QString &text)
{
    m_store.setEditorText(text);
}

bool EditorViewModel::hasEditorText() const
{
    return !DraftPolicy::trimmedBody(m_store.editorText()).isEmpty();
}

QString EditorViewModel::previewText() const
{
    return hasEditorText() ? m_store.editorText() : QString(previewPlaceholder);
}

QString EditorViewModel::syncStatusMessage() const
{
    return m_store.syncStatusMessage();
}

QString EditorViewModel::statusMessage() const
{
    return m_store.statusMessage();
}

bool EditorViewModel::hasStatusMessage() const
{
    return m_store.hasStatusMessage();
}

std::optional<LinkedInProfile> EditorViewModel::profile() const
{
    const auto &token = m_sessionStore.token();
    if (!token)
        return std::nullopt;
    return token->profile;
}

QString EditorViewModel::profileName() const
{
    const auto current = profile();
    return current ? current->name : QString();
}

QString EditorViewModel::profileHeadline() const
{
    const auto current = profile();
    return current ? current->displayHeadline().value_or(QString(noHeadlineText)) : QString();
}

QString EditorViewModel::profilePictureURL() const
{
    const auto current = profile();
    return current ? current->pictureURL.value_or(QString()) : QString();
}

void EditorViewModel::save()
{
    m_store.saveCurrentDraft();
}

void EditorViewModel::clearEditor()
{
    m_store.saveOpenedDraftAndClearEditor();
}

void EditorViewModel::recordEditorStarted()
{
    track(AppTelemetryEvent::editorStarted);
}

void EditorViewModel::publish()
{
    if (m_isPosting)
        return;
    track(AppTelemetryEvent::postStarted);
    setPosting(true);
    runPublish();
}

void EditorViewModel::naturalizeEnglish()
{
    if (m_isNaturalizing)
        return;
    setNaturalizing(true);
    m_store.setStatusMessage(naturalizingMessage);
    runNaturalize();
}

QCoro::Task<> EditorViewModel::runPublish()
{
    // The view model (and with it the stores) may be gone by the time an answer arrives.
    const QPointer<EditorViewModel> self(this);
    const IntervalScope interval(PerformanceSignposts::publishAttemptName);

    // The text and open draft are taken when the user asks to post: connecting an account
    // switches the draft store to that account, which resets the editor. Only the draft that
    // was open then is removed afterwards, and only if it is still open.
    const QString text = m_store.editorText();
    const auto postedDraftID = m_store.editingDraftID();

    if (!m_sessionStore.isConnected()) {
        track(AppTelemetryEvent::linkedInConnectStarted);
        // Started outside the co_await: GCC 12 may destroy the temporaries of a coroutine
        // call inside a co_await expression twice.
        auto signIn = m_authService.signIn();
        const auto token = co_await std::move(signIn);
        if (!self)
            co_return;
        if (!token) {
            finishPost(token.error().description, AppTelemetryEvent::postFailed);
            co_return;
        }
        m_sessionStore.setToken(*token);
        track(AppTelemetryEvent::linkedInConnected);
    }

    auto request = m_postService.publish(text, m_sessionStore.postCredential());
    const auto published = co_await std::move(request);
    if (!self)
        co_return;
    if (!published) {
        finishPost(published.error().description, AppTelemetryEvent::postFailed);
        co_return;
    }
    if (m_store.editingDraftID() == postedDraftID)
        m_store.deletePostedDraftIfSaved();
    finishPost(postedMessage, AppTelemetryEvent::postSucceeded);
    Q_EMIT postSucceeded();
}

QCoro::Task<> EditorViewModel::runNaturalize()
{
    const QPointer<EditorViewModel> self(this);
    const QString sentText = m_store.editorText();
    auto request = m_naturalizeService.naturalize(sentText, m_aiSettingsStore.current());
    const auto rewritten = co_await std::move(request);
    if (!self)
        co_return;
    if (!rewritten) {
        m_store.setStatusMessage(rewritten.error().description);
    } else if (m_store.editorText() != sentText) {
        // The user typed (or opened another draft) while the rewrite ran: replacing the text
        // now would throw their newer text away.
        m_store.setStatusMessage(rewriteDiscardedMessage);
    } else {
        m_store.setEditorText(*rewritten);
        m_store.setStatusMessage(naturalizedMessage);
    }
    setNaturalizing(false);
}

void EditorViewModel::finishPost(const QString &message, AppTelemetryEvent event)
{
    m_store.setStatusMessage(message);
    setPosting(false);
    track(event);
}

void EditorViewModel::setPosting(bool posting)
{
    if (m_isPosting == posting)
        return;
    m_isPosting = posting;
    Q_EMIT isPostingChanged();
}

void EditorViewModel::setNaturalizing(bool naturalizing)
{
    if (m_isNaturalizing == naturalizing)
        return;
    m_isNaturalizing = naturalizing;
    Q_EMIT isNaturalizingChanged();
}

void EditorViewModel::track(AppTelemetryEvent event) const
{
    if (m_telemetry)
        m_telemetry(event, {});
}
