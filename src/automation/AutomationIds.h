// The identifiers of the automation object, declared once: the class registration in the
// user hive, the D-Bus activation file and the object on the session bus all read them here.
//
// The class keeps the identifiers it had as a COM class (type library, CLSID, interface,
// AppID, ProgIDs), so that the registration other programs look for is the one they know.
// On the session bus it is the well-known name kBusName with the object kObjectPath, whose
// interface kInterface has the one method kMethod(s bstrNames, s bstrNumbers,
// s bstrMessage) -> i (the result code, 0 for success).
#pragma once

namespace automation {

inline constexpr const char* kTypeLibId = "{AA312B6B-13F4-4BB6-B6EA-D0351C880E36}";
inline constexpr const char* kTypeLibVersion = "1.0";
inline constexpr const char* kTypeLibLocale = "409";
inline constexpr const char* kTypeLibHelp = "QVMessenger 1.0 Type Library";
inline constexpr const char* kClassId = "{A4B15104-AA44-4F56-9A80-A46528F026F3}";
inline constexpr const char* kClassDescription = "CQVApplication Object";
inline constexpr const char* kInterfaceId = "{B227A355-324C-4086-816B-0F032D3CBC3E}";
inline constexpr const char* kAppId = "{ADF50F17-5CA5-4DA9-928D-65FC74AD1104}";
inline constexpr const char* kAppName = "QVMessenger";
inline constexpr const char* kExecutableName = "QVMessenger.EXE";
inline constexpr const char* kProgId = "QVMessenger.QVApplication.1";
inline constexpr const char* kVersionIndependentProgId = "QVMessenger.QVApplication";

// Where the class registration lives in the user hive.
inline constexpr const char* kClassesRoot = "Software\\Classes";

// The session bus.
inline constexpr const char* kBusName = "QVMessenger.QVApplication";
inline constexpr const char* kObjectPath = "/QVApplication";
inline constexpr const char* kInterface = "QVMessenger.IQVApplication";
inline constexpr const char* kMethod = "ShowDlgSMS";

// Result codes of a call (HRESULT values): success, and a request refused for its arguments
// (E_INVALIDARG), which the bus side answers with an error reply.
inline constexpr int kSuccess = 0;
inline constexpr int kInvalidArgument = static_cast<int>(0x80070057u);

// The most recipients one call may name: as many as one message can go to (the service
// refuses more). A longer list is refused before any number is converted.
inline constexpr unsigned kMaxRecipients = 1000;

} // namespace automation
