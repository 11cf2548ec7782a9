#pragma once

#include "FeedbackImageAttachment.h"

#include <QLatin1StringView>
#include <QList>
#include <QStringList>
#include <QUrl>

#include <expected>

// Turns the files the user chose into feedback attachments. Plain functions without state, so
// they may run on a worker thread.
namespace FeedbackImageLoader {

// At most this many images go with one feedback; later files of a selection are left out.
inline constexpr qsizetype maximumImageCount = 5;
// A larger file is refused before it is read: five of them still make a request the server
// can be expected to take.
inline constexpr qint64 maximumImageBytes = 10 * 1024 * 1024;

namespace Text {
inline constexpr QLatin1StringView notAnImage{"\"%1\" is not an image."};
inline constexpr QLatin1StringView unreadable{"\"%1\" could not be read."};
inline constexpr QLatin1StringView tooLarge{"\"%1\" is larger than 10 MB."};
inline constexpr QLatin1StringView tooMany{"Only the first 5 images were attached."};
} // namespace Text

// The file-chooser filter that offers image files only.
[[nodiscard]] QStringList nameFilters();

// What a selection of files gave: the attachments, and one sentence for every file that was
// refused or left out, in the selection's order.
struct Selection {
    QList<FeedbackImageAttachment> attachments;
    QStringList problems;
};

// The attachment for the file at `position` (counted from 1) of a selection: named
// "feedback-<position>.jpg" whatever its format, carrying the file's bytes unchanged in
// standard base64. Refuses, with the sentence to show, a file that is not local, cannot be
// read, is larger than maximumImageBytes, or whose content is not an image.
[[nodiscard]] std::expected<FeedbackImageAttachment, QString> load(const QUrl &file,
                                                                   qsizetype position);

// Loads the first maximumImageCount files of `files`, in order. A refused file leaves a gap
// in the numbering.
[[nodiscard]] Selection load(const QList<QUrl> &files);

} // namespace FeedbackImageLoader
