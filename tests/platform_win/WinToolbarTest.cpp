// The toolbar control, image lists and bitmaps read from .bmp files.
#include "platform/WinToolbar.h"
#include "platform/Win.h"
#include "platform/WinSubclass.h"

#include "common/TestEnv.h"

#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>

using namespace win;

namespace {

TBBUTTON Button(int id, int image, int text, BYTE state = TBSTATE_ENABLED) {
    TBBUTTON b;
    b.idCommand = id;
    b.iBitmap = image;
    b.iString = text;
    b.fsState = state;
    b.fsStyle = BTNS_BUTTON;
    return b;
}

// A rebar with a toolbar in it; the rebar records what reaches it and answers tooltip
// requests with `tooltip`.
struct Bar {
    Bar() {
        WindowDesc desc;
        desc.className = "RebarWindow32";
        desc.x = 50;
        desc.y = 60;
        rebar = CreateWindow(desc, [this](HWND, UINT m, WPARAM w, LPARAM l) -> LRESULT {
            if (m == WM_COMMAND) {
                commands.emplace_back(w, l);
            }
            if (m == WM_NOTIFY) {
                auto* info = reinterpret_cast<NMTTDISPINFOW*>(l);
                if (info->hdr.code == TTN_GETDISPINFOW) {
                    askedFor = info->hdr.idFrom;
                    answer(info);
                }
            }
            return 0;
        });
        desc.className = TOOLBARCLASSNAME;
        desc.parent = rebar;
        desc.controlId = 2101;
        desc.x = 5;
        desc.y = 5;
        toolbar = CreateWindow(desc, nullptr);
    }
    ~Bar() { DestroyWindow(rebar); }
    LRESULT Send(UINT m, WPARAM w, LPARAM l) { return SendMessage(toolbar, m, w, l); }
    template <typename T> LRESULT Send(UINT m, WPARAM w, T* p) {
        return SendMessage(toolbar, m, w, reinterpret_cast<LPARAM>(p));
    }

    HWND rebar = 0;
    HWND toolbar = 0;
    std::vector<std::pair<WPARAM, LPARAM>> commands;
    UINT_PTR askedFor = 0;
    std::function<void(NMTTDISPINFOW*)> answer = [](NMTTDISPINFOW*) {};
};

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

void PutU32(std::string& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
}

// A bottom-up BMP of width x height; pixel(x, y) gives 0xAARRGGBB with y from the top.
std::string MakeBmp(int width, int height, int bpp,
                    const std::function<std::uint32_t(int, int)>& pixel) {
    const int bytesPer = bpp / 8;
    const int stride = (width * bytesPer + 3) & ~3;
    std::string data;
    for (int row = height - 1; row >= 0; --row) {
        std::string line;
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = pixel(x, row);
            line.push_back(static_cast<char>(p & 0xFF));
            line.push_back(static_cast<char>((p >> 8) & 0xFF));
            line.push_back(static_cast<char>((p >> 16) & 0xFF));
            if (bpp == 32) {
                line.push_back(static_cast<char>((p >> 24) & 0xFF));
            }
        }
        line.resize(static_cast<std::size_t>(stride), '\0');
        data += line;
    }
    std::string b = "BM";
    PutU32(b, static_cast<std::uint32_t>(54 + data.size()));
    PutU32(b, 0);
    PutU32(b, 54);
    PutU32(b, 40);
    PutU32(b, static_cast<std::uint32_t>(width));
    PutU32(b, static_cast<std::uint32_t>(height));
    b += std::string("\x01\x00", 2);
    b.push_back(static_cast<char>(bpp));
    b.push_back('\0');
    PutU32(b, 0); // BI_RGB
    PutU32(b, static_cast<std::uint32_t>(data.size()));
    PutU32(b, 2835);
    PutU32(b, 2835);
    PutU32(b, 0);
    PutU32(b, 0);
    return b + data;
}

} // namespace

TEST(WinToolbar, ButtonsAreAddedFoundChangedAndDeleted) {
    Bar bar;
    ASSERT_NE(bar.toolbar, 0u);
    EXPECT_EQ(GetClassName(bar.toolbar), "ToolbarWindow32");
    EXPECT_EQ(bar.Send(TB_BUTTONCOUNT, 0, 0), 0);
    EXPECT_EQ(bar.Send(TB_ADDSTRING, 0, "Reply\0Forward\0"), 0) << "index of the first";
    EXPECT_EQ(bar.Send(TB_ADDSTRING, 0, "Create SMS\0"), 2);
    EXPECT_EQ(bar.Send(TB_ADDSTRING, 0, ""), -1) << "no text in the list";
    TBBUTTON two[2] = {Button(40176, 0, 0), Button(40180, 1, 1)};
    EXPECT_EQ(bar.Send(TB_ADDBUTTONS, 2, two), 1);
    TBBUTTON sms = Button(33988, 61, 2);
    EXPECT_EQ(bar.Send(TB_INSERTBUTTON, 1, &sms), 1);
    TBBUTTON far = Button(7, 0, -1);
    EXPECT_EQ(bar.Send(TB_INSERTBUTTON, 99, &far), 1) << "past the end appends";
    EXPECT_EQ(bar.Send(TB_BUTTONCOUNT, 0, 0), 4);
    EXPECT_EQ(bar.Send(TB_COMMANDTOINDEX, 33988, 0), 1);
    EXPECT_EQ(bar.Send(TB_COMMANDTOINDEX, 40180, 0), 2);
    EXPECT_EQ(bar.Send(TB_COMMANDTOINDEX, 12345, 0), -1);
    TBBUTTON got;
    ASSERT_EQ(bar.Send(TB_GETBUTTON, 1, &got), 1);
    EXPECT_EQ(got.idCommand, 33988);
    EXPECT_EQ(got.iBitmap, 61);
    EXPECT_EQ(bar.Send(TB_GETBUTTON, 4, &got), 0);
    EXPECT_EQ(ToolbarGetButtonText(bar.toolbar, 1), "Create SMS");
    EXPECT_EQ(ToolbarGetButtonText(bar.toolbar, 3), "");
    EXPECT_EQ(bar.Send(TB_GETBUTTONTEXT, 40176, 0), 5);

    EXPECT_EQ(bar.Send(TB_GETSTATE, 33988, 0), TBSTATE_ENABLED);
    EXPECT_EQ(bar.Send(TB_SETSTATE, 33988, MAKELPARAM(TBSTATE_HIDDEN, 0)), 1);
    EXPECT_EQ(bar.Send(TB_GETSTATE, 33988, 0), TBSTATE_HIDDEN);
    EXPECT_EQ(bar.Send(TB_SETSTATE, 12345, MAKELPARAM(TBSTATE_ENABLED, 0)), 0);
    EXPECT_EQ(bar.Send(TB_GETSTATE, 12345, 0), -1);

    EXPECT_EQ(bar.Send(TB_DELETEBUTTON, 1, 0), 1);
    EXPECT_EQ(bar.Send(TB_COMMANDTOINDEX, 33988, 0), -1);
    EXPECT_EQ(bar.Send(TB_COMMANDTOINDEX, 40180, 0), 1);
    EXPECT_EQ(bar.Send(TB_DELETEBUTTON, 3, 0), 0);
    EXPECT_EQ(bar.Send(TB_BUTTONCOUNT, 0, 0), 3);
}

TEST(WinToolbar, AClickReachesTheParentOnlyOnAnEnabledVisibleButton) {
    Bar bar;
    TBBUTTON buttons[3] = {Button(40176, 0, -1), Button(33988, 61, -1), Button(40180, 1, -1, 0)};
    bar.Send(TB_ADDBUTTONS, 3, buttons);
    // A subclass of the toolbar sees the mouse as a user's click would produce it.
    std::vector<UINT> mouse;
    static LONG_PTR previous = 0;
    static std::vector<UINT>* record = nullptr;
    record = &mouse;
    previous = SetWindowLongPtr(
        bar.toolbar, GWLP_WNDPROC,
        reinterpret_cast<LONG_PTR>(+[](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
            if (m == WM_LBUTTONDOWN || m == WM_LBUTTONUP) {
                record->push_back(m);
            }
            return CallWindowProc(previous, h, m, w, l);
        }));
    ASSERT_TRUE(ToolbarClickButton(bar.toolbar, 1));
    ASSERT_EQ(bar.commands.size(), 1u);
    EXPECT_EQ(bar.commands[0].first, MAKEWPARAM(33988, BN_CLICKED));
    EXPECT_EQ(bar.commands[0].second, static_cast<LPARAM>(bar.toolbar));
    EXPECT_EQ(mouse, (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP}));
    POINT cursor;
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor.x, 50 + 5 + TOOLBAR_BUTTON_WIDTH + TOOLBAR_BUTTON_WIDTH / 2);
    EXPECT_FALSE(ToolbarClickButton(bar.toolbar, 3));
    EXPECT_TRUE(ToolbarClickButton(bar.toolbar, 2)) << "the click happens";
    EXPECT_EQ(bar.commands.size(), 1u) << "but a disabled button sends nothing";
    // A hidden button takes no room: the next one moves into its place.
    bar.Send(TB_SETSTATE, 40176, MAKELPARAM(TBSTATE_HIDDEN, 0));
    ASSERT_TRUE(ToolbarClickButton(bar.toolbar, 1));
    EXPECT_EQ(bar.commands.size(), 2u);
    SetWindowLongPtr(bar.toolbar, GWLP_WNDPROC, previous);
}

TEST(WinToolbar, TooltipsAreAskedOfTheParentAndCutToTheirBuffer) {
    Bar bar;
    TBBUTTON sms = Button(33988, 61, -1);
    bar.Send(TB_INSERTBUTTON, 0, &sms);
    EXPECT_EQ(ToolbarGetTooltip(bar.toolbar, 0), "") << "nobody answers";
    EXPECT_EQ(bar.askedFor, 33988u);

    bar.answer = [](NMTTDISPINFOW* info) { SetTooltipText(info, "Write SMS Message"); };
    EXPECT_EQ(ToolbarGetTooltip(bar.toolbar, 0), "Write SMS Message");

    // 100 characters outside ASCII (two UTF-8 bytes each): 79 of them arrive.
    std::string longText;
    for (int i = 0; i < 100; ++i) {
        longText += "\xC3\xA9";
    }
    bar.answer = [&](NMTTDISPINFOW* info) { SetTooltipText(info, longText); };
    EXPECT_EQ(ToolbarGetTooltip(bar.toolbar, 0), longText.substr(0, 79 * 2));

    // A pair of UTF-16 halves at the cut is dropped whole.
    std::string emoji = std::string(78, 'a') + "\xF0\x9F\x93\xB1" + "tail";
    bar.answer = [&](NMTTDISPINFOW* info) { SetTooltipText(info, emoji); };
    EXPECT_EQ(ToolbarGetTooltip(bar.toolbar, 0), std::string(78, 'a'));

    // An answer that fills the whole buffer without a terminator is read only to 79.
    bar.answer = [](NMTTDISPINFOW* info) {
        std::fill(std::begin(info->szText), std::end(info->szText), u'x');
    };
    EXPECT_EQ(ToolbarGetTooltip(bar.toolbar, 0), std::string(79, 'x'));

    // A text of the answerer's own, pointed at.
    static const char16_t own[] = u"Schreiben";
    bar.answer = [](NMTTDISPINFOW* info) { info->lpszText = const_cast<WCHAR*>(own); };
    EXPECT_EQ(ToolbarGetTooltip(bar.toolbar, 0), "Schreiben");
    EXPECT_EQ(ToolbarGetTooltip(bar.toolbar, 1), "") << "no such button";
}

TEST(WinToolbar, ImageListsSplitStripsAndMakeMagentaTransparent) {
    Bar bar;
    HIMAGELIST normal = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 0, 4);
    HIMAGELIST hot = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 0, 4);
    ASSERT_NE(normal, 0u);
    EXPECT_EQ(ImageList_Create(0, 16, 0, 0, 0), 0u);
    EXPECT_EQ(bar.Send(TB_SETIMAGELIST, 0, static_cast<LPARAM>(normal)), 0);
    EXPECT_EQ(bar.Send(TB_SETHOTIMAGELIST, 0, static_cast<LPARAM>(hot)), 0);
    EXPECT_EQ(static_cast<HIMAGELIST>(bar.Send(TB_GETIMAGELIST, 0, 0)), normal);
    EXPECT_EQ(static_cast<HIMAGELIST>(bar.Send(TB_GETHOTIMAGELIST, 0, 0)), hot);
    int cx = 0;
    int cy = 0;
    ASSERT_TRUE(ImageList_GetIconSize(normal, &cx, &cy));
    EXPECT_EQ(cx, 16);
    EXPECT_EQ(cy, 16);

    // A strip of three images and a rest narrower than one (dropped); the left column of
    // each image is magenta.
    BitmapPixels strip;
    strip.width = 16 * 3 + 5;
    strip.height = 16;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < strip.width; ++x) {
            strip.pixels.push_back(x % 16 == 0 ? 0xFFFF00FFu
                                               : 0xFF000000u + static_cast<std::uint32_t>(x));
        }
    }
    HBITMAP bitmap = CreateBitmapFromPixels(strip);
    ASSERT_NE(bitmap, 0u);
    EXPECT_EQ(ImageList_AddMasked(normal, bitmap, CLR_MAGENTA), 0);
    EXPECT_EQ(ImageList_AddMasked(normal, bitmap, RGB(255, 0, 255)), 3);
    EXPECT_EQ(ImageList_GetImageCount(normal), 6);
    BitmapPixels image;
    ASSERT_TRUE(ImageList_GetImagePixels(normal, 1, &image));
    EXPECT_EQ(image.pixels[0], 0u) << "magenta became transparent";
    EXPECT_EQ(image.pixels[1], 0xFF000000u + 17);
    EXPECT_EQ(ImageList_Add(hot, bitmap, 0), 0);
    ASSERT_TRUE(ImageList_GetImagePixels(hot, 0, &image));
    EXPECT_EQ(image.pixels[0], 0xFFFF00FFu) << "no mask: kept";

    // Cut or extend the list, as the hook library does to line up its images.
    EXPECT_TRUE(ImageList_SetImageCount(normal, 2));
    EXPECT_EQ(ImageList_GetImageCount(normal), 2);
    EXPECT_TRUE(ImageList_SetImageCount(normal, 61));
    EXPECT_EQ(ImageList_AddMasked(normal, bitmap, CLR_MAGENTA), 61);
    EXPECT_TRUE(ImageList_Remove(normal, -1));
    EXPECT_EQ(ImageList_GetImageCount(normal), 0);

    BitmapPixels narrow;
    narrow.width = 8;
    narrow.height = 16;
    narrow.pixels.assign(8 * 16, 0xFF000000u);
    HBITMAP small = CreateBitmapFromPixels(narrow);
    EXPECT_EQ(ImageList_Add(normal, small, 0), -1) << "narrower than one image";
    narrow.pixels.pop_back();
    EXPECT_EQ(CreateBitmapFromPixels(narrow), 0u) << "pixel count does not match the size";
    DeleteObject(small);
    DeleteObject(bitmap);
    EXPECT_EQ(ImageList_AddMasked(normal, bitmap, CLR_MAGENTA), -1) << "deleted bitmap";
    ImageList_Destroy(normal);
    ImageList_Destroy(hot);
    EXPECT_EQ(ImageList_GetImageCount(normal), 0);
}

TEST(WinToolbar, BmpFilesAreReadAndDamagedOnesRefused) {
    const std::string dir = twtest::MakeTempDir("bmp");
    auto pattern = [](int x, int y) -> std::uint32_t {
        return 0xFF000000u | (static_cast<std::uint32_t>(x) << 16) |
               (static_cast<std::uint32_t>(y) << 8) | 0x33u;
    };
    const std::string good24 = MakeBmp(3, 2, 24, pattern);
    WriteFile(dir + "/btnCreateSmsNormalSmall.bmp", good24);
    HBITMAP b24 = static_cast<HBITMAP>(LoadImage(nullptr, dir + "/btnCreateSmsNormalSmall.bmp",
                                                 IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    ASSERT_NE(b24, 0u);
    BitmapPixels px;
    ASSERT_TRUE(GetBitmapPixels(b24, &px));
    EXPECT_EQ(px.width, 3);
    EXPECT_EQ(px.height, 2);
    EXPECT_EQ(px.pixels[0], pattern(0, 0)) << "bottom-up rows come out top first";
    EXPECT_EQ(px.pixels[5], pattern(2, 1));

    // 32 bits with the fourth byte unused (0) reads as opaque; with alpha it is kept.
    BitmapPixels p32;
    ASSERT_TRUE(DecodeBmp(MakeBmp(2, 2, 32, [](int, int) { return 0x00112233u; }), &p32, nullptr));
    EXPECT_EQ(p32.pixels[3], 0xFF112233u);
    ASSERT_TRUE(DecodeBmp(MakeBmp(2, 2, 32, [](int x, int) { return x == 0 ? 0x80112233u : 0u; }),
                          &p32, nullptr));
    EXPECT_EQ(p32.pixels[0], 0x80112233u);
    EXPECT_EQ(p32.pixels[1], 0u);

    struct Damage {
        const char* what;
        std::string bytes;
    };
    std::string truncated = good24.substr(0, good24.size() - 1);
    std::string hugeWidth = good24;
    hugeWidth[18 + 3] = 0x7F; // width 0x7F000003
    std::string offsetPastEnd = good24;
    offsetPastEnd[10 + 2] = 0x10;
    std::string compressed = good24;
    compressed[30] = 1; // RLE8
    std::string eightBit = good24;
    eightBit[28] = 8;
    std::string zeroHeight = good24;
    for (int i = 22; i < 26; ++i) {
        zeroHeight[static_cast<std::size_t>(i)] = 0;
    }
    std::string minHeight = good24;
    minHeight[22] = 0;
    minHeight[23] = 0;
    minHeight[24] = 0;
    minHeight[25] = static_cast<char>(0x80); // INT32_MIN
    std::string badInfo = good24;
    badInfo[14] = static_cast<char>(0xFF);
    badInfo[15] = static_cast<char>(0xFF);
    const Damage damaged[] = {
        {"empty", ""},
        {"not a bitmap", "GIF89a" + std::string(60, '\0')},
        {"truncated pixels", truncated},
        {"header only", good24.substr(0, 30)},
        {"huge width", hugeWidth},
        {"data offset past the end", offsetPastEnd},
        {"compressed", compressed},
        {"8 bits", eightBit},
        {"zero height", zeroHeight},
        {"smallest height", minHeight},
        {"info header larger than the file", badInfo},
    };
    for (const Damage& d : damaged) {
        std::string error;
        EXPECT_FALSE(DecodeBmp(d.bytes, &px, &error)) << d.what;
        EXPECT_FALSE(error.empty()) << d.what;
        WriteFile(dir + "/damaged.bmp", d.bytes);
        EXPECT_EQ(LoadImage(nullptr, dir + "/damaged.bmp", IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE), 0u)
            << d.what;
    }
    EXPECT_EQ(LoadImage(nullptr, dir + "/missing.bmp", IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE), 0u);
    EXPECT_EQ(LoadImage(nullptr, dir + "/btnCreateSmsNormalSmall.bmp", IMAGE_BITMAP, 16, 16,
                        LR_LOADFROMFILE),
              0u)
        << "no scaling";
    DeleteObject(b24);
}
