// Bitmaps in memory and the reading of .bmp files.
#include "platform/WinBitmap.h"

#include "platform/Diagnostics.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <unordered_map>

namespace win {

namespace {

// The largest .bmp file read (a 16384 x 16384 32-bit picture is 1 GiB; toolbar strips are
// tiny): bigger files are refused before they are read.
constexpr std::uintmax_t kMaxBmpFileBytes = 64u * 1024u * 1024u;

struct BitmapTable {
    std::mutex mutex;
    std::unordered_map<HBITMAP, BitmapPixels> bitmaps;
    HBITMAP next = 0x00020001;
};

BitmapTable& Table() {
    static BitmapTable* table = new BitmapTable;
    return *table;
}

std::uint32_t ReadU32(const std::string& b, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24);
}

std::uint16_t ReadU16(const std::string& b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      (static_cast<unsigned char>(b[at + 1]) << 8));
}

bool Fail(std::string* error, const std::string& reason) {
    if (error != nullptr) {
        *error = reason;
    }
    return false;
}

} // namespace

HBITMAP CreateBitmapFromPixels(const BitmapPixels& pixels) {
    if (pixels.width < 1 || pixels.height < 1 || pixels.width > BITMAP_MAX_SIDE ||
        pixels.height > BITMAP_MAX_SIDE ||
        pixels.pixels.size() !=
            static_cast<std::size_t>(pixels.width) * static_cast<std::size_t>(pixels.height)) {
        return 0;
    }
    BitmapTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    while (t.next == 0 || t.bitmaps.count(t.next) != 0) {
        ++t.next;
    }
    HBITMAP handle = t.next++;
    t.bitmaps[handle] = pixels;
    return handle;
}

bool GetBitmapPixels(HBITMAP bitmap, BitmapPixels* out) {
    BitmapTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    auto it = t.bitmaps.find(bitmap);
    if (it == t.bitmaps.end()) {
        return false;
    }
    if (out != nullptr) {
        *out = it->second;
    }
    return true;
}

bool DeleteObject(HBITMAP bitmap) {
    BitmapTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    return t.bitmaps.erase(bitmap) != 0;
}

bool DecodeBmp(const std::string& bytes, BitmapPixels* out, std::string* error) {
    constexpr std::size_t kFileHeader = 14;
    if (bytes.size() < kFileHeader + 40 || bytes[0] != 'B' || bytes[1] != 'M') {
        return Fail(error, "not a BMP file");
    }
    const std::uint32_t dataOffset = ReadU32(bytes, 10);
    const std::uint32_t infoSize = ReadU32(bytes, 14);
    if (infoSize < 40 || infoSize > bytes.size() - kFileHeader) {
        return Fail(error, "bad info header size");
    }
    const auto width = static_cast<std::int32_t>(ReadU32(bytes, 18));
    const auto rawHeight = static_cast<std::int32_t>(ReadU32(bytes, 22));
    const std::uint16_t planes = ReadU16(bytes, 26);
    const std::uint16_t bpp = ReadU16(bytes, 28);
    const std::uint32_t compression = ReadU32(bytes, 30);
    if (planes != 1) {
        return Fail(error, "bad plane count");
    }
    if (bpp != 24 && bpp != 32) {
        return Fail(error, "only 24- and 32-bit bitmaps are read");
    }
    // BI_RGB; BI_BITFIELDS only with the usual 32-bit masks (BGRA order).
    constexpr std::uint32_t kBiRgb = 0;
    constexpr std::uint32_t kBiBitfields = 3;
    if (compression == kBiBitfields) {
        // The masks follow a 40-byte header, or are part of a longer one.
        if (bpp != 32 || bytes.size() < 66 || dataOffset < 66 || ReadU32(bytes, 54) != 0x00FF0000 ||
            ReadU32(bytes, 58) != 0x0000FF00 || ReadU32(bytes, 62) != 0x000000FF) {
            return Fail(error, "unsupported colour masks");
        }
    } else if (compression != kBiRgb) {
        return Fail(error, "compressed bitmaps are not read");
    }
    if (rawHeight == INT32_MIN || width < 1 || width > BITMAP_MAX_SIDE || rawHeight == 0 ||
        std::abs(rawHeight) > BITMAP_MAX_SIDE) {
        return Fail(error, "bad size");
    }
    const bool topDown = rawHeight < 0;
    const int height = std::abs(rawHeight);
    const std::size_t bytesPerPixel = bpp / 8u;
    const std::size_t stride = (static_cast<std::size_t>(width) * bytesPerPixel + 3u) & ~3u;
    const std::size_t needed = stride * static_cast<std::size_t>(height);
    if (dataOffset < kFileHeader + infoSize || dataOffset > bytes.size() ||
        bytes.size() - dataOffset < needed) {
        return Fail(error, "pixel data missing or truncated");
    }
    BitmapPixels pixels;
    pixels.width = width;
    pixels.height = height;
    pixels.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    bool anyAlpha = false;
    for (int row = 0; row < height; ++row) {
        const int fileRow = topDown ? row : height - 1 - row;
        const std::size_t base = dataOffset + static_cast<std::size_t>(fileRow) * stride;
        for (int col = 0; col < width; ++col) {
            const std::size_t at = base + static_cast<std::size_t>(col) * bytesPerPixel;
            const auto blue = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at]));
            const auto green =
                static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1]));
            const auto red = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 2]));
            std::uint32_t alpha = 0xFF;
            if (bpp == 32) {
                alpha = static_cast<unsigned char>(bytes[at + 3]);
                anyAlpha = anyAlpha || alpha != 0;
            }
            pixels.pixels[static_cast<std::size_t>(row) * static_cast<std::size_t>(width) +
                          static_cast<std::size_t>(col)] =
                (alpha << 24) | (red << 16) | (green << 8) | blue;
        }
    }
    if (bpp == 32 && !anyAlpha) {
        // Most 32-bit files leave the fourth byte unused (all 0): they are opaque.
        for (std::uint32_t& p : pixels.pixels) {
            p |= 0xFF000000u;
        }
    }
    if (out != nullptr) {
        *out = std::move(pixels);
    }
    return true;
}

HANDLE_OBJECT LoadImage(HINSTANCE, const std::string& name, UINT type, int cx, int cy, UINT flags) {
    if (type != IMAGE_BITMAP || (flags & LR_LOADFROMFILE) == 0 || cx != 0 || cy != 0) {
        platform::ReportDiagnostic("win::LoadImage",
                                   "Only bitmaps from files, unscaled, can be loaded");
        return 0;
    }
    std::ifstream in(name, std::ios::binary | std::ios::ate);
    if (!in) {
        platform::ReportDiagnostic("win::LoadImage", "Cannot open " + name);
        return 0;
    }
    const std::streamoff size = in.tellg();
    if (size < 0 || static_cast<std::uintmax_t>(size) > kMaxBmpFileBytes) {
        platform::ReportDiagnostic("win::LoadImage", "Too large or unreadable: " + name);
        return 0;
    }
    std::string bytes(static_cast<std::size_t>(size), '\0');
    in.seekg(0);
    if (!in.read(bytes.data(), size)) {
        platform::ReportDiagnostic("win::LoadImage", "Cannot read " + name);
        return 0;
    }
    BitmapPixels pixels;
    std::string error;
    if (!DecodeBmp(bytes, &pixels, &error)) {
        platform::ReportDiagnostic("win::LoadImage", "Damaged bitmap " + name + ": " + error);
        return 0;
    }
    return CreateBitmapFromPixels(pixels);
}

} // namespace win
