#include "language/CBrandingImages.h"

#include <QFile>
#include <QImageReader>
#include <QString>

#include <cstdlib>
#include <vector>

namespace {

QImage Fit(const QImage& image, int width, int height) {
    if (image.isNull() || width <= 0 || height <= 0 ||
        (image.width() == width && image.height() == height))
        return image;
    return image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// Of several images, the one that matches the size, else the smallest larger one, else the
// largest; with no requested size the largest.
QImage Choose(const std::vector<QImage>& images, int width, int height) {
    const QImage* best = nullptr;
    auto area = [](const QImage& image) { return image.width() * image.height(); };
    if (width > 0 && height > 0) {
        for (const QImage& image : images) {
            if (image.width() == width && image.height() == height)
                return image;
        }
        for (const QImage& image : images) {
            if (image.width() >= width && image.height() >= height &&
                (best == nullptr || area(image) < area(*best)))
                best = &image;
        }
    }
    if (best == nullptr) {
        for (const QImage& image : images) {
            if (best == nullptr || area(image) > area(*best))
                best = &image;
        }
    }
    return best == nullptr ? QImage() : Fit(*best, width, height);
}

std::vector<QImage> ReadAll(const std::string& path) {
    std::vector<QImage> images;
    QImageReader reader(QString::fromStdString(path));
    reader.setDecideFormatFromContent(true);
    // A damaged file may claim many frames; a branding icon never needs more than a few.
    for (int frame = 0; frame < 64; ++frame) {
        QImage image = reader.read();
        if (image.isNull())
            break;
        images.push_back(std::move(image));
        if (!reader.jumpToNextImage())
            break;
    }
    return images;
}

} // namespace

QImage CBrandingImages::LoadIconFile(const std::string& path, int width, int height) {
    if (path.empty())
        return {};
    return Choose(ReadAll(path), width, height);
}

QImage CBrandingImages::LoadBitmapFile(const std::string& path) {
    if (path.empty())
        return {};
    QImageReader reader(QString::fromStdString(path));
    reader.setDecideFormatFromContent(true);
    return reader.read();
}

QImage CBrandingImages::BuiltInIcon(uint32_t resourceId, int width, int height) {
    std::vector<QImage> images;
    for (int size : kBuiltInSizes) {
        const QString name = QStringLiteral(":/branding/icons/%1-%2.png").arg(resourceId).arg(size);
        if (!QFile::exists(name))
            continue;
        QImage image(name);
        if (!image.isNull())
            images.push_back(std::move(image));
    }
    return Choose(images, width, height);
}

QImage CBrandingImages::BuiltInBitmap(uint32_t resourceId) {
    const QString name = QStringLiteral(":/branding/bitmaps/%1.png").arg(resourceId);
    if (resourceId == 0 || !QFile::exists(name))
        return {};
    return QImage(name);
}
