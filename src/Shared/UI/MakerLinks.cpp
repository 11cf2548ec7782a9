#include "MakerLinks.h"

using namespace Qt::StringLiterals;

MakerLinks *MakerLinks::create(QQmlEngine *, QJSEngine *)
{
    return new MakerLinks;
}

QUrl MakerLinks::community()
{
    return QUrl(u"https://northwick.com/quillet/community"_s);
}

QUrl MakerLinks::bookingPage()
{
    return QUrl(u"https://northwick.com/quillet/book-a-call"_s);
}

QUrl MakerLinks::privacyPolicy()
{
    return QUrl(u"https://northwick.com/quillet/privacy"_s);
}
