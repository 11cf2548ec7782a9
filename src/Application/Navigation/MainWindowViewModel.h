#pragma once

#include "AppTelemetry.h"

#include <QObject>
#include <QPointF>
#include <QSizeF>
#include <QTimer>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include <chrono>
#include <functional>
#include <optional>

// The main window's view state: the selected section, the posted notice, the feedback sheet
// and the position of the draggable feedback button. The window's start-up work and the
// draft store's new post come in as callbacks, so the state rules are testable on their own.
class MainWindowViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Built by the application and handed to the window.")

    Q_PROPERTY(Section selection READ selection NOTIFY selectionChanged)
    Q_PROPERTY(bool opensDraftInEditor READ opensDraftInEditor NOTIFY opensDraftInEditorChanged)
    Q_PROPERTY(bool showsFeedback READ showsFeedback NOTIFY showsFeedbackChanged)
    Q_PROPERTY(bool showsPostToast READ showsPostToast NOTIFY showsPostToastChanged)
    // Where the user dragged the feedback button (its centre); meaningful only while
    // hasFeedbackButtonPosition, otherwise the button sits at its default place.
    Q_PROPERTY(QPointF feedbackButtonPosition READ feedbackButtonPosition NOTIFY
                   feedbackButtonPositionChanged)
    Q_PROPERTY(bool hasFeedbackButtonPosition READ hasFeedbackButtonPosition NOTIFY
                   feedbackButtonPositionChanged)
    Q_PROPERTY(bool isDraggingFeedbackButton READ isDraggingFeedbackButton NOTIFY
                   isDraggingFeedbackButtonChanged)
    // The sidebar's rows in order: maps with "section", "label" and "symbol".
    Q_PROPERTY(QVariantList sections READ sections CONSTANT)

public:
    enum class Section { Insights, Drafts, Editor, Settings };
    Q_ENUM(Section)

    // What the window asks of the rest of the application.
    struct Actions {
        // Clears the draft store's editor for a new post.
        std::function<void()> startNewPost;
        // Hands the session store's current token to the draft store.
        std::function<void()> handOverSession;
        // Refreshes today's reminder for the current token.
        std::function<void()> syncReminder;
        // Records usage events.
        AppTelemetry::Function track;
    };

    static constexpr std::chrono::milliseconds postedToastDuration{1600};
    // Half the 52-point button plus 8 points of margin.
    static constexpr qreal feedbackButtonEdgeInset = 34;
    static constexpr qreal feedbackButtonDefaultX = 44;
    static constexpr qreal feedbackButtonDefaultMinimumY = 92;
    static constexpr qreal feedbackButtonDefaultHeightFraction = 0.82;

    explicit MainWindowViewModel(Actions actions, QObject *parent = nullptr);

    [[nodiscard]] Section selection() const { return m_selection; }
    [[nodiscard]] bool opensDraftInEditor() const { return m_opensDraftInEditor; }
    [[nodiscard]] bool showsFeedback() const { return m_showsFeedback; }
    [[nodiscard]] bool showsPostToast() const { return m_showsPostToast; }
    [[nodiscard]] QPointF feedbackButtonPosition() const
    {
        return m_feedbackButtonPosition.value_or(QPointF());
    }
    [[nodiscard]] bool hasFeedbackButtonPosition() const
    {
        return m_feedbackButtonPosition.has_value();
    }
    [[nodiscard]] bool isDraggingFeedbackButton() const
    {
        return m_feedbackButtonDragStart.has_value();
    }
    [[nodiscard]] static QVariantList sections();

    // A choice in the sidebar. Choosing the editor starts a new post unless a draft was just
    // opened from the drafts list.
    Q_INVOKABLE void selectSection(MainWindowViewModel::Section section);
    // Shows the editor with the draft the drafts list has just opened, keeping it.
    Q_INVOKABLE void openDraftInEditor();
    // The editor's back button: shows the drafts list without starting a new post.
    Q_INVOKABLE void showDrafts();
    // After a successful publish: shows the insights and the posted notice for 1.6 seconds.
    Q_INVOKABLE void showPostedToast();
    Q_INVOKABLE void openFeedback();
    Q_INVOKABLE void closeFeedback();

    // The window's content is shown: marks launch complete, hands over the session and
    // refreshes the reminder.
    Q_INVOKABLE void contentShown();
    // The session store's token changed (connect, disconnect, account deletion).
    void sessionTokenChanged();

    // The feedback button's centre before any drag: near the lower left corner.
    Q_INVOKABLE static QPointF defaultFeedbackButtonPosition(QSizeF size);
    // Keeps the button's centre 34 points from every edge of `size`.
    Q_INVOKABLE static QPointF clampedFeedbackButtonPosition(QPointF point, QSizeF size);

    // A drag of the feedback button moved by `translation` since it began, inside content of
    // `size`.
    Q_INVOKABLE void dragFeedbackButton(QPointF translation, QSizeF size);
    Q_INVOKABLE void endFeedbackButtonDrag();

Q_SIGNALS:
    void selectionChanged();
    void opensDraftInEditorChanged();
    void showsFeedbackChanged();
    void showsPostToastChanged();
    void feedbackButtonPositionChanged();
    void isDraggingFeedbackButtonChanged();

private:
    void setSelection(Section section);
    void setOpensDraftInEditor(bool value);
    void setShowsFeedback(bool value);
    void setShowsPostToast(bool value);

    Actions m_actions;
    Section m_selection = Section::Editor;
    bool m_opensDraftInEditor = false;
    bool m_showsFeedback = false;
    bool m_showsPostToast = false;
    std::optional<QPointF> m_feedbackButtonPosition;
    std::optional<QPointF> m_feedbackButtonDragStart;
    QTimer m_postToastTimer;
};
