#include "hook/ToolbarButton.h"

#include "hook/LogStream.h"
#include "hook/OeHookDll.h"
#include "hook/OeWindows.h"
#include "hook/support/Exception/QException.h"

#include "platform/WinToolbar.h"

#include <algorithm>

namespace {

constexpr int kSmallImageWidth = 16;
// The image counts of the mail client's two picture sets.
constexpr int kSmallSetCount = 61;
constexpr int kLargeSetCount = 91;

// A bitmap read from a file, freed with the scope.
class Bitmap {
public:
    explicit Bitmap(const std::string& path)
        : m_bitmap(static_cast<win::HBITMAP>(
              win::LoadImage(nullptr, path, win::IMAGE_BITMAP, 0, 0, win::LR_LOADFROMFILE))) {
        if (m_bitmap == 0) {
            logging::LogStream(HookLog(), "ToolbarButton::AddButton")
                << "Failed to load bitmap: " << path;
        }
    }
    ~Bitmap() {
        if (m_bitmap != 0) {
            win::DeleteObject(m_bitmap);
        }
    }
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;
    win::HBITMAP Handle() const { return m_bitmap; }

private:
    win::HBITMAP m_bitmap;
};

win::HIMAGELIST ImageList(win::HWND toolbar, win::UINT message) {
    return static_cast<win::HIMAGELIST>(win::SendMessage(toolbar, message, 0, 0));
}

} // namespace

ToolbarButton::ToolbarButton(win::HWND toolbar, win::UINT command, int position, std::string text,
                             std::string bitmapBase)
    : m_toolbar(toolbar), m_command(command), m_position(position), m_text(std::move(text)),
      m_bitmapBase(std::move(bitmapBase)) {
    logging::LogStream(HookLog(), "ToolbarButton::ToolbarButton") << "Constructor";
    AddButton();
}

ToolbarButton::~ToolbarButton() {
    const char* const where = "ToolbarButton::~ToolbarButton";
    logging::LogStream(HookLog(), where) << "Destructor";
    if (m_toolbar == 0 || !win::IsWindow(m_toolbar)) {
        return;
    }
    logging::LogStream(HookLog(), where) << "Toolbar exists";
    const win::LRESULT index = win::SendMessage(m_toolbar, win::TB_COMMANDTOINDEX, m_command, 0);
    if (index >= 0) {
        logging::LogStream(HookLog(), where) << "Button exists";
        win::SendMessage(m_toolbar, win::TB_DELETEBUTTON, static_cast<win::WPARAM>(index), 0);
    }
}

std::string ToolbarButton::PicturePath(const std::string& installRoot,
                                       const std::string& bitmapBase, bool hot, int imageWidth) {
    std::string base = bitmapBase;
    std::replace(base.begin(), base.end(), '\\', '/');
    return installRoot + "/" + base + (hot ? "Hot" : "Normal") +
           (imageWidth == kSmallImageWidth ? "Small.bmp" : "Big.bmp");
}

void ToolbarButton::AddImages() {
    const win::HIMAGELIST normal = ImageList(m_toolbar, win::TB_GETIMAGELIST);
    const win::HIMAGELIST hot = ImageList(m_toolbar, win::TB_GETHOTIMAGELIST);
    const int count = win::ImageList_GetImageCount(normal);
    if (count != kSmallSetCount && count != kLargeSetCount) {
        return;
    }
    std::string root;
    try {
        OeHookDll* dll = OeHookDll::Instance();
        root = dll != nullptr ? dll->Registry().GetInstallRoot() : std::string();
    } catch (const qsupport::QException& e) {
        logging::LogStream(HookLog(), "ToolbarButton::AddButton")
            << "Caught QException: " << e.Describe();
        return;
    }
    int width = 0;
    int height = 0;
    win::ImageList_GetIconSize(normal, &width, &height);
    const Bitmap normalPicture(PicturePath(root, m_bitmapBase, false, width));
    const Bitmap hotPicture(PicturePath(root, m_bitmapBase, true, width));
    if (count == kSmallSetCount) {
        win::ImageList_AddMasked(hot, hotPicture.Handle(), win::CLR_MAGENTA);
        win::ImageList_AddMasked(normal, normalPicture.Handle(), win::CLR_MAGENTA);
    } else {
        // The larger set keeps fewer hot images: the normal picture goes to the hot one's index.
        const int hotIndex = win::ImageList_AddMasked(hot, hotPicture.Handle(), win::CLR_MAGENTA);
        if (hotIndex >= 0) {
            win::ImageList_SetImageCount(normal, static_cast<win::UINT>(hotIndex));
            win::ImageList_AddMasked(normal, normalPicture.Handle(), win::CLR_MAGENTA);
        }
    }
    win::SendMessage(m_toolbar, win::TB_SETHOTIMAGELIST, 0, static_cast<win::LPARAM>(hot));
    win::SendMessage(m_toolbar, win::TB_SETIMAGELIST, 0, static_cast<win::LPARAM>(normal));
}

void ToolbarButton::AddButton() {
    const char* const where = "ToolbarButton::AddButton";
    if (m_toolbar == 0 || !win::IsWindow(m_toolbar) ||
        win::SendMessage(m_toolbar, win::TB_COMMANDTOINDEX, m_command, 0) >= 0) {
        return;
    }
    logging::LogStream(HookLog(), where) << "Adding";
    AddImages();

    std::string texts = m_text;
    texts.push_back('\0'); // the list of texts ends with an empty one
    const win::LRESULT stringIndex = win::SendMessage(m_toolbar, win::TB_ADDSTRING, 0,
                                                      reinterpret_cast<win::LPARAM>(texts.c_str()));
    logging::LogStream(HookLog(), where) << "String Index: " << stringIndex;

    win::TBBUTTON button;
    button.iBitmap = oewin::kButtonImageIndex;
    button.idCommand = static_cast<int>(m_command);
    button.fsState = win::TBSTATE_ENABLED;
    button.fsStyle = win::BTNS_BUTTON;
    button.dwData = 0;
    button.iString = stringIndex;
    const win::LRESULT inserted =
        win::SendMessage(m_toolbar, win::TB_INSERTBUTTON, static_cast<win::WPARAM>(m_position),
                         reinterpret_cast<win::LPARAM>(&button));
    logging::LogStream(HookLog(), where)
        << "Insert Button Success: " << inserted << ", true: " << 1;
}
