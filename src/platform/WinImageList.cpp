// Image lists: each a row of cx-by-cy images kept as separate pixel blocks.
#include "platform/WinImageList.h"

#include <algorithm>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace win {

namespace {

// Image lists are small (toolbars hold about a hundred images): this bound keeps a damaged
// request from growing one without end.
constexpr std::size_t kMaxImages = 65536;

struct ImageList {
    int cx = 0;
    int cy = 0;
    std::vector<std::vector<std::uint32_t>> images;
};

struct ImageListTable {
    std::mutex mutex;
    std::unordered_map<HIMAGELIST, ImageList> lists;
    HIMAGELIST next = 0x00030001;
};

ImageListTable& Table() {
    static ImageListTable* table = new ImageListTable;
    return *table;
}

// Splits `image` into the list's images; `keep(x, y)` says whether a pixel stays opaque.
template <typename Keep> int AddStrip(HIMAGELIST list, const BitmapPixels& image, Keep keep) {
    ImageListTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    auto it = t.lists.find(list);
    if (it == t.lists.end()) {
        return -1;
    }
    ImageList& l = it->second;
    const int count = image.width / l.cx;
    if (count < 1 || l.images.size() + static_cast<std::size_t>(count) > kMaxImages) {
        return -1;
    }
    const int first = static_cast<int>(l.images.size());
    for (int n = 0; n < count; ++n) {
        std::vector<std::uint32_t> pixels(static_cast<std::size_t>(l.cx) *
                                          static_cast<std::size_t>(l.cy));
        for (int y = 0; y < std::min(l.cy, image.height); ++y) {
            for (int x = 0; x < l.cx; ++x) {
                const int sx = n * l.cx + x;
                std::uint32_t p = image.pixels[static_cast<std::size_t>(y) *
                                                   static_cast<std::size_t>(image.width) +
                                               static_cast<std::size_t>(sx)];
                if (!keep(sx, y, p)) {
                    p = 0;
                }
                pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(l.cx) +
                       static_cast<std::size_t>(x)] = p;
            }
        }
        l.images.push_back(std::move(pixels));
    }
    return first;
}

} // namespace

HIMAGELIST ImageList_Create(int cx, int cy, UINT, int, int) {
    if (cx < 1 || cy < 1 || cx > BITMAP_MAX_SIDE || cy > BITMAP_MAX_SIDE) {
        return 0;
    }
    ImageListTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    while (t.next == 0 || t.lists.count(t.next) != 0) {
        ++t.next;
    }
    HIMAGELIST handle = t.next++;
    t.lists[handle] = ImageList{cx, cy, {}};
    return handle;
}

bool ImageList_Destroy(HIMAGELIST list) {
    ImageListTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    return t.lists.erase(list) != 0;
}

int ImageList_Add(HIMAGELIST list, HBITMAP image, HBITMAP mask) {
    BitmapPixels pixels;
    if (!GetBitmapPixels(image, &pixels)) {
        return -1;
    }
    if (mask == 0) {
        return AddStrip(list, pixels, [](int, int, std::uint32_t) { return true; });
    }
    BitmapPixels maskPixels;
    if (!GetBitmapPixels(mask, &maskPixels) || maskPixels.width != pixels.width ||
        maskPixels.height != pixels.height) {
        return -1;
    }
    return AddStrip(list, pixels, [&maskPixels](int x, int y, std::uint32_t) {
        const std::uint32_t m =
            maskPixels
                .pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(maskPixels.width) +
                        static_cast<std::size_t>(x)];
        return (m & 0x00FFFFFFu) == 0; // black keeps the pixel
    });
}

int ImageList_AddMasked(HIMAGELIST list, HBITMAP image, COLORREF transparent) {
    BitmapPixels pixels;
    if (!GetBitmapPixels(image, &pixels)) {
        return -1;
    }
    const std::uint32_t rgb = (static_cast<std::uint32_t>(GetRValue(transparent)) << 16) |
                              (static_cast<std::uint32_t>(GetGValue(transparent)) << 8) |
                              GetBValue(transparent);
    return AddStrip(list, pixels,
                    [rgb](int, int, std::uint32_t p) { return (p & 0x00FFFFFFu) != rgb; });
}

bool ImageList_Remove(HIMAGELIST list, int index) {
    ImageListTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    auto it = t.lists.find(list);
    if (it == t.lists.end()) {
        return false;
    }
    std::vector<std::vector<std::uint32_t>>& images = it->second.images;
    if (index == -1) {
        images.clear();
        return true;
    }
    if (index < 0 || static_cast<std::size_t>(index) >= images.size()) {
        return false;
    }
    images.erase(images.begin() + index);
    return true;
}

bool ImageList_SetImageCount(HIMAGELIST list, UINT count) {
    ImageListTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    auto it = t.lists.find(list);
    if (it == t.lists.end() || count > kMaxImages) {
        return false;
    }
    ImageList& l = it->second;
    l.images.resize(count, std::vector<std::uint32_t>(static_cast<std::size_t>(l.cx) *
                                                      static_cast<std::size_t>(l.cy)));
    return true;
}

int ImageList_GetImageCount(HIMAGELIST list) {
    ImageListTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    auto it = t.lists.find(list);
    return it == t.lists.end() ? 0 : static_cast<int>(it->second.images.size());
}

bool ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy) {
    ImageListTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    auto it = t.lists.find(list);
    if (it == t.lists.end()) {
        return false;
    }
    if (cx != nullptr) {
        *cx = it->second.cx;
    }
    if (cy != nullptr) {
        *cy = it->second.cy;
    }
    return true;
}

bool ImageList_GetImagePixels(HIMAGELIST list, int index, BitmapPixels* out) {
    ImageListTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    auto it = t.lists.find(list);
    if (it == t.lists.end() || index < 0 ||
        static_cast<std::size_t>(index) >= it->second.images.size()) {
        return false;
    }
    if (out != nullptr) {
        out->width = it->second.cx;
        out->height = it->second.cy;
        out->pixels = it->second.images[static_cast<std::size_t>(index)];
    }
    return true;
}

} // namespace win
