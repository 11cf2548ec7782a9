// quillet-devserver: answers every endpoint of Quillet's server on 127.0.0.1, so that the
// application runs and is tested end to end without going online.

#include "AuthorizationFlows.h"
#include "DevServer.h"
#include "DevServerOptions.h"
#include "DevStore.h"
#include "DraftRoutes.h"
#include "FeedbackRoutes.h"
#include "LinkedInRoutes.h"
#include "PostRoutes.h"
#include "ReminderRoutes.h"
#include "SignInPage.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillet-devserver"));

    const auto options = DevServerOptions::parse(QCoreApplication::arguments());
    if (!options) {
        const bool help = options.error().is(DevServerOptions::Problem::Help);
        std::fprintf(help ? stdout : stderr, "%s\n", qUtf8Printable(options.error().description));
        return help ? 0 : 2;
    }
    auto store = DevStore::open(options->dataFile);
    if (!store) {
        std::fprintf(stderr, "%s\n", qUtf8Printable(store.error().description));
        return 1;
    }

    DevServer server;
    const auto port = server.listen(options->port);
    if (!port) {
        std::fprintf(stderr, "%s\n", qUtf8Printable(port.error().description));
        return 1;
    }
    const QUrl origin = server.origin();

    AuthorizationFlows flows;
    SignInPage signInPage(*store, flows, origin, options->callbackScheme);
    LinkedInRoutes linkedIn(*store, flows, signInPage, origin);
    DraftRoutes drafts(*store);
    PostRoutes posts(*store);
    ReminderRoutes reminders(*store, options->callbackScheme);
    FeedbackRoutes feedback(*store);
    signInPage.install(server);
    linkedIn.install(server);
    drafts.install(server);
    posts.install(server);
    reminders.install(server);
    feedback.install(server);

    std::printf("listening on %s\n", qUtf8Printable(origin.toString()));
    std::fflush(stdout);
    return QCoreApplication::exec();
}
