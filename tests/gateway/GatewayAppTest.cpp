// The whole program against the real gateway: a new user signs up (an invoice account on the
// gateway's credentials), writes a message in the compose dialog, and it travels program ->
// Kannel -> SMPP simulator and comes back as delivery reports in the sentbox.
#include "ComposeFlow.h"
#include "WelcomeAnswer.h"
#include "common/TestEnv.h"
#include "messages/CMgmtSMS.h"
#include "messages/CSMSRecord.h"
#include "platform/Registry.h"
#include "platform/Shell.h"

#include <fstream>
#include <map>

namespace {

std::map<std::string, std::string> GatewayEnv() {
    std::map<std::string, std::string> env;
    std::ifstream in(std::string(TW_GATEWAY_DIR) + "/gateway.env");
    for (std::string line; std::getline(in, line);) {
        auto eq = line.find('=');
        if (eq != std::string::npos) {
            env[line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    return env;
}

TEST(GatewayApp, AComposedMessageTravelsThroughKannelAndComesBackDelivered) {
    twtest::UsePrivateFolders(twtest::MakeTempDir("gatewayapp"));
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    auto env = GatewayEnv();
    ASSERT_FALSE(env["SENDSMS_URL"].empty()) << "the gateway fixture did not run";
    {
        platform::RegKey key;
        ASSERT_TRUE(key.Create(platform::RegRoot::CurrentUser,
                               "Software\\Quorvane\\Tidewell Windows\\2.0\\Core"));
        key.SetString("RemoteHost", env["SENDSMS_URL"]);
        key.SetString("GatewayUser", env["USER"]);
        key.SetString("GatewayPassword", env["PASSWORD"]);
        key.SetDWORD("ReportPort", static_cast<std::uint32_t>(std::stoul(env["REPORT_PORT"])));
        key.SetString("GatewaySender", "Tidewell");
    }
    auto boxes = std::make_shared<win::ScriptedMessageBox>();
    auto shell = std::make_shared<platform::RecordingShell>();
    platform::SetShellBackend(shell);

    const char* argv[] = {"tidewell"};
    CTidewellWindowsApp app(1, argv);
    {
        WelcomeAnswer next(win::IDOK);
        ASSERT_TRUE(app.InitInstance());
    }
    ASSERT_EQ(app.Reg().GetDefaultAccount().rfind("GW", 0), 0u) << "a gateway account";
    win::SetMessageBoxBackend(boxes);

    composeflow::ComposeAndSend(app, *boxes, "+49 151 23456789", "Ahoy through Kannel");
    if (HasFatalFailure()) {
        return;
    }
    ASSERT_TRUE(composeflow::SpinUntil([&] {
        MessageRecordList sent;
        app.Store()->SentboxGetRecords(sent, 0);
        return sent.size() == 1 && sent[0]->Status == MSGSTATUS_FINAL;
    }));
    MessageRecordList sent;
    app.Store()->SentboxGetRecords(sent, 0);
    const auto& sms = static_cast<const CSMSRecord&>(*sent[0]);
    EXPECT_EQ(sms.GetRecipients(';'), "+4915123456789");
    EXPECT_EQ(sms.Recipients[0].StatusText.rfind("Delivered", 0), 0u)
        << sms.Recipients[0].StatusText;
    EXPECT_EQ(boxes->CallCount(), 0u);
    // The simulator took it once.
    EXPECT_NE(
        twtest::ReadFile(std::string(TW_GATEWAY_DIR) + "/smsc_sim.log").find("accepted submit"),
        std::string::npos);

    app.ExitInstance();
    win::SetMessageBoxBackend(nullptr);
    platform::SetShellBackend(nullptr);
}

} // namespace
