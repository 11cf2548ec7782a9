#include "MakerLinks.h"

using namespace Qt::StringLiterals;

MakerLinks *MakerLinks::create(QQmlEngine *, QJSEngine *)
{
    return new MakerLinks;
}

QUrl MakerLinks::communityURL()
{
    return QUrl(u"https://northwick.com/quillet/community"_s);
}

QUrl MakerLinks::bookingPageURL()
{
    return QUrl(u"https://northwick.com/quillet/book-a-call"_s);
}

QUrl MakerLinks::privacyPolicyURL()
{
    return QUrl(u"https://northwick.com/quillet/privacy"_s);
}
