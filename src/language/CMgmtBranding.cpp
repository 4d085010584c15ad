#include "language/CMgmtBranding.h"

#include "language/LangStrings.h"
#include "log/LogManager.h"
#include "platform/Paths.h"

#include <cstdint>

namespace {

struct ImageRowData {
    int row;
    const char* file;
    uint32_t resourceId;
    const char* description;
};

// Icons of every edition (folder "Icons"); rows 24 to 26 share one file and one image.
const ImageRowData kBaseIcons[] = {
    {0, "appProgram.ico", 306, "Used to symbolize the application itself: 16x16, 32x32"},
    {1, "wab.ico", 282,
     "Used throughout the program to symbolize Windows Address Book. Formats: 16x16, 32x32"},
    {2, "ctrlMessageFolder.ico", 280,
     "Dialog icon for the \"Message folders\" dialog. Used wherever the dialog is symbolized. "
     "Formats: 16x16, 32x32"},
    {3, "AppNewSms.ico", 318,
     "Dialog icon for the \"New SMS\" dialog. Used wherever the dialog is symbolized. Formats: "
     "16x16, 32x32"},
    {4, "appSmsOptions.ico", 276,
     "Dialog icon for the \"Options\" dialog. Used wherever the dialog is symbolized. Formats: "
     "16x16, 32x32"},
    {5, "ctrlSentSms.ico", 314,
     "Dialog icon for the \"Sent SMS\" dialog. Used wherever the dialog is symbolized. Formats: "
     "16x16, 32x32"},
    {6, "btnStatus.ico", 319,
     "Dialog icon for the \"Message Status\" dialog. Used wherever the dialog is symbolized. "
     "Formats: 16x16, 32x32"},
    {7, "btnMessageOptions.ico", 316,
     "Dialog icon for the \"Message Options\" dialog. Used wherever the dialog is symbolized. "
     "Formats: 16x16, 32x32"},
    {8, "wabto.ico", 283,
     "Dialog icon for the \"Select Recipients\" dialog. Used wherever the dialog is "
     "symbolized. Formats: 16x16"},
    {10, "btnSend.ico", 233, "Used on send buttons. Formats: 16x16"},
    {11, "btnForward.ico", 295, "Used on forward buttons. Formats: 16x16"},
    {13, "btnFlashSms.ico", 317, "Used on Flash SMS button. Formats: 16x16"},
    {14, "btnMessageFolder.ico", 324,
     "Button icon for the \"Message folders\" dialog. Formats: 16x16"},
    {15, "btnSmsOptions.ico", 325, "Button icon for the \"Options\" dialog. Formats: 16x16"},
    {16, "secUsageReminder.ico", 297, "Used in the \"Usage Reminder\" dialog. Formats: 32x32"},
    {17, "secGeneralAccount.ico", 300,
     "Used in \"Options -> Account\" to symbolize the General section. Formats: 32x32"},
    {18, "secPrepaidSettings.ico", 301,
     "Used in \"Options -> Account\" to symbolize the Prepaid Settings section. Formats: "
     "32x32"},
    {19, "secReplySettings.ico", 304,
     "Used in \"Options -> Account\" to symbolize the Reply section. Formats: 32x32"},
    {20, "secRegionalSettings.ico", 303,
     "Used in \"Options -> General\" to symbolize the Regional settings section. Formats: "
     "32x32"},
    {21, "secMessageFormat.ico", 305,
     "Used in \"Options -> General\" to symbolize the Message Format section. Formats: 32x32"},
    {22, "secAlerts.ico", 307,
     "Used in \"Options -> Alert\" to symbolize the Alert section. Formats: 32x32"},
    {23, "icoSchedule.ico", 310,
     "Used in listboxes to symbolize scheduled SMS messages. Formats: 16x16"},
    {24, "icoMessage.ico", 311, "Used in listboxes to symbolize Sent SMS messages. Formats: 16x16"},
    {25, "icoMessage.ico", 311,
     "Used in listboxes to symbolize an errournous SMS messages. Formats: 16x16"},
    {26, "icoMessage.ico", 311,
     "Used in listboxes to symbolize a SMS messages in sending process. Formats: 16x16"},
    {27, "secDeliveryOptions.ico", 272,
     "Used Message Options dialog to symbolize the Delivery section. Formats: 32x32"},
    {28, "icoTemplate.ico", 312,
     "Used in listboxes to symbolize a template message. Formats: 16x16"},
    {29, "icoSignature.ico", 313,
     "Used in listboxes to symbolize a signature message. Formats: 16x16"},
    {30, "icoValidContact.ico", 224,
     "Used in listboxes to symbolize a contact with a valid phone number. Formats: 16x16"},
    {31, "icoInvalidContact.ico", 222,
     "Used in listboxes to symbolize a contact with an invalid phone number. Formats: 16x16"},
    {32, "icoValidgroup.ico", 225,
     "Used in listboxes to symbolize a group with valid phone numbers. Formats: 16x16"},
    {33, "icoInvalidGroup.ico", 223,
     "Used in listboxes to symbolize a group with invalid phone numbers. Formats: 16x16"},
};

const ImageRowData kOutlookIcons[] = {
    {9, "ctrlViewSMS.ico", 321,
     "Dialog icon for the \"View SMS (Incomming SMS)\" dialog. Used wherever the dialog is "
     "symbolized. Formats: 16x16, 32x32"},
    {12, "btnReply.ico", 322, "Used on Reply buttons. Formats: 16x16"},
};

// Bitmaps of every edition (folder "Bitmaps").
const ImageRowData kBaseBitmaps[] = {
    {0, "logo.bmp", 294, "Logotype bitmap, used on buttons"},
    {1, "welcome.bmp", 323, "Bitmap used as background in the \"Welcome (Firststart)\" dialog"},
    {2, "about.bmp", 323, "Bitmap used as background in the About dialog"},
};

// The toolbar button images the hook library loads inside Outlook Express; no built-in image.
const ImageRowData kOutlookBitmaps[] = {
    {3, "btnCreateSmsNormalBig.bmp", 0, "Used as \"Create SMS\" button big image"},
    {4, "btnCreateSmsHotBig.bmp", 0, "Used as \"Create SMS\" button big hot image"},
    {5, "btnCreateSmsNormalSmall.bmp", 0, "Used as \"Create SMS\" button small image"},
    {6, "btnCreateSmsHotSmall.bmp", 0, "Used as \"Create SMS\" button small hot image"},
};

template <size_t N>
void AddImages(CBrandingBase& branding, bool icons, const ImageRowData (&rows)[N],
               const std::string& folder) {
    for (const ImageRowData& data : rows) {
        const ImageRow image{data.resourceId, folder, data.file, data.description};
        if (icons)
            branding.SetIconRow(data.row, image);
        else
            branding.SetBitmapRow(data.row, image);
    }
}

GeneratedFile Outcome(bool written, const std::string& path, const char* caption,
                      const char* successText) {
    GeneratedFile result;
    result.written = written;
    result.path = path;
    result.caption = caption;
    result.message = std::string(written ? successText : "Failed to create:\n") + path +
                     "\n\nThe application will now terminate.";
    return result;
}

// Where a generated file goes: the given folder, else the program's temporary folder. Empty
// when that folder is refused (the file is then not written).
std::string OutputPath(const std::string& folder, const char* name) {
    const std::string base = folder.empty() ? lang::QuorvaneTempFolder() : folder;
    return base.empty() ? std::string() : base + "/" + name;
}

// The path named in the outcome of a file that could not be placed anywhere.
std::string RefusedPath(const char* name) {
    return platform::TempFolder() + "/Quorvane/" + name;
}

} // namespace

CMgmtBranding& CMgmtBranding::Instance() {
    static CMgmtBranding branding;
    return branding;
}

std::string CMgmtBranding::DefaultLogPath() {
    const std::string folder = lang::QuorvaneTempFolder();
    return folder.empty() ? std::string() : folder + "/branding.log";
}

void CMgmtBranding::Start(const CLangEdition& edition, const std::string& installRoot,
                          const std::string& programFolder, const std::string& logPath) {
    ::Log("CMgmtBranding::Start", "Enter", LOG_CAT_LANGUAGE, LOG_SEV_TRACE);
    std::lock_guard lock(Lock());
    Reset();

    const std::string root = lang::Trim(installRoot);
    const std::string program = programFolder.empty() ? platform::ProgramFolder() : programFolder;
    const std::string iconFolder = root + "/Icons";
    const std::string bitmapFolder = root + "/Bitmaps";
    // Without an install root there are no branding folders to look in.
    SetUseImageFiles(!root.empty());

    AddLanguageFile(program + "/twd.lang");
    AddLanguageFile(program + "/twdcompany.lang");
    Texts().FillBase(edition.ProductName(), edition.ProgramVersion());
    AddImages(*this, true, kBaseIcons, iconFolder);
    AddImages(*this, false, kBaseBitmaps, bitmapFolder);

    if (edition.IsOutlookExpress()) {
        AddLanguageFile(program + "/twox.lang");
        AddLanguageFile(program + "/twoxcompany.lang");
        Texts().FillOutlookExpress();
        AddImages(*this, true, kOutlookIcons, iconFolder);
        AddImages(*this, false, kOutlookBitmaps, bitmapFolder);
    }

    RunCheck(logPath.empty() ? DefaultLogPath() : logPath, edition.ProductName(),
             CTextTable::kNameRow, edition.ProgramVersion(), CTextTable::kVersionRow);
}

GeneratedFile CMgmtBranding::GenerateLanguageFile(const std::string& folder) const {
    const std::string path = OutputPath(folder, "default.lang");
    const bool written =
        !path.empty() && WriteLanguageTemplate(path, "default.lang", "Quorvane", "English");
    return Outcome(written, path.empty() ? RefusedPath("default.lang") : path,
                   "Generating language file", "A default language file has been generated in:\n");
}

GeneratedFile CMgmtBranding::GenerateIconList(const std::string& folder) const {
    const std::string path = OutputPath(folder, "icons.txt");
    return Outcome(!path.empty() && WriteIconList(path),
                   path.empty() ? RefusedPath("icons.txt") : path, "Generating icon information",
                   "A file containing required icons has been generated in:\n");
}

GeneratedFile CMgmtBranding::GenerateBitmapList(const std::string& folder) const {
    const std::string path = OutputPath(folder, "bitmaps.txt");
    return Outcome(!path.empty() && WriteBitmapList(path),
                   path.empty() ? RefusedPath("bitmaps.txt") : path,
                   "Generating bitmap information",
                   "A file containing required bitmaps has been generated in:\n");
}
