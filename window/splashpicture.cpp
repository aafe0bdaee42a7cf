#include "window/splashpicture.h"

#include <QApplication>
#include <QImage>
#include <QThread>

#include <memory>

namespace {

const QString kSplashPicture = QStringLiteral("./images/init.png");
// The same picture at twice the pixels, for a screen scaled by more than 1.
const QString kSplashPictureAt2x = QStringLiteral("./images/init@2x.png");
constexpr QSize kContentSize(960, 540);

// Stretched to the content area whatever the picture's own size, from the larger picture on a scaled screen where
// there is one.
QImage decodeSplashPicture(qreal ratio)
{
    QImage picture(ratio > 1 ? kSplashPictureAt2x : kSplashPicture);
    if (picture.isNull() && ratio > 1)
        picture.load(kSplashPicture);
    if (picture.isNull())
        return picture;
    picture = picture.scaled(kContentSize * ratio, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    // In the form the screen's pixmaps take, so that the pixmap made of it on the window's thread converts nothing.
    return picture.convertToFormat(
        picture.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
}

class SplashDecoder : public QThread
{
public:
    explicit SplashDecoder(qreal ratio)
        : m_ratio(ratio)
    {
    }
    // Waited for if nothing took the picture.
    ~SplashDecoder() override { wait(); }

    QImage take()
    {
        wait();
        return std::move(m_picture);
    }

private:
    void run() override { m_picture = decodeSplashPicture(m_ratio); }

    const qreal m_ratio;
    QImage m_picture;
};

std::unique_ptr<SplashDecoder> g_preloaded;

} // namespace

SplashPicturePreload::SplashPicturePreload()
{
    g_preloaded = std::make_unique<SplashDecoder>(qApp->devicePixelRatio());
    g_preloaded->start();
}

SplashPicturePreload::~SplashPicturePreload()
{
    g_preloaded.reset();
}

QPixmap splashPicture()
{
    const qreal ratio = qApp->devicePixelRatio();
    QImage picture = g_preloaded ? g_preloaded->take() : decodeSplashPicture(ratio);
    g_preloaded.reset();
    if (picture.isNull())
        return QPixmap();
    QPixmap pixmap = QPixmap::fromImage(std::move(picture));
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}
