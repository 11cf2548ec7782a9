# The keychain: the same contract checked on the in-memory keychain and on the session's
# Secret Service (GNOME Keyring under scripts/session).
quillet_add_test(tst_keychain SOURCES tst_keychain.cpp LIBS QuilletPlatform)
