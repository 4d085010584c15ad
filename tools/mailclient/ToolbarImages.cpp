#include "ToolbarImages.h"

#include <cstdlib>

namespace mailclient {

namespace {

constexpr int N = kToolbarImageSize;

// One picture being drawn: ARGB pixels, with clipping.
class Canvas {
public:
    Canvas() : m_pixels(N * N, 0) {}

    void Set(int x, int y, std::uint32_t c) {
        if (x >= 0 && y >= 0 && x < N && y < N) {
            m_pixels[static_cast<std::size_t>(y * N + x)] = c;
        }
    }
    void Fill(int x0, int y0, int x1, int y1, std::uint32_t c) {
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                Set(x, y, c);
            }
        }
    }
    void Frame(int x0, int y0, int x1, int y1, std::uint32_t c) {
        Line(x0, y0, x1, y0, c);
        Line(x0, y1, x1, y1, c);
        Line(x0, y0, x0, y1, c);
        Line(x1, y0, x1, y1, c);
    }
    void Line(int x0, int y0, int x1, int y1, std::uint32_t c) {
        const int dx = std::abs(x1 - x0);
        const int dy = -std::abs(y1 - y0);
        const int sx = x0 < x1 ? 1 : -1;
        const int sy = y0 < y1 ? 1 : -1;
        int err = dx + dy;
        for (;;) {
            Set(x0, y0, c);
            if (x0 == x1 && y0 == y1) {
                break;
            }
            const int e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                x0 += sx;
            }
            if (e2 <= dx) {
                err += dx;
                y0 += sy;
            }
        }
    }
    void Ring(int cx, int cy, int r, std::uint32_t c) {
        for (int y = -r - 1; y <= r + 1; ++y) {
            for (int x = -r - 1; x <= r + 1; ++x) {
                const int d = x * x + y * y;
                if (d >= (r - 1) * (r - 1) + 1 && d <= r * r + 1) {
                    Set(cx + x, cy + y, c);
                }
            }
        }
    }
    // The picture `size` pixels square: each pixel repeated (nearest neighbour) when larger.
    win::HBITMAP Bitmap(int size) const {
        win::BitmapPixels pixels;
        pixels.width = size;
        pixels.height = size;
        pixels.pixels.resize(static_cast<std::size_t>(size * size));
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                pixels.pixels[static_cast<std::size_t>(y * size + x)] =
                    m_pixels[static_cast<std::size_t>((y * N / size) * N + x * N / size)];
            }
        }
        return win::CreateBitmapFromPixels(pixels);
    }

private:
    std::vector<std::uint32_t> m_pixels;
};

constexpr std::uint32_t kInk = 0xFF30343C;
constexpr std::uint32_t kPaper = 0xFFFFFFFF;

std::uint32_t Accent(bool hot, std::uint32_t normal, std::uint32_t bright) {
    return hot ? bright : normal;
}

void Envelope(Canvas& c, int x0, int y0, int x1, int y1) {
    c.Fill(x0, y0, x1, y1, kPaper);
    c.Frame(x0, y0, x1, y1, kInk);
    const int mid = (x0 + x1) / 2;
    c.Line(x0, y0, mid, (y0 + y1) / 2 + 1, kInk);
    c.Line(x1, y0, mid + 1, (y0 + y1) / 2 + 1, kInk);
}

// An arrow pointing left (dir -1) or right (dir 1) with its tip at (tipX, y).
void Arrow(Canvas& c, int tipX, int y, int dir, std::uint32_t colour) {
    for (int i = 0; i < 4; ++i) {
        c.Line(tipX - dir * i, y - i, tipX - dir * i, y + i, colour);
    }
    c.Fill(dir < 0 ? tipX + 3 : tipX - 8, y - 1, dir < 0 ? tipX + 8 : tipX - 3, y + 1, colour);
}

void Draw(Canvas& c, int image, bool hot) {
    const std::uint32_t blue = Accent(hot, 0xFF2A62C9, 0xFF3D86FF);
    const std::uint32_t green = Accent(hot, 0xFF2E9B3E, 0xFF3CCB52);
    const std::uint32_t red = Accent(hot, 0xFFC8352B, 0xFFFF4A3A);
    const std::uint32_t gold = Accent(hot, 0xFFE0A800, 0xFFFFC83A);
    switch (image) {
    case kImageNewMail:
        Envelope(c, 1, 4, 13, 13);
        c.Fill(11, 0, 15, 4, gold);
        c.Line(13, 0, 13, 5, kInk);
        c.Line(11, 2, 15, 2, kInk);
        break;
    case kImageReply:
        Envelope(c, 4, 5, 15, 14);
        Arrow(c, 0, 4, -1, blue);
        break;
    case kImageReplyAll:
        Envelope(c, 5, 6, 15, 14);
        Arrow(c, 3, 4, -1, blue);
        Arrow(c, 0, 4, -1, Accent(hot, 0xFF6B93DB, 0xFF88B2FF));
        break;
    case kImageForward:
        Envelope(c, 0, 5, 11, 14);
        Arrow(c, 15, 4, 1, blue);
        break;
    case kImagePrint:
        c.Fill(4, 1, 11, 6, kPaper);
        c.Frame(4, 1, 11, 6, kInk);
        c.Fill(1, 6, 14, 12, Accent(hot, 0xFF9AA0A8, 0xFFB8BEC6));
        c.Frame(1, 6, 14, 12, kInk);
        c.Fill(4, 10, 11, 15, kPaper);
        c.Frame(4, 10, 11, 15, kInk);
        c.Set(12, 8, green);
        break;
    case kImageDelete:
        for (int d = -1; d <= 1; ++d) {
            c.Line(2 + d, 2, 13 + d, 13, red);
            c.Line(13 + d, 2, 2 + d, 13, red);
        }
        break;
    case kImageSendReceive:
        Envelope(c, 2, 6, 13, 14);
        for (int i = 0; i < 3; ++i) {
            c.Line(4 - i, 3 + i, 4 + i, 3 + i, green);
            c.Line(11 - i, 4 - i, 11 + i, 4 - i, blue);
        }
        c.Line(4, 3, 4, 6, green);
        c.Line(11, 1, 11, 4, blue);
        break;
    case kImageAddressBook:
        c.Fill(3, 1, 13, 14, Accent(hot, 0xFF8A5A2B, 0xFFB0763A));
        c.Frame(3, 1, 13, 14, kInk);
        c.Fill(6, 4, 11, 7, kPaper);
        c.Line(5, 1, 5, 14, kInk);
        break;
    case kImageFind:
        c.Ring(6, 6, 4, kInk);
        c.Fill(4, 4, 8, 8, Accent(hot, 0xFFCFE3FF, 0xFFE6F0FF));
        for (int d = 0; d <= 1; ++d) {
            c.Line(9 + d, 10, 14 + d, 15, kInk);
        }
        break;
    default: {
        // A picture of a button that is not on the toolbar: a soft tile with its number's
        // pattern, so each image differs.
        const std::uint32_t tile = 0xFFB0B8C4 - static_cast<std::uint32_t>((image % 8) * 0x0A0A00);
        c.Fill(2, 2, 13, 13, tile);
        c.Frame(2, 2, 13, 13, 0xFF707884);
        for (int bit = 0; bit < 6; ++bit) {
            if ((image >> bit) & 1) {
                c.Fill(4 + (bit % 3) * 3, 5 + (bit / 3) * 4, 5 + (bit % 3) * 3, 6 + (bit / 3) * 4,
                       kInk);
            }
        }
    }
    }
}

} // namespace

win::HIMAGELIST CreateToolbarImageList(int count, bool hot, int size) {
    if (size < kToolbarImageSize || size > kMaxToolbarImageSize) {
        return 0;
    }
    const win::HIMAGELIST list =
        win::ImageList_Create(size, size, win::ILC_COLOR32 | win::ILC_MASK, count, 8);
    if (list == 0) {
        return 0;
    }
    for (int i = 0; i < count; ++i) {
        Canvas canvas;
        Draw(canvas, i, hot);
        const win::HBITMAP bitmap = canvas.Bitmap(size);
        win::ImageList_Add(list, bitmap, 0);
        win::DeleteObject(bitmap);
    }
    return list;
}

} // namespace mailclient
