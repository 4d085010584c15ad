#include "language/CMgmtBranding.h"

#include "language/CLangTranslator.h"

#include "BrandingTestApp.h"
#include "common/TestEnv.h"

#include <QImage>
#include <QImageReader>
#include <QString>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <set>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

size_t Count(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (size_t pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1))
        ++count;
    return count;
}

void SaveImage(const std::string& path, int width, int height, const QColor& color,
               const char* format) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(color);
    ASSERT_TRUE(image.save(QString::fromStdString(path), format)) << path;
}

class BrandingTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureGuiApplication(); }
    void SetUp() override {
        root = twtest::MakeTempDir("install");
        program = twtest::MakeTempDir("program");
        logPath = root + "/branding.log";
    }

    // Every icon and bitmap file of the edition, as real images.
    void WriteAllImages(const CMgmtBranding& branding) {
        std::filesystem::create_directories(root + "/Icons");
        std::filesystem::create_directories(root + "/Bitmaps");
        for (int row = 0; row < 40; ++row) {
            ImageRow image;
            if (branding.FindIconRow(row, image))
                SaveImage(image.folder + "/" + image.file, 32, 32, Qt::red, "ICO");
            if (branding.FindBitmapRow(row, image))
                SaveImage(image.folder + "/" + image.file, 20, 10, Qt::blue, "BMP");
        }
    }

    std::string root;
    std::string program;
    std::string logPath;
    CLangEdition windows{"Tidewell Windows", "2.0.353", false};
    CLangEdition outlook{"Tidewell Outlook Express", "2.0.353", true};
};

TEST_F(BrandingTest, ImageFormatsNeededOffscreenAreAvailable) {
    const auto formats = QImageReader::supportedImageFormats();
    EXPECT_TRUE(formats.contains("ico"));
    EXPECT_TRUE(formats.contains("bmp"));
    EXPECT_TRUE(formats.contains("png"));
}

TEST_F(BrandingTest, RowCountsPerEdition) {
    CMgmtBranding branding;
    branding.Start(windows, root, program, logPath);
    EXPECT_EQ(branding.IconRowCount(), 32u);
    EXPECT_EQ(branding.BitmapRowCount(), 3u);
    EXPECT_EQ(branding.TextRowCount(), 272u);
    ImageRow image;
    EXPECT_FALSE(branding.FindIconRow(9, image));
    EXPECT_FALSE(branding.FindIconRow(12, image));
    EXPECT_EQ(branding.LanguageFiles(),
              (std::vector<std::string>{program + "/twd.lang", program + "/twdcompany.lang"}));
    EXPECT_TRUE(branding.IsDone());

    CMgmtBranding oe;
    oe.Start(outlook, root, program, logPath);
    EXPECT_EQ(oe.IconRowCount(), 34u);
    EXPECT_EQ(oe.BitmapRowCount(), 7u);
    EXPECT_EQ(oe.TextRowCount(), 292u);
    ASSERT_TRUE(oe.FindIconRow(12, image));
    EXPECT_EQ(image.file, "btnReply.ico");
    EXPECT_EQ(image.folder, root + "/Icons");
    EXPECT_EQ(oe.LanguageFiles().size(), 4u);
    EXPECT_EQ(oe.LanguageFiles()[2], program + "/twox.lang");
    EXPECT_EQ(oe.LanguageFiles()[3], program + "/twoxcompany.lang");
}

TEST_F(BrandingTest, EmptyInstallRootGivesBuiltInImagesAndReportsThemAllMissing) {
    CMgmtBranding branding;
    branding.Start(outlook, "", program, logPath);
    const std::string log = twtest::ReadFile(logPath);
    EXPECT_EQ(Count(log, " (missing or corrupt)"), 34u + 7u);
    EXPECT_NE(log.find("\tERROR: The following icons are required but could not be loaded:\n"),
              std::string::npos);
    EXPECT_NE(log.find("\tERROR: The following bitmaps are required but could not be loaded:\n"),
              std::string::npos);
    for (int row = 0; row < 34; ++row) {
        EXPECT_FALSE(branding.GetIconImage(row, 16, 16).isNull()) << row;
        const QImage large = branding.GetIconImage(row, 32, 32);
        ASSERT_FALSE(large.isNull()) << row;
        EXPECT_EQ(large.size(), QSize(32, 32));
    }
    for (int row = 0; row < 3; ++row)
        EXPECT_FALSE(branding.GetBitmapImage(row).isNull()) << row;
    // The toolbar images of the hook library have no built-in image.
    for (int row = 3; row < 7; ++row)
        EXPECT_TRUE(branding.GetBitmapImage(row).isNull()) << row;
    EXPECT_TRUE(branding.GetIconImage(34, 16, 16).isNull());
    EXPECT_TRUE(branding.GetBitmapImage(-1).isNull());
}

TEST_F(BrandingTest, EveryFilePresentReportsNoErrors) {
    CMgmtBranding branding;
    branding.Start(windows, root, program, logPath);
    WriteAllImages(branding);
    branding.Start(windows, root, program, logPath);
    const std::string log = twtest::ReadFile(logPath);
    EXPECT_NE(log.find("\tNo errors, all 32 icons were successfully loaded\n\n***** Done "
                       "checking icons\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("\tNo errors, all 3 bitmaps were successfully loaded\n\n***** Done "
                       "checking bitmaps\n"),
              std::string::npos);
    EXPECT_EQ(log.find("missing or corrupt"), std::string::npos);

    // The customer's file wins over the built-in image, scaled to the requested size.
    const QImage icon = branding.GetIconImage(0, 16, 16);
    ASSERT_EQ(icon.size(), QSize(16, 16));
    EXPECT_EQ(QColor(icon.pixel(8, 8)), QColor(Qt::red));
    const QImage bitmap = branding.GetBitmapImage(1);
    ASSERT_EQ(bitmap.size(), QSize(20, 10));
    EXPECT_EQ(QColor(bitmap.pixel(3, 3)), QColor(Qt::blue));
}

TEST_F(BrandingTest, CorruptFileFallsBackAndIsReported) {
    std::filesystem::create_directories(root + "/Icons");
    twtest::WriteFile(root + "/Icons/appProgram.ico", "this is not an icon");
    CMgmtBranding branding;
    branding.Start(windows, root, program, logPath);
    EXPECT_NE(twtest::ReadFile(logPath).find("\n\tappProgram.ico (missing or corrupt)\n\t\tPath:"
                                             "        " +
                                             root + "/Icons\n"),
              std::string::npos);
    EXPECT_FALSE(branding.GetIconImage(0, 32, 32).isNull());
}

TEST_F(BrandingTest, RowsSharingAFileShareOneImage) {
    CMgmtBranding branding;
    branding.Start(windows, root, program, logPath);
    const QImage sent = branding.GetIconImage(24, 16, 16);
    const QImage error = branding.GetIconImage(25, 16, 16);
    ASSERT_FALSE(sent.isNull());
    EXPECT_EQ(sent.cacheKey(), error.cacheKey());
    EXPECT_EQ(branding.GetIcon(24, 16, 16).cacheKey(), branding.GetIcon(25, 16, 16).cacheKey());
    EXPECT_FALSE(branding.GetIcon(0, 16, 16).isNull());
    EXPECT_FALSE(branding.GetBitmap(0).isNull());
    EXPECT_TRUE(branding.GetIcon(99, 16, 16).isNull());
    EXPECT_TRUE(branding.GetBitmap(99).isNull());
}

TEST_F(BrandingTest, CheckLogByteForByte) {
    std::filesystem::create_directories(root + "/Icons");
    SaveImage(root + "/Icons/present.ico", 16, 16, Qt::green, "ICO");
    CBrandingBase branding;
    branding.SetIconRow(0, {306, " " + root + "/Icons ", " present.ico\t", "Present icon"});
    branding.SetIconRow(1, {282, root + "/Icons", "absent.ico", "Absent icon"});
    branding.SetBitmapRow(0, {294, root + "/Bitmaps", "logo.bmp", "Logo"});
    branding.SetTextRow(0, "TWD.AppName", "Tidewell Windows", "Name", "Application global");
    twtest::WriteFile(program + "/twd.lang", "TWD.AppName=Acme\n");
    branding.AddLanguageFile(program + "/twd.lang");
    branding.RunCheck(logPath, "Tidewell Windows", 0, "2.0.353", 1);

    const std::string stars(91, '*');
    const std::string expected =
        stars + "\n\tBranding results for Tidewell Windows Version: 2.0.353\n" + stars + "\n\n" +
        "\n" + stars + "\n***** Checking the precence of required icon files...\n\n" +
        "\tERROR: The following icons are required but could not be loaded:\n" +
        "\n\tabsent.ico (missing or corrupt)\n\t\tPath:        " + root +
        "/Icons\n\t\tDescription: Absent icon" + "\n\n***** Done checking icons\n" + stars + "\n" +
        "\n" + stars + "\n***** Checking the precence of required bitmap files...\n\n" +
        "\tERROR: The following bitmaps are required but could not be loaded:\n" +
        "\n\tlogo.bmp (missing or corrupt)\n\t\tPath:        " + root +
        "/Bitmaps\n\t\tDescription: Logo" + "\n\n***** Done checking bitmaps\n" + stars + "\n" +
        "\n" + stars + "\n***** Loading twd.lang\n\n" + "\n***** Done loading twd.lang\n" + stars +
        "\n\n\n";
    EXPECT_EQ(twtest::ReadFile(logPath), expected);
    EXPECT_EQ(branding.GetText(0), "Acme");

    // The description of an existing row stays when it is set again.
    branding.SetIconRow(1, {283, root + "/Other", "other.ico", "New description"});
    ImageRow row;
    ASSERT_TRUE(branding.FindIconRow(1, row));
    EXPECT_EQ(row.resourceId, 283u);
    EXPECT_EQ(row.file, "other.ico");
    EXPECT_EQ(row.description, "Absent icon");
    ASSERT_TRUE(branding.FindIconRow(0, row));
    EXPECT_EQ(row.file, "present.ico");
    EXPECT_EQ(row.folder, root + "/Icons");
}

TEST_F(BrandingTest, UnwritableLogLeavesTheReportEmptyButLoadsLanguageFiles) {
    twtest::WriteFile(program + "/twd.lang", "TWD.Customer=Acme\n");
    CMgmtBranding branding;
    branding.Start(windows, root, program, root + "/no-such-folder/branding.log");
    EXPECT_TRUE(branding.IsDone());
    EXPECT_EQ(branding.GetText(2), "Acme");
}

TEST_F(BrandingTest, NoLanguageFilesListsEveryRowMissing) {
    CMgmtBranding branding;
    branding.Start(windows, root, program, logPath);
    const std::string log = twtest::ReadFile(logPath);
    EXPECT_NE(log.find("\tError: Could not open file: " + program + "/twd.lang\n"),
              std::string::npos);
    EXPECT_NE(log.find("\tError: Could not open file: " + program + "/twdcompany.lang\n"),
              std::string::npos);
    EXPECT_EQ(Count(log, "ERROR: One or more required entries are not defined"), 1u);
    EXPECT_EQ(Count(log, "\n\t# "), 272u);
    EXPECT_NE(log.find("\n\t# TWD.Customer : "), std::string::npos);
    EXPECT_NE(log.find("\n\tTWD.Customer=Quorvane\n"), std::string::npos);
}

TEST_F(BrandingTest, LanguageFilesOverrideInRegistrationOrder) {
    twtest::WriteFile(program + "/twd.lang", "TWD.AppName=Base\nGUIMgmt.SystemTrayToolTip=Tip "
                                             "<appname>\n");
    twtest::WriteFile(program + "/twdcompany.lang", "twd.appname=Company\n");
    twtest::WriteFile(program + "/twox.lang", "Outlook.NewSMSButtonText=Write SMS\n");
    CMgmtBranding branding;
    branding.Start(outlook, root, program, logPath);
    EXPECT_EQ(branding.GetText(30), "Tip Company");
    EXPECT_EQ(branding.GetText(286), "Write SMS");
    TextRow row;
    ASSERT_TRUE(branding.FindTextRow(0, row));
    EXPECT_EQ(row.sourceFile, "twdcompany.lang");
    const std::string log = twtest::ReadFile(logPath);
    EXPECT_NE(log.find("\tOverriding value for TWD.AppName:\n\t\tPrevious translation "
                       "(twd.lang): Base\n\t\tNew translation (twdcompany.lang): Company\n"),
              std::string::npos);
}

TEST_F(BrandingTest, IconAndBitmapListsByteForByte) {
    CBrandingBase branding;
    branding.SetIconRow(0, {306, "/opt/tw/Icons", "appProgram.ico", "The application"});
    branding.SetIconRow(1, {282, "/opt/tw/Icons", "wab.ico", "Address book"});
    branding.SetBitmapRow(0, {294, "/opt/tw/Bitmaps", "logo.bmp", "Logo"});
    branding.RunCheck(logPath, "Tidewell Windows", 0, "2.0.353", 1);

    const std::string dir = twtest::MakeTempDir("lists");
    ASSERT_TRUE(branding.WriteIconList(dir + "/icons.txt"));
    EXPECT_EQ(twtest::ReadFile(dir + "/icons.txt"),
              "Generated by: Tidewell Windows Version: 2.0.353\n\n"
              "This file contains a list of icons used by the client.\n"
              "Should any of these files be missing, the default icon is used.\n"
              "Please refer to the branding log file for a reports on missing missing icons.\n\n"
              "The following icons are required for this client:\n\n\n"
              "Total:\t2 icon(s):\n\n"
              "FILE:\tappProgram.ico\nPATH:\t/opt/tw/Icons\nDESC:\tThe application\n\n"
              "FILE:\twab.ico\nPATH:\t/opt/tw/Icons\nDESC:\tAddress book\n\n");
    ASSERT_TRUE(branding.WriteBitmapList(dir + "/bitmaps.txt"));
    EXPECT_EQ(twtest::ReadFile(dir + "/bitmaps.txt"),
              "Generated by: Tidewell Windows Version: 2.0.353\n\n"
              "This file contains a list of bitmap images used by the client.\n"
              "Should any of these files be missing, the default bitmap is used.\n"
              "Please refer to the branding log file for a reports on missing missing "
              "bitmaps.\n\n"
              "The following bitmaps are required for this client:\n\n\n"
              "Total:\t1 bitmap(s):\n\n"
              "FILE:\tlogo.bmp\nPATH:\t/opt/tw/Bitmaps\nDESC:\tLogo\n\n");
    EXPECT_FALSE(branding.WriteIconList(dir + "/missing/icons.txt"));
}

TEST_F(BrandingTest, GeneratorsWriteIntoTheQuorvaneTemporaryFolder) {
    CMgmtBranding branding;
    branding.Start(windows, "", program, logPath);
    const std::string folder = twtest::PrivateRoot() + "/tmp/Quorvane";

    const GeneratedFile icons = branding.GenerateIconList();
    EXPECT_TRUE(icons.written);
    EXPECT_EQ(icons.path, folder + "/icons.txt");
    EXPECT_EQ(icons.caption, "Generating icon information");
    EXPECT_EQ(icons.message, "A file containing required icons has been generated in:\n" + folder +
                                 "/icons.txt\n\nThe application will now terminate.");
    EXPECT_NE(twtest::ReadFile(icons.path).find("Total:\t32 icon(s):"), std::string::npos);

    const GeneratedFile bitmaps = branding.GenerateBitmapList();
    EXPECT_TRUE(bitmaps.written);
    EXPECT_EQ(bitmaps.caption, "Generating bitmap information");
    EXPECT_NE(twtest::ReadFile(bitmaps.path).find("Total:\t3 bitmap(s):"), std::string::npos);

    const GeneratedFile language = branding.GenerateLanguageFile();
    EXPECT_TRUE(language.written);
    EXPECT_EQ(language.path, folder + "/default.lang");
    EXPECT_EQ(language.caption, "Generating language file");
    EXPECT_EQ(language.message.rfind("A default language file has been generated in:\n", 0), 0u);
    const std::string text = twtest::ReadFile(language.path);
    EXPECT_NE(text.find("# Total:\t272 entries(s):"), std::string::npos);
    EXPECT_NE(text.find("# @filename=default.lang\n# @customer=Quorvane\n# @language=English\n"),
              std::string::npos);

    const GeneratedFile failed = branding.GenerateIconList(root + "/absent/folder");
    EXPECT_FALSE(failed.written);
    EXPECT_EQ(failed.message, "Failed to create:\n" + root +
                                  "/absent/folder/icons.txt\n\nThe application will now "
                                  "terminate.");
}

// Another local user who made "$TMPDIR/Quorvane" first and planted links in it gets nothing
// written through them: the report, the language log and the generated files are off.
TEST_F(BrandingTest, AnotherUsersTemporaryFolderIsNeverWrittenThrough) {
    if (::getuid() != 0) {
        GTEST_SKIP() << "needs a second user id (runs as root in CI)";
    }
    const std::string folder = twtest::PrivateRoot() + "/tmp/Quorvane";
    std::filesystem::create_directories(folder);
    const std::string victim = twtest::MakeTempDir("victim") + "/precious";
    twtest::WriteFile(victim, "precious");
    for (const char* name : {"branding.log", "language.log", "default.lang", "icons.txt"}) {
        std::filesystem::remove(folder + "/" + name);
        std::filesystem::create_symlink(victim, folder + "/" + name);
    }
    ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);

    CMgmtBranding branding;
    branding.Start(windows, "", program, "");
    CLangTranslator translator(windows, "");
    translator.Log("a line for the language log");
    const GeneratedFile language = branding.GenerateLanguageFile();
    const GeneratedFile icons = branding.GenerateIconList();
    EXPECT_FALSE(language.written);
    EXPECT_FALSE(icons.written);
    EXPECT_EQ(icons.path, folder + "/icons.txt");
    EXPECT_EQ(twtest::ReadFile(victim), "precious");
    ASSERT_EQ(::chown(folder.c_str(), 0, 0), 0);
    std::filesystem::remove_all(folder);
}

// In our own folder a link planted in place of a file is not followed either.
TEST_F(BrandingTest, APlantedLinkInTheOwnFolderIsNotFollowed) {
    const std::string folder = twtest::PrivateRoot() + "/tmp/Quorvane";
    std::filesystem::create_directories(folder);
    const std::string victim = twtest::MakeTempDir("victim") + "/precious";
    twtest::WriteFile(victim, "precious");
    for (const char* name : {"branding.log", "language.log"}) {
        std::filesystem::remove(folder + "/" + name);
        std::filesystem::create_symlink(victim, folder + "/" + name);
    }
    CMgmtBranding branding;
    branding.Start(windows, "", program, "");
    {
        CLangTranslator translator(windows, "");
        translator.Log("a line for the language log");
    }
    EXPECT_EQ(twtest::ReadFile(victim), "precious");
    for (const char* name : {"branding.log", "language.log"}) {
        std::filesystem::remove(folder + "/" + name);
    }
}

TEST_F(BrandingTest, LookupsFromSeveralThreads) {
    CMgmtBranding branding;
    branding.Start(windows, root, program, logPath);
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 200; ++i) {
                const int row = (i + t) % 34;
                const QImage image = branding.GetIconImage(row, 16, 16);
                if ((row == 9 || row == 12) != image.isNull())
                    ++wrong;
                if (branding.GetText(30) != "Tidewell Windows")
                    ++wrong;
                if (branding.GetBitmapImage(i % 3).isNull())
                    ++wrong;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrong.load(), 0);
}

} // namespace
