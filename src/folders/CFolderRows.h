// The rows of the message folder list, built from message records without any widget: the
// five cell texts (recipients, message, date, GUID, status comment) and the icon of a row.
// The comment texts are translated once per listing and passed in.
#pragma once

#include "messages/CMessageRecord.h"

#include <array>
#include <string>

// Column numbers of the folder list.
enum FolderColumn : int {
    COL_TO = 0,
    COL_MESSAGE = 1,
    COL_SENT = 2,
    COL_GUID = 3,
    COL_COMMENT = 4,
    FOLDER_COLUMN_COUNT = 5,
};

// Icons of one message kind, in image-list order from the kind's base.
enum FolderIcon : int {
    ICON_MESSAGE = 0,
    ICON_SCHEDULED = 1,
    ICON_SENDING = 2,
    ICON_ERROR = 3,
    ICONS_PER_KIND = 4,
};

struct FolderRow {
    int icon = 0;
    std::array<std::string, FOLDER_COLUMN_COUNT> cells;
};

// The translated comment texts of the status column.
struct FolderCommentTexts {
    std::string sent = "Sent";
    std::string scheduled = "Scheduled";
    std::string sending = "Sending...";
    std::string awaitingStatus = "Sent, awaiting status...";
};

class CFolderRows {
public:
    // The row of one record. `mmsIconOffset` is the first MMS icon. A status outside 1..5
    // is logged and gets the plain icon and an empty comment.
    static FolderRow Build(const CMessageRecord& record, int mmsIconOffset,
                           const FolderCommentTexts& texts);
    // The message column: each line break replaced by a blank, blanks and tabs trimmed at
    // both ends.
    static std::string MessageCell(const std::string& text);
    // The body of an SMS or MMS record; empty for a base record.
    static const std::string& MessageTextOf(const CMessageRecord& record);
    // Translates the comment texts through the current translator.
    static FolderCommentTexts TranslatedTexts();
};
