#pragma once

#include "AppTelemetry.h"
#include "LinkedInProfile.h"

#include <QCoroTask>
#include <QLatin1StringView>
#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <optional>

class AccountAuthServicing;
class AISettingsStore;
class DraftStore;
class LinkedInPostService;
class LinkedInSessionStore;
class NaturalizeService;

// The editor screen's model. It holds no text of its own: the editor text, the status line
// and the sync state live in the draft store, the account in the session store; it passes
// them through and carries out the screen's actions (save, clear, publish, AI rewrite),
// reporting every outcome in the draft store's status line. Lives on the main thread.
class EditorViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The editor view model is made by the application")
    Q_PROPERTY(QString editorText READ editorText WRITE setEditorText NOTIFY changed)
    Q_PROPERTY(bool hasEditorText READ hasEditorText NOTIFY changed)
    Q_PROPERTY(QString previewText READ previewText NOTIFY changed)
    Q_PROPERTY(QString syncStatusMessage READ syncStatusMessage NOTIFY changed)
    Q_PROPERTY(QString statusMessage READ statusMessage NOTIFY changed)
    Q_PROPERTY(bool hasStatusMessage READ hasStatusMessage NOTIFY changed)
    Q_PROPERTY(bool hasProfile READ hasProfile NOTIFY changed)
    Q_PROPERTY(QString profileName READ profileName NOTIFY changed)
    Q_PROPERTY(QString profileHeadline READ profileHeadline NOTIFY changed)
    Q_PROPERTY(QString profilePictureURL READ profilePictureURL NOTIFY changed)
    Q_PROPERTY(bool isPosting READ isPosting NOTIFY isPostingChanged)
    Q_PROPERTY(bool isNaturalizing READ isNaturalizing NOTIFY isNaturalizingChanged)

public:
    static constexpr QLatin1StringView previewPlaceholder{"Preview appears here."};
    // The preview's second author line for a profile without a headline.
    static constexpr QLatin1StringView noHeadlineText{"Now"};
    static constexpr QLatin1StringView postedMessage{"Posted to LinkedIn"};
    static constexpr QLatin1StringView naturalizingMessage{"Naturalizing English..."};
    static constexpr QLatin1StringView naturalizedMessage{"Naturalized English."};
    // The rewrite came back after the user changed the text: their text is kept.
    static constexpr QLatin1StringView rewriteDiscardedMessage{
        "Post changed during the AI edit; your text was kept."};

    // Every dependency must outlive the view model.
    EditorViewModel(DraftStore &store, LinkedInSessionStore &sessionStore,
                    AccountAuthServicing &authService, LinkedInPostService &postService,
                    NaturalizeService &naturalizeService, AISettingsStore &aiSettingsStore,
                    AppTelemetry::Function telemetry, QObject *parent = nullptr);

    [[nodiscard]] QString editorText() const;
    void setEditorText(const QString &text);
    // The text, trimmed of white space and line breaks at both ends, is not empty.
    [[nodiscard]] bool hasEditorText() const;
    // The untrimmed text when there is any, else the placeholder.
    [[nodiscard]] QString previewText() const;
    [[nodiscard]] QString syncStatusMessage() const;
    [[nodiscard]] QString statusMessage() const;
    [[nodiscard]] bool hasStatusMessage() const;

    // The connected account's profile; absent without a token.
    [[nodiscard]] std::optional<LinkedInProfile> profile() const;
    [[nodiscard]] bool hasProfile() const { return profile().has_value(); }
    [[nodiscard]] QString profileName() const;
    // The profile's display headline, or noHeadlineText without one; empty when signed out.
    [[nodiscard]] QString profileHeadline() const;
    [[nodiscard]] QString profilePictureURL() const;

    [[nodiscard]] bool isPosting() const { return m_isPosting; }
    [[nodiscard]] bool isNaturalizing() const { return m_isNaturalizing; }

    // Saves the editor text as a draft.
    Q_INVOKABLE void save();
    // Saves the open draft, then empties the editor.
    Q_INVOKABLE void clearEditor();
    // The first edit in a fresh editing control: records "editor_started".
    Q_INVOKABLE void recordEditorStarted();
    // Publishes the editor text, connecting an account first when none is; returns at once.
    // Ignored while a publish is running, so one post is never sent twice.
    Q_INVOKABLE void publish();
    // Rewrites the editor text with the AI service; returns at once. Ignored while a rewrite
    // is running.
    Q_INVOKABLE void naturalizeEnglish();

Q_SIGNALS:
    // Any change of the draft store or the session store.
    void changed();
    void isPostingChanged();
    void isNaturalizingChanged();
    // A publish succeeded; the window reacts (e.g. shows the drafts).
    void postSucceeded();

private:
    QCoro::Task<> runPublish();
    QCoro::Task<> runNaturalize();
    void finishPost(const QString &message, AppTelemetryEvent event);
    void setPosting(bool posting);
    void setNaturalizing(bool naturalizing);
    void track(AppTelemetryEvent event) const;

    DraftStore &m_store;
    LinkedInSessionStore &m_sessionStore;
    AccountAuthServicing &m_authService;
    LinkedInPostService &m_postService;
    NaturalizeService &m_naturalizeService;
    AISettingsStore &m_aiSettingsStore;
    AppTelemetry::Function m_telemetry;
    bool m_isPosting = false;
    bool m_isNaturalizing = false;
};
