#include "FeedbackImageLoader.h"

#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>

using namespace Qt::StringLiterals;

namespace FeedbackImageLoader {

QStringList nameFilters()
{
    return {u"Images (*.png *.jpg *.jpeg *.gif *.webp *.heic *.heif *.bmp *.tif *.tiff)"_s};
}

std::expected<FeedbackImageAttachment, QString> load(const QUrl &file, qsizetype position)
{
    const QString path = file.toLocalFile();
    const QString shownName = path.isEmpty() ? file.fileName() : QFileInfo(path).fileName();
    const auto refuse = [&shownName](QLatin1StringView text) {
        return std::unexpected(QString(text).arg(shownName));
    };

    if (!file.isLocalFile())
        return refuse(Text::unreadable);
    const QFileInfo info(path);
    if (!info.isFile())
        return refuse(Text::unreadable);
    if (info.size() > maximumImageBytes)
        return refuse(Text::tooLarge);

    QFile reader(path);
    if (!reader.open(QIODevice::ReadOnly))
        return refuse(Text::unreadable);
    // One byte more than allowed tells a file that grew since it was measured.
    const QByteArray bytes = reader.read(maximumImageBytes + 1);
    if (reader.error() != QFileDevice::NoError || bytes.isEmpty())
        return refuse(Text::unreadable);
    if (bytes.size() > maximumImageBytes)
        return refuse(Text::tooLarge);

    // Judged by content, not by name: a renamed text file is no image.
    const QMimeType type = QMimeDatabase().mimeTypeForData(bytes);
    if (!type.name().startsWith("image/"_L1))
        return refuse(Text::notAnImage);

    return FeedbackImageAttachment{
        QUuid::createUuid(),
        u"feedback-%1.jpg"_s.arg(position),
        QString::fromLatin1(bytes.toBase64()),
    };
}

Selection load(const QList<QUrl> &files)
{
    Selection selection;
    const qsizetype taken = std::min(files.size(), maximumImageCount);
    for (qsizetype index = 0; index < taken; ++index) {
        auto attachment = load(files.at(index), index + 1);
        if (attachment)
            selection.attachments.append(std::move(*attachment));
        else
            selection.problems.append(attachment.error());
    }
    if (files.size() > maximumImageCount)
        selection.problems.append(QString(Text::tooMany));
    return selection;
}

} // namespace FeedbackImageLoader
