#pragma once

#include "AISettingsStore.h"
#include "AuthTokenStore.h"
#include "InMemoryKeychain.h"
#include "KeychainAIAPIKeyStore.h"
#include "LinkedInSessionStore.h"
#include "UserDefaults.h"
#include "UserDefaultsDraftRepository.h"

#include <QTemporaryDir>

// The stores the editor works over, each the real one: the settings file in a temporary
// folder, the keychain in memory. Fixtures derive from it and add the draft store and the
// services their case needs.
struct EditorStores {
    QTemporaryDir folder;
    UserDefaults defaults{folder.filePath(QStringLiteral("defaults.json"))};
    UserDefaultsDraftRepository repository{QStringLiteral("drafts"), defaults};
    InMemoryKeychain keychain;
    AuthTokenStore tokenStore{keychain, QStringLiteral("token")};
    LinkedInSessionStore session{tokenStore};
    KeychainAIAPIKeyStore keyStore{keychain};
    AISettingsStore aiSettings{keyStore};
};
