#include "app/CCommandLine.h"
#include "app/CEditionValues.h"

#include <gtest/gtest.h>

TEST(CommandLine, VerbAndSwitches) {
    const char* argv[] = {"tidewell", "--RegServer", "NewMessage", "extra"};
    CCommandLine cl(4, argv);
    EXPECT_EQ(cl.Verb(), "NewMessage");
    EXPECT_TRUE(cl.RegisterServer());
    EXPECT_FALSE(cl.UnregisterServer());

    const char* none[] = {"tidewell"};
    CCommandLine empty(1, none);
    EXPECT_EQ(empty.Verb(), "");
    const char* un[] = {"tidewell", "--unregserver"};
    EXPECT_TRUE(CCommandLine(2, un).UnregisterServer());
}

TEST(CommandLine, RegistrationSwitchesInEverySpellingAndCase) {
    struct Case {
        const char* arg;
        bool reg;
        bool unreg;
    };
    const Case cases[] = {
        {"--regserver", true, false},   {"/RegServer", true, false},
        {"-RegServer", true, false},    {"/REGSERVER", true, false},
        {"-unregserver", false, true},  {"/UnregServer", false, true},
        {"--UNREGSERVER", false, true}, {"---regserver", false, false},
        {"regserver", false, false},    {"/regserverx", false, false},
    };
    for (const Case& c : cases) {
        const char* argv[] = {"tidewell", c.arg};
        CCommandLine cl(2, argv);
        EXPECT_EQ(cl.RegisterServer(), c.reg) << c.arg;
        EXPECT_EQ(cl.UnregisterServer(), c.unreg) << c.arg;
    }
    // A switch is never the verb; a plain word after it still is.
    const char* argv[] = {"tidewell", "/RegServer", "NewSMS"};
    EXPECT_EQ(CCommandLine(3, argv).Verb(), "NewSMS");
}

TEST(CommandLine, DefaultVerbFollowsStartupAction) {
    auto action = [](std::uint32_t v) { return [v] { return v; }; };
    EXPECT_EQ(CCommandLine::ResolveVerb("default", action(0)), "NewSMS");
    EXPECT_EQ(CCommandLine::ResolveVerb("DEFAULT", action(1)), "MessageFolders");
    EXPECT_EQ(CCommandLine::ResolveVerb("Default", action(3)), "SMSOptions");
    EXPECT_EQ(CCommandLine::ResolveVerb("default", action(6)), "NewMMS");
    // Any other value keeps "default", which shows nothing at start.
    EXPECT_EQ(CCommandLine::ResolveVerb("default", action(2)), "default");
    EXPECT_EQ(CCommandLine::ResolveVerb("", action(0)), "NoShowDummy");
    EXPECT_EQ(CCommandLine::ResolveVerb("NewSMS", action(1)), "NewSMS");
}

TEST(CommandLine, ForwardedMessages) {
    std::uint32_t plain = 99;
    EXPECT_EQ(CCommandLine::ForwardMessageName("smsoptions", &plain), "QVShowOptions");
    EXPECT_EQ(plain, 0u);
    EXPECT_EQ(CCommandLine::ForwardMessageName("AddressBook", &plain), "QVShowAddressBook");
    EXPECT_EQ(CCommandLine::ForwardMessageName("MessageFolder", &plain), "QVShowFolders");
    EXPECT_EQ(CCommandLine::ForwardMessageName("messagefolders", &plain), "QVShowFolders");
    EXPECT_EQ(CCommandLine::ForwardMessageName("NEWMESSAGE", &plain), "QVShowNewSMS");
    EXPECT_EQ(CCommandLine::ForwardMessageName("NewSMS", &plain), "QVShowNewSMS");
    EXPECT_EQ(CCommandLine::ForwardMessageName("NewMMS", &plain), "QVShowNewMMS");
    EXPECT_EQ(CCommandLine::ForwardMessageName("Shutdown", &plain), "");
    EXPECT_EQ(plain, 1123u);
    EXPECT_EQ(CCommandLine::ForwardMessageName("shutdownnow", &plain), "");
    EXPECT_EQ(plain, 1124u);
    // Anything else opens the message folders of the running instance.
    for (const char* other : {"default", "NoShowDummy", "debug", "whatever", ""}) {
        EXPECT_EQ(CCommandLine::ForwardMessageName(other, &plain), "QVShowFolders") << other;
        EXPECT_EQ(plain, 0u);
    }
}

TEST(EditionValues, BothEditions) {
    EditionValues w = CEditionValues::Make(false);
    EXPECT_EQ(w.productName, "Tidewell Windows");
    EXPECT_EQ(w.applicationId, "TidewellWindows" + w.version);
    EXPECT_EQ(w.rootKey, "Software\\Quorvane\\Tidewell Windows\\2.0");
    EXPECT_EQ(w.rootKeyWithSeparator, "Software\\Quorvane\\Tidewell Windows\\2.0\\");
    EXPECT_EQ(w.coreKey, "Software\\Quorvane\\Tidewell Windows\\2.0\\Core");
    EXPECT_EQ(w.debugKey, "Software\\Quorvane\\Tidewell Windows\\2.0\\Debug");
    EXPECT_EQ(w.accountsKey, "Software\\Quorvane\\Tidewell Windows\\2.0\\Accounts\\");
    EXPECT_EQ(w.countryCodeKey, w.rootKey);

    EditionValues oe = CEditionValues::Make(true);
    EXPECT_EQ(oe.productName, "Tidewell Outlook Express");
    EXPECT_EQ(oe.applicationId, "TidewellOutlookExpress" + oe.version);
    EXPECT_EQ(oe.coreKey, "Software\\Quorvane\\Tidewell Outlook Express\\2.0\\Core");

    // "%d.%d.%d" of the compiled-in version.
    EXPECT_EQ(w.version, std::to_string(TW_VERSION_MAJOR) + "." + std::to_string(TW_VERSION_MINOR) +
                             "." + std::to_string(TW_VERSION_BUILD));
}
