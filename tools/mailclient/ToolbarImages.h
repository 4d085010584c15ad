// The pictures of the mail client's toolbar: image lists of 16 by 16 pixels (or larger, the
// same pictures scaled up, for the client's large-button set) whose first
// images are drawn for the toolbar's own buttons (new mail, reply, reply to all, forward,
// print, delete, send and receive, address book, find: kToolbarImage...) and whose others
// are plain tiles standing for the pictures of buttons the user has not put on the toolbar.
// A hooked-in library counts the images: the mail client's list holds 61 by default.
#pragma once

#include "platform/WinImageList.h"

namespace mailclient {

constexpr int kToolbarImageSize = 16;
// The largest side a toolbar picture may be given.
constexpr int kMaxToolbarImageSize = 64;

enum ToolbarImage : int {
    kImageNewMail = 0,
    kImageReply,
    kImageReplyAll,
    kImageForward,
    kImagePrint,
    kImageDelete,
    kImageSendReceive,
    kImageAddressBook,
    kImageFind,
    kDrawnImageCount
};

// A new image list of `count` images `size` pixels square (kToolbarImageSize up to
// kMaxToolbarImageSize; 0 when out of range or the platform cannot make one); `hot` draws the
// brighter pictures shown under the mouse.
win::HIMAGELIST CreateToolbarImageList(int count, bool hot, int size = kToolbarImageSize);

} // namespace mailclient
