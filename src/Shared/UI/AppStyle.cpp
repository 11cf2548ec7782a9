#include "AppStyle.h"

#include <QFileInfo>
#include <QHash>

using namespace Qt::StringLiterals;

namespace {

struct TextStyleMetrics {
    int pixelSize;
    QFont::Weight weight;
};

// One table for every text style the screens name.
constexpr TextStyleMetrics textStyles[] = {
    /* Title2 */ {17, QFont::Normal},
    /* Title3 */ {15, QFont::Normal},
    /* Headline */ {13, QFont::DemiBold},
    /* Subheadline */ {11, QFont::Normal},
    /* Caption */ {10, QFont::Normal},
    /* Body */ {13, QFont::Normal},
};

// The screens' symbol names mapped onto the Adwaita icon theme's symbolic icons.
const QHash<QString, QString> &symbols()
{
    static const QHash<QString, QString> table = {
        {u"xmark"_s, u"window-close-symbolic"_s},
        {u"chevron.left"_s, u"go-previous-symbolic"_s},
        {u"doc.text"_s, u"text-x-generic-symbolic"_s},
        {u"wand.and.stars"_s, u"tools-check-spelling-symbolic"_s},
        {u"list.bullet"_s, u"view-list-bullet-symbolic"_s},
        {u"list.number"_s, u"view-list-ordered-symbolic"_s},
        {u"chart.line.uptrend.xyaxis"_s, u"x-office-presentation-symbolic"_s},
        {u"square.and.pencil"_s, u"document-edit-symbolic"_s},
        {u"gearshape"_s, u"emblem-system-symbolic"_s},
        {u"photo.on.rectangle.angled"_s, u"insert-image-symbolic"_s},
        {u"ladybug"_s, u"help-browser-symbolic"_s},
        {u"person.crop.circle"_s, u"avatar-default-symbolic"_s},
        {u"person.2"_s, u"system-users-symbolic"_s},
        {u"rectangle.portrait.and.arrow.right"_s, u"system-log-out-symbolic"_s},
        {u"bubble.left.and.bubble.right"_s, u"chat-message-new-symbolic"_s},
        {u"chevron.right"_s, u"go-next-symbolic"_s},
        {u"trash"_s, u"user-trash-symbolic"_s},
    };
    return table;
}

constexpr auto iconThemeDirectory = "/usr/share/icons/Adwaita/scalable/";

} // namespace

AppStyle *AppStyle::create(QQmlEngine *, QJSEngine *)
{
    return new AppStyle;
}

QFont AppStyle::font(TextStyle style)
{
    const auto &metrics = textStyles[static_cast<int>(style)];
    QFont f;
    f.setPixelSize(metrics.pixelSize);
    f.setWeight(metrics.weight);
    return f;
}

QUrl AppStyle::symbol(const QString &name)
{
    const auto it = symbols().constFind(name);
    if (it == symbols().constEnd())
        return {};
    // The theme files its icons in context folders that moved between versions: look in each.
    for (const auto *context : {"actions", "apps", "categories", "mimetypes", "places", "status",
                                "ui", "devices", "emblems", "legacy"}) {
        const QString path = QLatin1StringView(iconThemeDirectory) + QLatin1StringView(context) +
                             u'/' + *it + u".svg"_s;
        if (QFileInfo::exists(path))
            return QUrl::fromLocalFile(path);
    }
    return {};
}
