#include "SignInPage.h"

#include "DevServer.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDateTime>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QUrlQuery>

using namespace Qt::StringLiterals;

namespace {

constexpr auto declinedDescription = "The member declined to connect LinkedIn."_L1;
constexpr auto grantedScope = "openid profile email w_member_social"_L1;
constexpr qint64 tokenLifetimeSeconds = 60 * 24 * 60 * 60;

constexpr auto pageTemplate = R"(<!doctype html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>%1</title>
<style>
body { font: 15px/1.4 sans-serif; background: #f3f2ef; color: #1d2226; margin: 0; }
main { max-width: 26rem; margin: 2rem auto; background: #fff; padding: 1.5rem 2rem;
       border-radius: 8px; box-shadow: 0 1px 3px rgba(0,0,0,.2); }
h1 { font-size: 1.4rem; margin: 0 0 .5rem; }
label { display: block; margin: .8rem 0 .2rem; font-weight: 600; }
input { box-sizing: border-box; width: 100%; padding: .45rem; font: inherit; }
.note { color: #5e6266; font-size: .9rem; }
.problem { color: #b24020; font-weight: 600; }
.actions { display: flex; gap: .8rem; margin-top: 1.4rem; }
button { font: inherit; padding: .5rem 1.2rem; border-radius: 1.2rem; border: 1px solid #0a66c2; }
#allow { background: #0a66c2; color: #fff; }
#deny { background: #fff; color: #0a66c2; }
</style>
</head>
<body><main>
%2
</main></body>
</html>
)"_L1;

constexpr auto formTemplate = R"(<h1>Sign in to LinkedIn</h1>
<p class="note">Development stand-in: choose the test member to connect. Nothing leaves this machine.</p>
%1
<form method="post" action="%2">
<input type="hidden" name="state" value="%3">
<label for="name">Name</label>
<input id="name" name="name" value="%4" required>
<label for="headline">Headline</label>
<input id="headline" name="headline" value="%5">
<label for="email">E-mail</label>
<input id="email" name="email" type="email" value="%6">
<label for="pictureUrl">Picture URL</label>
<input id="pictureUrl" name="pictureUrl" type="url" value="%7">
<div class="actions">
<button id="allow" type="submit" name="decision" value="allow">Allow</button>
<button id="deny" type="submit" name="decision" value="deny" formnovalidate>Cancel</button>
</div>
</form>)"_L1;

QString page(const QString &title, const QString &content)
{
    return QString(pageTemplate).arg(title.toHtmlEscaped(), content);
}

DevResponse messagePage(int status, const QString &title, const QString &text)
{
    return DevResponse::html(
        page(title, u"<h1>%1</h1>\n<p>%2</p>"_s.arg(title.toHtmlEscaped(), text.toHtmlEscaped())),
        status);
}

DevResponse formPage(const SignInPage::Form &form, const QString &problem = {}, int status = 200)
{
    const QString problemLine = problem.isEmpty()
                                    ? QString()
                                    : u"<p class=\"problem\">%1</p>"_s.arg(problem.toHtmlEscaped());
    const QString content = QString(formTemplate)
                                .arg(problemLine, SignInPage::pagePath, form.state.toHtmlEscaped(),
                                     form.name.toHtmlEscaped(), form.headline.toHtmlEscaped(),
                                     form.email.toHtmlEscaped(), form.pictureUrl.toHtmlEscaped());
    return DevResponse::html(page(u"Sign in to LinkedIn"_s, content), status);
}

// A form body ("application/x-www-form-urlencoded"), where "+" stands for a space.
QUrlQuery formFields(const QByteArray &body)
{
    QByteArray encoded = body;
    encoded.replace('+', "%20");
    return QUrlQuery(QString::fromUtf8(encoded));
}

QString randomText(int bytes)
{
    QByteArray random(bytes, Qt::Uninitialized);
    for (char &byte : random)
        byte = static_cast<char>(QRandomGenerator::system()->bounded(256));
    return QString::fromLatin1(
        random.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

// The same test identity (its e-mail address, else its name) is the same member on every
// sign-in, so that a member who logs out and signs in again finds their drafts.
QString memberIdFor(const SignInPage::Form &form)
{
    const QString identity = form.email.isEmpty() ? u"name:"_s + form.name.toLower()
                                                  : u"email:"_s + form.email.toLower();
    const QByteArray digest =
        QCryptographicHash::hash(identity.toUtf8(), QCryptographicHash::Sha256).toHex();
    return u"dev-"_s + QString::fromLatin1(digest.first(12));
}

QJsonObject profileJson(const QString &memberId, const SignInPage::Form &form)
{
    QJsonObject profile{{u"memberId"_s, memberId}, {u"name"_s, form.name}};
    if (!form.pictureUrl.isEmpty())
        profile.insert(u"pictureUrl"_s, form.pictureUrl);
    if (!form.email.isEmpty())
        profile.insert(u"email"_s, form.email);
    if (!form.headline.isEmpty())
        profile.insert(u"headline"_s, form.headline);
    return profile;
}

QJsonObject tokenJson(const QString &accessToken, const QJsonObject &profile)
{
    return {
        {u"accessToken"_s, accessToken},
        {u"tokenType"_s, u"Bearer"_s},
        {u"scope"_s, grantedScope},
        {u"expiresIn"_s, tokenLifetimeSeconds},
        {u"profile"_s, profile},
        {u"connectedAt"_s, AppJson::encodeDate(QDateTime::currentDateTimeUtc())},
    };
}

QByteArray pictureBytes()
{
    QImage image(256, 256, QImage::Format_RGB32);
    image.fill(QColor(0x0a, 0x66, 0xc2));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xdc, 0xe6, 0xf1));
    painter.drawEllipse(QPointF(128, 100), 48, 48);
    painter.drawEllipse(QPointF(128, 250), 96, 90);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace

SignInPage::SignInPage(DevStore &store, AuthorizationFlows &flows, QUrl origin,
                       QString callbackScheme)
    : m_store(store)
    , m_flows(flows)
    , m_origin(std::move(origin))
    , m_callbackScheme(std::move(callbackScheme))
{}

void SignInPage::install(DevServer &server)
{
    server.route("GET", pagePath, [this](const DevRequest &request) { return show(request); });
    server.route("POST", pagePath, [this](const DevRequest &request) { return submit(request); });
    server.route("GET", picturePath, [](const DevRequest &) {
        static const QByteArray picture = pictureBytes();
        return DevResponse::png(picture);
    });
}

QUrl SignInPage::pageUrl(const QString &state) const
{
    QUrl url = m_origin.resolved(QUrl(pagePath));
    url.setQuery(QUrlQuery{{u"state"_s, state}});
    return url;
}

QUrl SignInPage::callbackUrl(const QString &state, const QString &error) const
{
    // Addressed to the application under its own scheme, and deliberately not to this server:
    // the application fetches a callback that names the server's host and
    // "/api/linkedin/callback" exactly as it came, and under a scheme that is not HTTP that
    // fetch could only fail. This address ends the sheet, and the application polls.
    QUrl url;
    url.setScheme(m_callbackScheme);
    url.setHost(u"linkedin"_s);
    url.setPath(u"/callback"_s);
    QUrlQuery query{{u"state"_s, state}};
    if (!error.isEmpty())
        query.addQueryItem(u"error"_s, error);
    url.setQuery(query);
    return url;
}

DevResponse SignInPage::show(const DevRequest &request) const
{
    const QString state = request.queryValue(u"state"_s);
    const auto *flow = m_flows.find(state);
    if (!flow)
        return messagePage(400, u"Sign-in link not valid"_s,
                           u"This sign-in is unknown or has expired. Start again from Quillet."_s);
    if (flow->status != AuthorizationFlows::Flow::Status::Pending)
        return messagePage(409, u"Sign-in finished"_s,
                           u"This sign-in has already finished. You can close this window."_s);
    const QString picture = m_origin.resolved(QUrl(picturePath)).toString();
    return formPage({state, u"Test Member"_s, u"Writes about building small things"_s,
                     u"test.member@example.com"_s, picture});
}

DevResponse SignInPage::submit(const DevRequest &request)
{
    const QUrlQuery fields = formFields(request.body);
    const auto field = [&](const QString &key) {
        return fields.queryItemValue(key, QUrl::FullyDecoded).trimmed();
    };
    const Form form{field(u"state"_s), field(u"name"_s), field(u"headline"_s), field(u"email"_s),
                    field(u"pictureUrl"_s)};

    const auto *flow = m_flows.find(form.state);
    if (!flow)
        return messagePage(400, u"Sign-in link not valid"_s,
                           u"This sign-in is unknown or has expired. Start again from Quillet."_s);
    if (flow->status != AuthorizationFlows::Flow::Status::Pending)
        return messagePage(409, u"Sign-in finished"_s,
                           u"This sign-in has already finished. You can close this window."_s);

    if (field(u"decision"_s) == u"deny"_s) {
        m_flows.refuse(form.state, declinedError, declinedDescription);
        return DevResponse::redirect(callbackUrl(form.state, declinedError));
    }
    if (form.name.isEmpty())
        return formPage(form, u"Enter the member's name."_s, 400);
    const QUrl picture(form.pictureUrl, QUrl::StrictMode);
    if (!form.pictureUrl.isEmpty() &&
        (!picture.isValid() || picture.host().isEmpty() ||
         (picture.scheme() != u"http"_s && picture.scheme() != u"https"_s)))
        return formPage(form, u"The picture URL must be an http or https address."_s, 400);
    return signIn(form);
}

DevResponse SignInPage::signIn(const Form &form)
{
    const QString memberId = memberIdFor(form);
    const QString accessToken = u"dev_"_s + randomText(32);
    const QJsonObject profile = profileJson(memberId, form);
    const bool stored = bool(m_store.update([&](DevData &data) {
        data.members.insert(memberId, profile);
        data.issueToken(accessToken, memberId);
    }));
    if (!stored)
        return messagePage(500, u"Sign-in failed"_s,
                           u"The development server could not save its data."_s);
    m_flows.complete(form.state, tokenJson(accessToken, profile));
    return DevResponse::redirect(callbackUrl(form.state));
}
