// Typing latency of the editor screen: the real EditorView over the real view model and
// stores (settings in a temporary file, an in-memory keychain), in a real window on the
// display, drawn by the renderer the application chooses. Each key press goes through the
// window's event delivery into the text area; the time runs until the preview shows the new
// text and the next frame has been swapped.

#include "AccountAuthServicing.h"
#include "BenchFigure.h"
#include "BenchSession.h"
#include "BenchText.h"
#include "DraftStore.h"
#include "EditorStores.h"
#include "EditorViewModel.h"
#include "LinkedInAuthError.h"
#include "LinkedInPostService.h"
#include "NaturalizeService.h"
#include "RenderingSetup.h"
#include "TextFormatting.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QtQml/qqmlextensionplugin.h>

#include <algorithm>
#include <cstdio>

Q_IMPORT_QML_PLUGIN(Quillet_SharedPlugin)
Q_IMPORT_QML_PLUGIN(Quillet_EditorPlugin)

using namespace Qt::StringLiterals;

namespace {

constexpr int warmUpKeys = 10;
constexpr int measuredKeys = 60;
constexpr double medianBudgetMs = 8;
constexpr double worstBudgetMs = 16;

// The editor never signs in here.
class NoSignIn final : public AccountAuthServicing {
public:
    QCoro::Task<Result<LinkedInToken>> signIn() override
    {
        co_return fail(linkedInAuthError(LinkedInAuthError::cancelled));
    }
    QCoro::Task<Result<void>> disconnect(QString) override { co_return Result<void>{}; }
    QCoro::Task<Result<void>> deleteAccount(QString) override { co_return Result<void>{}; }
    void requireEphemeralSignInOnce() override {}
};

int fail(const char *message)
{
    std::fprintf(stderr, "typing benchmark: %s\n", message);
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    RenderingSetup::prepare();
    QGuiApplication application(argc, argv);
    RenderingSetup::choose();

    EditorStores stores;
    NoSignIn signIn;
    // Nothing is posted or rewritten: the services only need an address.
    LinkedInPostService postService{QUrl(u"http://127.0.0.1:9"_s)};
    NaturalizeService naturalizeService{QUrl(u"http://127.0.0.1:9/chat"_s)};
    DraftStore store(stores.repository, nullptr, AppTelemetry::Function{});
    EditorViewModel viewModel(store, stores.session, signIn, postService, naturalizeService,
                              stores.aiSettings, AppTelemetry::Function{});

    // 3,000 characters of sans-serif bold letters (two UTF-16 units each), with the spaces,
    // punctuation and paragraph breaks of a real post.
    QString text = TextFormatting::bold(BenchText::post());
    viewModel.setEditorText(text);

    QQuickView view;
    view.engine()->addImportPath(u"qrc:/"_s);
    view.setInitialProperties({{u"viewModel"_s, QVariant::fromValue(&viewModel)}});
    view.setResizeMode(QQuickView::SizeRootObjectToView);
    view.setSource(QUrl(u"qrc:/Quillet/Editor/UI/EditorView.qml"_s));
    if (!view.errors().isEmpty())
        return fail(qPrintable(view.errors().constFirst().toString()));
    view.resize(900, 650);
    int swapped = 0;
    QObject::connect(&view, &QQuickWindow::frameSwapped, &view, [&swapped] { ++swapped; });
    view.show();
    view.requestActivate();
    if (!BenchSession::spinUntil([&] { return swapped > 0; }, 30000))
        return fail("the window never showed a frame");

    QQuickItem *root = view.rootObject();
    auto *editor = root->findChild<QQuickItem *>(u"editor"_s);
    auto *preview = root->findChild<QQuickItem *>(u"previewText"_s);
    auto *area = editor ? editor->property("textArea").value<QQuickItem *>() : nullptr;
    if (!area || !preview)
        return fail("the editor or the preview is missing");
    area->forceActiveFocus();
    area->setProperty("cursorPosition", area->property("length"));
    if (!BenchSession::spinUntil([&] { return view.activeFocusItem() == area; }))
        return fail("the text area did not take the keyboard focus");

    QList<double> samples;
    for (int i = 0; i < warmUpKeys + measuredKeys; ++i) {
        const QChar letter(u'a' + i % 26);
        text += letter;
        QElapsedTimer clock;
        clock.start();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A + i % 26, Qt::NoModifier, QString(letter));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_A + i % 26, Qt::NoModifier, QString(letter));
        QGuiApplication::sendEvent(&view, &press);
        QGuiApplication::sendEvent(&view, &release);
        if (!BenchSession::spinUntil([&] { return preview->property("text").toString() == text; }))
            return fail("the preview did not show the typed text");
        const int framesBefore = swapped;
        if (!BenchSession::spinUntil([&] { return swapped > framesBefore; }))
            return fail("no frame followed the key press");
        if (i >= warmUpKeys)
            samples.append(double(clock.nsecsElapsed()) / 1e6);
    }

    std::sort(samples.begin(), samples.end());
    const double median = samples[samples.size() / 2];
    BenchFigure::print(u"typing, key to preview frame, median (3,000 bold chars)"_s, median,
                       u"ms"_s, medianBudgetMs);
    BenchFigure::print(u"typing, key to preview frame, worst (3,000 bold chars)"_s,
                       samples.constLast(), u"ms"_s, worstBudgetMs);
    return 0;
}
