#include "MainWindowViewModel.h"

#include "PerformanceSignposts.h"

#include <QVariantMap>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {
struct SidebarRow {
    MainWindowViewModel::Section section;
    QLatin1StringView label;
    QLatin1StringView symbol;
};

constexpr SidebarRow sidebarRows[] = {
    {MainWindowViewModel::Section::Insights, "Insights"_L1, "chart.line.uptrend.xyaxis"_L1},
    {MainWindowViewModel::Section::Drafts, "Drafts"_L1, "doc.text"_L1},
    {MainWindowViewModel::Section::Editor, "Editor"_L1, "square.and.pencil"_L1},
    {MainWindowViewModel::Section::Settings, "Settings"_L1, "gearshape"_L1},
};

void call(const std::function<void()> &action)
{
    if (action)
        action();
}
} // namespace

MainWindowViewModel::MainWindowViewModel(Actions actions, QObject *parent)
    : QObject(parent)
    , m_actions(std::move(actions))
{
    m_postToastTimer.setSingleShot(true);
    m_postToastTimer.setTimerType(Qt::PreciseTimer);
    m_postToastTimer.setInterval(postedToastDuration);
    connect(&m_postToastTimer, &QTimer::timeout, this, [this] { setShowsPostToast(false); });
}

QVariantList MainWindowViewModel::sections()
{
    QVariantList list;
    for (const auto &row : sidebarRows)
        list.append(QVariantMap{{u"section"_s, QVariant::fromValue(row.section)},
                                {u"label"_s, QString(row.label)},
                                {u"symbol"_s, QString(row.symbol)}});
    return list;
}

void MainWindowViewModel::selectSection(Section section)
{
    if (section == Section::Editor && !m_opensDraftInEditor)
        call(m_actions.startNewPost);
    setOpensDraftInEditor(false);
    setSelection(section);
}

void MainWindowViewModel::openDraftInEditor()
{
    setOpensDraftInEditor(true);
    setSelection(Section::Editor);
}

void MainWindowViewModel::showDrafts()
{
    setSelection(Section::Drafts);
}

void MainWindowViewModel::showPostedToast()
{
    setSelection(Section::Insights);
    setShowsPostToast(true);
    // A second publish while the notice shows restarts its 1.6 seconds, so an earlier
    // publish's timer never cuts the later notice short.
    m_postToastTimer.start();
}

void MainWindowViewModel::openFeedback()
{
    setShowsFeedback(true);
    if (m_actions.track)
        m_actions.track(AppTelemetryEvent::feedbackOpened, {});
}

void MainWindowViewModel::closeFeedback()
{
    setShowsFeedback(false);
}

void MainWindowViewModel::contentShown()
{
    PerformanceSignposts::appLaunchComplete();
    call(m_actions.handOverSession);
    call(m_actions.syncReminder);
}

void MainWindowViewModel::sessionTokenChanged()
{
    call(m_actions.handOverSession);
    call(m_actions.syncReminder);
}

QPointF MainWindowViewModel::defaultFeedbackButtonPosition(QSizeF size)
{
    return {feedbackButtonDefaultX, std::max(feedbackButtonDefaultHeightFraction * size.height(),
                                             feedbackButtonDefaultMinimumY)};
}

QPointF MainWindowViewModel::clampedFeedbackButtonPosition(QPointF point, QSizeF size)
{
    // Not std::clamp: in content smaller than twice the inset the upper bound wins.
    const auto clamp = [](qreal value, qreal extent) {
        return std::min(extent - feedbackButtonEdgeInset, std::max(feedbackButtonEdgeInset, value));
    };
    return {clamp(point.x(), size.width()), clamp(point.y(), size.height())};
}

void MainWindowViewModel::dragFeedbackButton(QPointF translation, QSizeF size)
{
    const bool wasDragging = isDraggingFeedbackButton();
    if (!m_feedbackButtonDragStart)
        m_feedbackButtonDragStart =
            m_feedbackButtonPosition.value_or(defaultFeedbackButtonPosition(size));
    const QPointF position =
        clampedFeedbackButtonPosition(*m_feedbackButtonDragStart + translation, size);
    if (!wasDragging)
        Q_EMIT isDraggingFeedbackButtonChanged();
    if (m_feedbackButtonPosition != position) {
        m_feedbackButtonPosition = position;
        Q_EMIT feedbackButtonPositionChanged();
    }
}

void MainWindowViewModel::endFeedbackButtonDrag()
{
    if (!m_feedbackButtonDragStart)
        return;
    m_feedbackButtonDragStart.reset();
    Q_EMIT isDraggingFeedbackButtonChanged();
}

void MainWindowViewModel::setSelection(Section section)
{
    if (m_selection == section)
        return;
    m_selection = section;
    Q_EMIT selectionChanged();
}

void MainWindowViewModel::setOpensDraftInEditor(bool value)
{
    if (m_opensDraftInEditor == value)
        return;
    m_opensDraftInEditor = value;
    Q_EMIT opensDraftInEditorChanged();
}

void MainWindowViewModel::setShowsFeedback(bool value)
{
    if (m_showsFeedback == value)
        return;
    m_showsFeedback = value;
    Q_EMIT showsFeedbackChanged();
}

void MainWindowViewModel::setShowsPostToast(bool value)
{
    if (m_showsPostToast == value)
        return;
    m_showsPostToast = value;
    Q_EMIT showsPostToastChanged();
}
