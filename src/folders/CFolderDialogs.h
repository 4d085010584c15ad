// Registers the folder dialog and the two message viewers with the dialog factory: the
// Folders kind gets CDlgMessageFolder, the sent-message viewer kind CDlgSentSMS and the
// view-message kind CDlgViewSMS, each with the request's message reference.
#pragma once

class CDialogFactory;
class IFolderHost;

class CFolderDialogs {
public:
    // `host` must outlive every dialog the factory makes.
    static void Register(CDialogFactory& factory, IFolderHost& host);
};
