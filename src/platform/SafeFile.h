// Files the program writes in a folder other users share (the temporary folder). Another local
// user can create "$TMPDIR/Quorvane" first, or plant links in it, to make the program overwrite
// files of the victim; so every such file goes through the one rule here:
//   - the folder must be a real directory (not a link) owned by this user; it is created with
//     mode 0700 when missing, and a folder of ours with a wider mode is narrowed to 0700;
//   - the file is opened without following a link, must be a regular file owned by this user,
//     and is created with mode 0600.
// A refusal means "that file is off": the caller writes nothing, never a file elsewhere.
#pragma once

#include "platform/UniqueFd.h"

#include <string>

namespace platform {

// True when `path` is (or, when missing, has just been made) a directory of this user that no
// one else can enter. Never follows a link at `path`.
bool UsePrivateFolder(const std::string& path);

// "<temporary folder>/Quorvane" when it passes UsePrivateFolder, else an empty text.
std::string PrivateTempFolder();

enum class PrivateOpen { Append, Truncate };

// Opens `path` for reading and writing under the rule above (its folder is checked too). Truncation
// happens only after the checks. An invalid descriptor on refusal or failure (errno tells).
UniqueFd OpenPrivateFile(const std::string& path, PrivateOpen mode);

} // namespace platform
