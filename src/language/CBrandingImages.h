// Loads branding images: customer files from the branding folders and the images built into
// the program (Qt resources ":/branding/icons/<id>-<size>.png" and
// ":/branding/bitmaps/<id>.png"). Works on QImage, so it may run on any thread.
#pragma once

#include <QImage>

#include <cstdint>
#include <string>

class CBrandingImages {
public:
    // An icon file (.ico with one or more sizes, or any image format Qt reads). With a width
    // and height above 0 the best-fitting image is chosen and scaled to that size; with 0 the
    // largest image at its natural size. A null image when the file is missing or corrupt.
    static QImage LoadIconFile(const std::string& path, int width, int height);
    // A bitmap file (.bmp or any image format Qt reads) at its natural size.
    static QImage LoadBitmapFile(const std::string& path);

    // The built-in icon with this resource id at the requested size (0: its largest size);
    // null when the program has no image with that id.
    static QImage BuiltInIcon(uint32_t resourceId, int width, int height);
    // The built-in bitmap with this resource id; null when there is none.
    static QImage BuiltInBitmap(uint32_t resourceId);

    // Sizes of the built-in icons, smallest first.
    static constexpr int kBuiltInSizes[] = {16, 32, 48};
};
