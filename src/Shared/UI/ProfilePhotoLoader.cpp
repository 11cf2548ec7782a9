#include "ProfilePhotoLoader.h"

#include "Http.h"
#include "HttpCancellation.h"

#include <QPointer>
#include <QUrl>

#include <algorithm>
#include <utility>

ProfilePhotoLoader::~ProfilePhotoLoader()
{
    cancelDownload();
}

void ProfilePhotoLoader::setPictureURL(const QString &pictureURL)
{
    if (pictureURL == m_pictureURL)
        return;
    m_pictureURL = pictureURL;
    emit pictureURLChanged();

    cancelDownload();
    const QUrl url(pictureURL, QUrl::StrictMode);
    if (pictureURL.isEmpty() || !url.isValid() || url.isRelative()) {
        setImage({});
        return;
    }
    m_download = std::make_shared<HttpCancellation>();
    // Runs by itself; its outcome is applied inside load().
    load(url, m_download);
}

void ProfilePhotoLoader::cancelDownload()
{
    if (auto download = std::exchange(m_download, nullptr))
        download->cancel();
}

qreal ProfilePhotoLoader::letterSize(qreal diameter)
{
    return std::max(minimumLetterSize, letterShare * diameter);
}

QCoro::Task<> ProfilePhotoLoader::load(QUrl url, std::shared_ptr<HttpCancellation> cancellation)
{
    HttpRequest request;
    request.url = std::move(url);
    request.cacheLoadControl = QNetworkRequest::PreferCache;
    request.timeout = timeout;
    request.setHeader(userAgentHeader, userAgent.toByteArray());
    request.cancellation = cancellation;

    QPointer self(this);
    const auto response = co_await Http::send(std::move(request));
    // A cancelled download was superseded or its loader is going away.
    if (!self || cancellation->isCancelled())
        co_return;
    m_download.reset();
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
