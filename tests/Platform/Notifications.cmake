# Talks to the session's notification daemon and to private buses of its own.
quillet_add_test(tst_usernotificationcenter
    SOURCES tst_usernotificationcenter.cpp
    LIBS QuilletPlatform Qt6::DBus)
