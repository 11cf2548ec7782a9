#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <QCoroTask>

#include <chrono>
#include <memory>

class HttpCancellation;

// Downloads the member's profile picture through the shared HTTP client. The cache-first
// policy shows a picture already in the HTTP cache without a request. Any failure (no or an
// invalid address, a non-2xx answer, a body that is not an image, a transport error) leaves no
// image, and the caller shows its fallback; nothing is reported.
//
// A new address starts a new download and aborts the one in flight, whose outcome is then
// ignored: the previous picture stays until the new one arrives. Destroying the loader aborts
// its download too, so no connection outlives the item that wanted the picture.
class ProfilePhotoLoader : public QObject {
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(QString pictureURL READ pictureURL WRITE setPictureURL NOTIFY pictureURLChanged)
    Q_PROPERTY(QImage image READ image NOTIFY imageChanged)
    Q_PROPERTY(bool hasImage READ hasImage NOTIFY imageChanged)

public:
    static constexpr std::chrono::seconds timeout{12};
    static constexpr QByteArrayView userAgentHeader{"User-Agent"};
    static constexpr QByteArrayView userAgent{"Quillet/1.0"};
    // The letters "in" of the fallback disc: this share of the diameter, at least minimum.
    static constexpr qreal letterShare = 0.42;
    static constexpr qreal minimumLetterSize = 10;

    using QObject::QObject;
    ~ProfilePhotoLoader() override;

    [[nodiscard]] QString pictureURL() const { return m_pictureURL; }
    void setPictureURL(const QString &pictureURL);

    [[nodiscard]] QImage image() const { return m_image; }
    [[nodiscard]] bool hasImage() const { return !m_image.isNull(); }

    // The size of the letters "in" on a disc of `diameter`.
    Q_INVOKABLE static qreal letterSize(qreal diameter);

Q_SIGNALS:
    void pictureURLChanged();
    void imageChanged();

private:
    QCoro::Task<> load(QUrl url, std::shared_ptr<HttpCancellation> cancellation);
    void cancelDownload();
    void setImage(const QImage &image);

    QString m_pictureURL;
    QImage m_image;
    // The download in flight, if any; only it may set the image.
    std::shared_ptr<HttpCancellation> m_download;
};
