// One of the library's buttons on the mail client's toolbar; the object owns the button: it
// is put on at construction and taken off at destruction (when the toolbar still exists).
//
// Putting it on, unless the toolbar is gone or already has the command:
//   - pictures: <InstallRoot>/<bitmap base> + "Normal"/"Hot" + "Small.bmp" (toolbar images 16
//     pixels wide) or "Big.bmp" (any other width); the base may be written with "\" as in the
//     text table's defaults ("bitmaps\btnCreateSms"). With exactly 61 images in the normal list
//     the normal picture joins it and the hot one the hot list; with exactly 91 the hot one
//     joins the hot list and the normal list is cut (or extended) to the hot picture's index
//     before the normal one joins it. Magenta (255, 0, 255) is transparent. Any other count
//     takes no pictures. The button shows image 61 in every case.
//   - the text joins the toolbar's texts; the button (enabled, plain) is inserted at its
//     position.
#pragma once

#include "platform/Win.h"

#include <string>

class ToolbarButton {
public:
    ToolbarButton(win::HWND toolbar, win::UINT command, int position, std::string text,
                  std::string bitmapBase);
    virtual ~ToolbarButton();
    ToolbarButton(const ToolbarButton&) = delete;
    ToolbarButton& operator=(const ToolbarButton&) = delete;

    win::UINT Command() const { return m_command; }

    // The picture files of a bitmap base below the install root, for images `imageWidth`
    // pixels wide.
    static std::string PicturePath(const std::string& installRoot, const std::string& bitmapBase,
                                   bool hot, int imageWidth);

private:
    void AddButton();
    void AddImages();

    win::HWND m_toolbar;
    win::UINT m_command;
    int m_position;
    std::string m_text;
    std::string m_bitmapBase;
};
