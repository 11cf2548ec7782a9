#include "QuilletDesktopApp.h"

#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Quillet_AppPlugin)
Q_IMPORT_QML_PLUGIN(Quillet_SharedPlugin)
Q_IMPORT_QML_PLUGIN(Quillet_InsightsPlugin)
Q_IMPORT_QML_PLUGIN(Quillet_DraftsPlugin)
Q_IMPORT_QML_PLUGIN(Quillet_EditorPlugin)
Q_IMPORT_QML_PLUGIN(Quillet_FeedbackPlugin)
Q_IMPORT_QML_PLUGIN(Quillet_LinkedInAuthPlugin)
Q_IMPORT_QML_PLUGIN(Quillet_AccountPlugin)

int main(int argc, char *argv[])
{
    return QuilletDesktopApp::run(argc, argv);
}
