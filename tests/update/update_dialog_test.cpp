#include "Application.h"
#include "GetNewVersionFrm.h"
#include "Gui.h"
#include "LoopbackServer.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>

namespace kx::portico {
namespace {

using namespace std::chrono_literals;

// Stands in for the main window: counts the reports each dialog posts.
class Receiver : public ui::Form {
public:
    Receiver() : Form(nullptr, ui::FormBorder::None, 100, 100) {}
    std::vector<WPARAM> reports;

protected:
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM, LRESULT&) override {
        if (message != WM_UPDATECHECKDONE) return false;
        reports.push_back(wParam);
        return true;
    }
};

std::string Serve(const std::string& document) { return "HTTP/1.0 200 OK\r\n\r\n" + document; }

const std::string Offer = "{\"Version\":\"3.0.1\",\"DownloadURL\":\"x\"}";

struct Case {
    std::string name;
    std::string installed;  // VersionNumber; empty: the key is absent
    std::string response;   // the server's whole answer for the document path
    WPARAM expected;
};

class UpdateDialogTest : public ::testing::Test {
protected:
    std::string LanguageFile(const std::string& name, const std::string& updateUrl, const std::string& installed,
                             const std::string& extra = "") {
        std::string text = "[Product]\nProduct short Name=Kestrix\n";
        if (!updateUrl.empty()) text += "UpdateUrl=" + updateUrl + "\n";
        text += "[frmAbout]\n";
        if (!installed.empty()) text += "VersionNumber=" + installed + "\n";
        text += "[frmGetNewVersion]\nTitle=Kestrix update\nbtnUpdate=Update now\nbtnCancel=Later\n"
                "HasNewVerson=Version %s is available.\nVersionTip=Get the new %s.\n"
                "FreeVersionTip=Upgrade the free %s.\n" + extra;
        return dir_.Write(name + ".txt", text);
    }

    std::unique_ptr<TfrmGetNewVersion> Dialog(const std::string& languageFile, bool freeEdition = false) {
        auto dialog = std::make_unique<TfrmGetNewVersion>(receiver_);
        dialog->NotifyWindow = receiver_.Handle();
        dialog->FreeEdition = freeEdition;
        dialog->LanguageFilePath = languageFile;
        return dialog;
    }

    test::TempDir dir_;
    Receiver receiver_;
};

TEST_F(UpdateDialogTest, EachCheckReportsOnceWhetherThereIsANewerVersion) {
    // One server answers every case by its path; the dialogs all check at once.
    std::map<std::string, std::string> responses;
    const std::vector<Case> cases = {
        {"newer", "3.0", Serve(Offer), 1},
        {"equal", "3.0.1", Serve(Offer), 0},
        {"trailingzero", "3.0.1.0", Serve(Offer), 0},
        {"older", "3.0.10", Serve(Offer), 0},
        {"noinstalled", "", Serve(Offer), 1},
        {"number", "3.0", Serve("{\"Version\":3.1,\"DownloadURL\":\"x\"}"), 0},
        {"emptyurl", "3.0", Serve("{\"Version\":\"3.1\",\"DownloadURL\":\"\"}"), 0},
        {"lettercase", "3.0", Serve("{\"version\":\"3.1\",\"downloadurl\":\"x\"}"), 0},
        {"extra", "3.0", Serve("{\"DownloadURL\":\"x\",\"Notes\":{\"a\":[1]},\"Version\":\"3.1\"}"), 1},
        {"array", "3.0", Serve("[" + Offer + "]"), 0},
        {"missing", "3.0", "HTTP/1.0 404 Not Found\r\n\r\n" + Offer, 0},
        {"redirect", "3.0", "", 0},
        {"recased", "3.0", "", 0},  // not followed even to its own address in other letter case
    };
    for (const Case& c : cases) responses["/" + c.name + ".json"] = c.response;
    int port = 0;
    test::LoopbackServer server([&](const std::string& request, loopback::Connection& connection) {
        const std::string target = request.substr(4, request.find(' ', 4) - 4);
        const std::string path = target.substr(0, target.find('?'));
        const std::string base = "http://127.0.0.1:" + std::to_string(port);
        if (path == "/redirect.json") {
            connection.Write("HTTP/1.0 302 Found\r\nLocation: " + base + "/equal.json\r\n\r\n");
        } else if (path == "/recased.json") {
            std::string upper = target;
            for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
            connection.Write("HTTP/1.0 302 Found\r\nLocation: " + base + upper + "\r\n\r\n");
        } else if (path == "/RECASED.JSON") {
            connection.Write(Serve(Offer));
        } else {
            connection.Write(responses.count(path) ? responses[path] : "HTTP/1.0 404 Not Found\r\n\r\n");
        }
    });
    port = server.Port();
    const std::string base = "http://127.0.0.1:" + std::to_string(port) + "/";
    std::vector<std::unique_ptr<TfrmGetNewVersion>> dialogs;
    for (const Case& c : cases) {
        dialogs.push_back(Dialog(LanguageFile(c.name, base + c.name + ".json", c.installed)));
        dialogs.back()->BeginCheck();
    }
    // A service that is down.
    dialogs.push_back(Dialog(LanguageFile("down", "http://127.0.0.1:" + std::to_string(test::UnusedPort()) + "/v.json", "3.0")));
    dialogs.back()->BeginCheck();

    ASSERT_TRUE(test::PumpUntil([&] { return receiver_.reports.size() == dialogs.size(); }, 20s));
    test::PumpFor(1500ms);  // a second report would arrive within a tick
    ASSERT_EQ(receiver_.reports.size(), dialogs.size());
    std::map<std::string, WPARAM> outcomes;
    // Reports arrive in any order: tell them apart by what each dialog filled in.
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const bool offered = !dialogs[i]->lblNewVersion.Text().empty();
        EXPECT_EQ(offered ? 1u : 0u, cases[i].expected) << cases[i].name;
        EXPECT_FALSE(dialogs[i]->TimerCheck.Enabled()) << cases[i].name;
    }
    std::size_t ones = 0;
    for (WPARAM w : receiver_.reports) ones += w == 1;
    std::size_t expectedOnes = 0;
    for (const Case& c : cases) expectedOnes += c.expected;
    EXPECT_EQ(ones, expectedOnes);
    EXPECT_TRUE(dialogs.back()->lblNewVersion.Text().empty());
}

TEST_F(UpdateDialogTest, WithoutAnUpdateAddressNothingIsLoadedAndNothingIsReported) {
    test::LoopbackServer server(test::reply::Canned(Serve(Offer)));
    auto dialog = Dialog(LanguageFile("none", "", "3.0"));
    dialog->BeginCheck();
    EXPECT_FALSE(dialog->TimerCheck.Enabled());
    test::PumpFor(2500ms);
    EXPECT_TRUE(receiver_.reports.empty());
    EXPECT_TRUE(server.Requests().empty());
    EXPECT_EQ(dialog->RequestedAddress, "");
}

TEST_F(UpdateDialogTest, AnOfferFillsTheTextsAndTheFreeEditionCentresTheOnlyButton) {
    test::LoopbackServer server(test::reply::Canned(Serve("{\"Version\":\"4.2\",\"DownloadURL\":\"http://dl/\"}")));
    const std::string url = "http://127.0.0.1:" + std::to_string(server.Port()) + "/v.json";
    auto full = Dialog(LanguageFile("full", url, "3.0"));
    auto free = Dialog(LanguageFile("free", url, "3.0"), true);
    full->BeginCheck();
    free->BeginCheck();
    ASSERT_TRUE(test::PumpUntil([&] { return receiver_.reports.size() == 2; }, 10s));
    EXPECT_EQ(receiver_.reports, (std::vector<WPARAM>{1, 1}));
    ASSERT_EQ(server.Requests().size(), 2u);
    EXPECT_NE(server.Requests()[0].find("/v.json?rand="), std::string::npos);
    EXPECT_EQ(full->RequestedAddress.substr(0, url.size() + 6), url + "?rand=");
    EXPECT_EQ(full->RequestedAddress.size(), url.size() + 20);

    EXPECT_EQ(full->NewVersion, "4.2");
    EXPECT_EQ(full->DownloadAddress, "http://dl/");
    EXPECT_EQ(full->lblNewVersion.Text(), "Version 4.2 is available.");
    EXPECT_EQ(full->lblTip.Text(), "Get the new Kestrix.");
    EXPECT_TRUE(full->btnCancel.Visible());
    EXPECT_EQ(full->btnUpdate.Left(), 214);
    EXPECT_EQ(full->btnUpdate.Width(), 114);

    EXPECT_EQ(free->lblTip.Text(), "Upgrade the free Kestrix.");
    EXPECT_FALSE(free->btnCancel.Visible());
    EXPECT_EQ(free->btnUpdate.Left(), (384 - 114) / 2);

    full->Show();
    test::PumpFor(300ms);
    test::SaveScreenshot(full->Handle(), "portico-update");
    full->Hide();
    free->Show();
    test::PumpFor(300ms);
    test::SaveScreenshot(free->Handle(), "portico-update-free");
    EXPECT_EQ(free->Caption(), "Kestrix update");
    EXPECT_EQ(free->btnUpdate.Caption(), "Update now");
    EXPECT_EQ(free->ClientWidth(), 384);
    EXPECT_EQ(free->ClientHeight(), 244);
    free->Hide();
}

TEST_F(UpdateDialogTest, TemplatesShowOtherConversionsAsTheyStandAndMissingTextsAsMarkers) {
    test::LoopbackServer server(test::reply::Canned(Serve(Offer)));
    const std::string url = "http://127.0.0.1:" + std::to_string(server.Port()) + "/v.json";
    auto dialog = Dialog(dir_.Write("odd.txt", "[Product]\nUpdateUrl=" + url +
                                                   "\n[frmAbout]\nVersionNumber=1\n[frmGetNewVersion]\n"
                                                   "HasNewVerson=%d %n %x %p %1$s %% %s\n"));
    dialog->BeginCheck();
    ASSERT_TRUE(test::PumpUntil([&] { return receiver_.reports.size() == 1; }, 10s));
    EXPECT_EQ(dialog->lblNewVersion.Text(), "%d %n %x %p %1$s %% 3.0.1");
    EXPECT_EQ(dialog->lblTip.Text(), "???");
    dialog->Show();
    EXPECT_EQ(dialog->Caption(), "???");
    EXPECT_EQ(dialog->btnCancel.Caption(), "???");
    dialog->Hide();
}

}  // namespace
}  // namespace kx::portico
