#include "ProfilePhotoLoader.h"

#include "Http.h"

#include <QPointer>
#include <QUrl>

#include <algorithm>

void ProfilePhotoLoader::setPictureURL(const QString &pictureURL)
{
    if (pictureURL == m_pictureURL)
        return;
    m_pictureURL = pictureURL;
    emit pictureURLChanged();

    const quint64 generation = ++m_generation;
    const QUrl url(pictureURL, QUrl::StrictMode);
    if (pictureURL.isEmpty() || !url.isValid() || url.isRelative()) {
        setImage({});
        return;
    }
    // Runs by itself; its outcome is applied inside load().
    load(url, generation);
}

qreal ProfilePhotoLoader::letterSize(qreal diameter)
{
    return std::max(minimumLetterSize, letterShare * diameter);
}

QCoro::Task<> ProfilePhotoLoader::load(QUrl url, quint64 generation)
{
    HttpRequest request;
    request.url = std::move(url);
    request.cacheLoadControl = QNetworkRequest::PreferCache;
    request.timeout = timeout;
    request.setHeader(userAgentHeader, userAgent.toByteArray());

    QPointer self(this);
    const auto response = co_await Http::send(std::move(request));
    if (!self || generation != m_generation)
        co_return;
    if (!response || !Http::isSuccess(response->status)) {
        setImage({});
        co_return;
    }
    setImage(QImage::fromData(response->body));
}

void ProfilePhotoLoader::setImage(const QImage &image)
{
    if (image.isNull() && m_image.isNull())
        return;
    m_image = image;
    emit imageChanged();
}
