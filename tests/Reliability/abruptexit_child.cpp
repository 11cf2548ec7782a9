// The program that tst_abruptexit kills: a burst of saves, edits and deletions through the
// real draft store, repository and settings file, for a signed-in account whose server never
// answers, so every change waits in the queue. Each operation is announced before it starts
// ("BEGIN ...") and acknowledged once the store has returned ("ACK ..."), so the killer knows
// what must be on disk.
//
// Usage: abruptexit_child SETTINGS_FILE SERVER_URL SEED RUN_NAME

#include "DraftStore.h"
#include "LinkedInToken.h"
#include "SyncedDraftsService.h"
#include "UserDefaults.h"
#include "UserDefaultsDraftRepository.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QTimer>

#include <cstdio>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

void say(const QString &line)
{
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

QString idText(const QUuid &id)
{
    return id.toString(QUuid::WithoutBraces);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5) {
        std::fputs("usage: abruptexit_child SETTINGS_FILE SERVER_URL SEED RUN_NAME\n", stderr);
        return 2;
    }

    UserDefaults defaults(args.at(1));
    UserDefaultsDraftRepository repository(u"drafts"_s, defaults);
    SyncedDraftsService service{QUrl(args.at(2))};
    DraftStore store(repository, &service, {});
    LinkedInToken token;
    token.accessToken = u"abrupt-exit-access"_s;
    token.profile.memberID = u"member-1"_s;
    token.profile.name = u"Test Member"_s;
    token.connectedAt = QDateTime::currentDateTimeUtc();
    store.setSession(token);

    QRandomGenerator random(args.at(3).toUInt());
    const QString run = args.at(4);
    int count = 0;
    say(u"READY"_s);

    std::function<void()> step = [&] {
        const QString body = u"%1-%2"_s.arg(run).arg(count++);
        const QList<Draft> drafts = store.drafts();
        const int choice = int(random.bounded(10));
        // Stay below the list's limit, so that every draft is kept by choice, not dropped.
        if (!drafts.isEmpty() && (drafts.size() >= 10 || choice < 3)) {
            const Draft draft = drafts.at(int(random.bounded(int(drafts.size()))));
            say(u"BEGIN delete "_s + idText(draft.id));
            store.deleteDraft(draft);
            say(u"ACK delete "_s + idText(draft.id));
        } else if (!drafts.isEmpty() && choice < 6) {
            const Draft draft = drafts.at(int(random.bounded(int(drafts.size()))));
            say(u"BEGIN edit %1 %2"_s.arg(idText(draft.id), body));
            store.openDraft(draft);
            store.setEditorText(body);
            store.saveCurrentDraft();
            say(u"ACK edit %1 %2"_s.arg(idText(draft.id), body));
        } else {
            say(u"BEGIN new "_s + body);
            store.startNewPost();
            store.setEditorText(body);
            store.saveCurrentDraft();
            say(u"ACK new %1 %2"_s.arg(idText(*store.editingDraftID()), body));
        }
        // Let the network stack run between operations, as a user's pauses would.
        QTimer::singleShot(int(random.bounded(3)), step);
    };
    QTimer::singleShot(0, step);
    return app.exec();
}
