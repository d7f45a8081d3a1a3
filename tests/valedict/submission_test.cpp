#include "Accessibility.h"
#include "Application.h"
#include "LoopbackServer.h"
#include "MainFrm.h"
#include "SurveyFrm.h"
#include "ValedictTesting.h"
#include "WaitFrm.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <set>
#include <thread>

namespace kx::valedict {
namespace {

using namespace std::chrono_literals;
using testing::Installation;
using testing::Script;
using testing::VisibleForm;
using testing::VisibleForms;

// Answers each request only once the test lets it: request n (from 0) waits for Release(n + 1).
class HeldServer {
public:
    explicit HeldServer(std::string response = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n")
        : server_([this, response](const std::string&, test::Connection& connection) {
              const int mine = arrived_++;
              while (released_ <= mine)
                  if (!connection.Pause(10ms)) return;
              connection.Write(response);
              connection.Close();
          }) {}
    void Release(int count) { released_ = count; }
    std::size_t Received() const { return server_.Requests().size(); }
    const test::LoopbackServer& Server() const { return server_; }

private:
    std::atomic<int> arrived_{0};
    std::atomic<int> released_{0};
    test::LoopbackServer server_;
};

class SubmissionTest : public ::testing::Test {
protected:
    void SetUp() override {
        install.Use();
        prompt.Show();
        frmWait = &wait;
    }
    void TearDown() override {
        frmWait = nullptr;
        testing::SetEnvironment("KESTRIX_FEEDBACK_SERVER", "");
    }
    void PointAt(const test::LoopbackServer& server) {
        testing::SetEnvironment("KESTRIX_FEEDBACK_SERVER", "127.0.0.1:" + std::to_string(server.Port()));
    }
    // Fills the open survey and presses its submit button through the message queue.
    static Script::Step FillAndSubmit(const std::string& text, const std::string& address) {
        return {[] { return VisibleForm<TfrmSurvey>() != nullptr; },
                [text, address] {
                    TfrmSurvey* survey = VisibleForm<TfrmSurvey>();
                    survey->edText.SetText(text);
                    survey->edEmail.SetText(address);
                    PostMessageW(survey->btnSubmitSurvey.Handle(), BM_CLICK, 0, 0);
                }};
    }
    static Script::Step CloseSurvey() {
        return {nullptr, [] {
                    if (TfrmSurvey* survey = VisibleForm<TfrmSurvey>()) PostMessageW(survey->Handle(), WM_CLOSE, 0, 0);
                }};
    }
    static Script::Step SurveyGone() {
        return {[] { return VisibleForm<TfrmSurvey>() == nullptr; }, nullptr};
    }
    std::function<void()> Rescue() {
        return [this] {
            wait.Close();
            for (TfrmSurvey* survey : VisibleForms<TfrmSurvey>()) PostMessageW(survey->Handle(), WM_CLOSE, 0, 0);
        };
    }
    // Opens the survey from the prompt's button; returns when the survey form has been freed.
    void RunSurvey(Script& script) {
        SendMessageW(prompt.btnSurvey.Handle(), BM_CLICK, 0, 0);
        test::PumpUntil([&] { return script.Finished(); }, std::chrono::seconds(10));
        EXPECT_FALSE(script.TimedOut()) << "stopped at step " << script.StepsDone();
        EXPECT_TRUE(script.Finished());
    }

    Installation install;
    TfrmMain prompt{{"0", install.ProductFile}};
    // The wait dialog reads its texts when it is made, through the paths the prompt set.
    bool installed_ = (install.Use(), true);
    TfrmWait wait{prompt};
    test::MessageBoxRecorder boxes;
};

TEST(WaitDialog, DrawsTwelveSpinnerFramesWithTheMarkedSpokeMovingOnOneStepEach) {
    const auto frames = DrawSpinnerFrames();
    ASSERT_EQ(frames.size(), 12u);
    const COLORREF background = frames[0]->PixelAt(0, 31);
    for (std::size_t k = 0; k < frames.size(); ++k) {
        const ui::Bitmap& frame = *frames[k];
        ASSERT_EQ(frame.Width(), 32);
        ASSERT_EQ(frame.Height(), 32);
        EXPECT_EQ(frame.PixelAt(0, 31), background);  // left out when drawn transparently
        double sumX = 0, sumY = 0;
        int dark = 0, light = 0;
        std::set<int> lightDirections;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const COLORREF c = frame.PixelAt(x, y);
                if (c == background) continue;
                const int grey = GetRValue(c);
                EXPECT_TRUE(GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c)) << "grey only";
                const double angle = std::atan2(x - 15.5, 15.5 - y) * 180 / 3.14159265358979;
                if (grey < 128) {
                    ++dark;
                    sumX += x - 15.5;
                    sumY += 15.5 - y;
                } else {
                    ++light;
                    lightDirections.insert(static_cast<int>(std::lround((angle < 0 ? angle + 360 : angle) / 30)) % 12);
                }
            }
        ASSERT_GT(dark, 5) << k;
        EXPECT_GT(light, 10 * dark / 2) << k;
        EXPECT_EQ(lightDirections.size(), 11u) << k;  // the other eleven spokes
        double markedAngle = std::atan2(sumX, sumY) * 180 / 3.14159265358979;
        if (markedAngle < 0) markedAngle += 360;
        const double expected = 30.0 * static_cast<double>(k);
        const double off = std::fabs(std::remainder(markedAngle - expected, 360.0));
        EXPECT_LT(off, 8.0) << "frame " << k << " marks " << markedAngle;
    }
}

TEST_F(SubmissionTest, WaitDialogCentresItsPictureAndLineAndReadsItsTexts) {
    EXPECT_EQ(wait.Caption(), "Sending your survey");
    EXPECT_EQ(wait.lblWait.Text(), "Sending your answers, please wait...");
    EXPECT_EQ(wait.btnCancel.Text(), "Cancel");
    EXPECT_EQ(wait.ClientWidth(), 434);
    EXPECT_EQ(wait.ClientHeight(), 102);
    EXPECT_FALSE(GetWindowLongPtrW(wait.Handle(), GWL_STYLE) & WS_SYSMENU);
    // Positions on the pane, which lies at (-4, -2) in the client area.
    const int imageLeft = (434 - (32 + wait.lblWait.Width() + 15)) / 2;
    EXPECT_EQ(wait.imgGif.Left(), imageLeft - 4);
    EXPECT_EQ(wait.imgGif.Top(), 20 - 2);
    EXPECT_EQ(wait.imgGif.Width(), 32);
    EXPECT_EQ(wait.lblWait.Left(), imageLeft + 32 + 15 - 4);
    EXPECT_EQ(wait.lblWait.Top(), 20 + (32 - wait.lblWait.Height()) / 2 - 2);
    EXPECT_EQ(wait.lblWait.Font().Height, 13);
    const RECT cancel = wait.btnCancel.Bounds();
    EXPECT_EQ(cancel.left, 175 - 4);
    EXPECT_EQ(cancel.top, 70 - 2);
    EXPECT_EQ(cancel.right - cancel.left, 90);
    EXPECT_EQ(cancel.bottom - cancel.top, 25);
    EXPECT_FALSE(wait.Visible());
    EXPECT_FALSE(wait.TimerGif.Enabled());
    EXPECT_FALSE(wait.Timer1.Enabled());
    EXPECT_EQ(wait.TimerGif.Interval(), 80u);
    EXPECT_EQ(wait.Timer1.Interval(), 1000u);

    const Installation bare("Kestrix", "");
    bare.Use();
    TfrmWait plain(prompt);
    EXPECT_EQ(plain.Caption(), "???");
    EXPECT_EQ(plain.lblWait.Text(), "???");
    EXPECT_EQ(plain.btnCancel.Text(), "???");
}

TEST_F(SubmissionTest, SuccessReportsThenClosesTheSurveyAndReturnsToThePrompt) {
    test::LoopbackServer server(test::reply::Status(200));
    PointAt(server);
    bool waitVisibleDuringReport = false, surveyOpenDuringReport = false;
    boxes.OnBox = [&](const ui::MessageBoxRequest& box) {
        if (box.Icon != ui::MessageIcon::Information) return;
        waitVisibleDuringReport = wait.Visible();
        surveyOpenDuringReport = VisibleForm<TfrmSurvey>() != nullptr;
    };
    std::set<int> framesShown;
    Script script({FillAndSubmit("a b\rc", "  me@example.com "),
                   {[&] {
                        if (wait.Visible()) framesShown.insert(wait.FrameIndex);
                        return boxes.Boxes().size() == 2;
                    },
                    nullptr},
                   SurveyGone()},
                  Rescue());
    RunSurvey(script);

    ASSERT_EQ(boxes.Boxes().size(), 2u);
    EXPECT_EQ(boxes.Boxes()[0].Text, "Send the survey now?");
    EXPECT_EQ(boxes.Boxes()[1].Text, "Thank you! Your survey has been sent.");
    EXPECT_EQ(boxes.Boxes()[1].Icon, ui::MessageIcon::Information);
    EXPECT_EQ(boxes.Boxes()[1].Owner, &wait);
    EXPECT_EQ(boxes.Boxes()[1].Caption, "Kestrix Uninstall - Kestrix");
    EXPECT_TRUE(waitVisibleDuringReport);
    EXPECT_TRUE(surveyOpenDuringReport);
    EXPECT_GT(framesShown.size(), 2u);  // the spinner turned meanwhile

    ASSERT_EQ(server.Requests().size(), 1u);
    const std::string request = server.Requests()[0];
    const std::string body = "myaddress=%20%20me@example.com%20&subject=Uninstall%20Survey%20For%20Kestrix"
                             "&content=a%20b%3Cbr%3Ec";
    ASSERT_GT(request.size(), body.size());
    EXPECT_EQ(request.substr(request.size() - body.size()), body) << request;
    EXPECT_EQ(SendData.Address, "  me@example.com ");  // as typed, not trimmed

    EXPECT_TRUE(prompt.Visible());
    EXPECT_TRUE(IsWindowEnabled(prompt.Handle()));
    EXPECT_FALSE(wait.Visible());
    EXPECT_FALSE(wait.TimerGif.Enabled());
    EXPECT_EQ(wait.WorkerThread, nullptr);
    EXPECT_EQ(wait.RunningWorkers(), 0);
    EXPECT_EQ(wait.WorkersStarted(), 1);
}

TEST_F(SubmissionTest, FailureKeepsTheSurveyWithItsTextAndAddressForAnotherTry) {
    test::LoopbackServer refusing(test::reply::Status(500));
    test::LoopbackServer redirecting(test::reply::Status(302));
    PointAt(refusing);
    std::string textAfterFailure, addressAfterFailure;
    bool surveyActiveAfterFailure = false;
    Script script({FillAndSubmit("Crashes on export", "me@example.com"),
                   {[&] { return boxes.Boxes().size() == 2 && !wait.Visible(); },
                    [&] {
                        TfrmSurvey* survey = VisibleForm<TfrmSurvey>();
                        // The wait dialog gives the activation back to the survey, not the disabled prompt.
                        surveyActiveAfterFailure = GetActiveWindow() == survey->Handle();
                        textAfterFailure = survey->edText.Text();
                        addressAfterFailure = survey->edEmail.Text();
                        PointAt(redirecting);
                        PostMessageW(survey->btnSubmitSurvey.Handle(), BM_CLICK, 0, 0);
                    }},
                   {[&] { return boxes.Boxes().size() == 4; }, nullptr},
                   CloseSurvey(),
                   SurveyGone()},
                  Rescue());
    RunSurvey(script);
    ASSERT_EQ(boxes.Boxes().size(), 4u);
    EXPECT_EQ(boxes.Boxes()[1].Text, "Sorry, the survey could not be sent.");
    EXPECT_EQ(boxes.Boxes()[1].Icon, ui::MessageIcon::Information);
    EXPECT_EQ(boxes.Boxes()[1].Owner, &wait);
    EXPECT_EQ(boxes.Boxes()[2].Text, "Send the survey now?");
    EXPECT_EQ(boxes.Boxes()[3].Text, "Sorry, the survey could not be sent.");
    EXPECT_TRUE(surveyActiveAfterFailure);
    EXPECT_EQ(textAfterFailure, "Crashes on export");
    EXPECT_EQ(addressAfterFailure, "me@example.com");
    EXPECT_EQ(refusing.Requests().size(), 1u);
    EXPECT_EQ(redirecting.Requests().size(), 1u);  // not followed elsewhere
    EXPECT_EQ(wait.RunningWorkers(), 0);
}

TEST_F(SubmissionTest, CancelWithinTheFirstSecondSendsNothingAndIsReportedWhenTheStartTimerFires) {
    test::LoopbackServer server(test::reply::Status(200));
    PointAt(server);
    int workersAtCancel = -1, workersAtReport = -1;
    std::size_t boxesAfterCancel = 0;
    bool surveyOpenAfterCancel = false;
    RECT waitRect{}, promptRect{};
    Script script({FillAndSubmit("Too slow", "me@example.com"),
                   {[&] { return wait.Visible(); },
                    [&] {
                        waitRect = wait.WindowRect();
                        promptRect = prompt.WindowRect();
                        workersAtCancel = wait.WorkersStarted();
                        SendMessageW(wait.btnCancel.Handle(), BM_CLICK, 0, 0);
                    }},
                   {[&] { return !wait.Visible(); },
                    [&] {
                        boxesAfterCancel = boxes.Boxes().size();
                        surveyOpenAfterCancel = VisibleForm<TfrmSurvey>() != nullptr;
                    }},
                   {[&] { return boxes.Boxes().size() == 2; }, [&] { workersAtReport = wait.WorkersStarted(); }},
                   CloseSurvey(),
                   SurveyGone()},
                  Rescue());
    RunSurvey(script);
    EXPECT_EQ(workersAtCancel, 0);
    EXPECT_EQ(boxesAfterCancel, 1u);  // the dialog closed at once, the report comes later
    EXPECT_TRUE(surveyOpenAfterCancel);
    EXPECT_EQ(workersAtReport, 1);  // only once the start timer has started the worker
    ASSERT_EQ(boxes.Boxes().size(), 2u);
    EXPECT_EQ(boxes.Boxes()[1].Text, "Sending was cancelled.");
    EXPECT_EQ(boxes.Boxes()[1].Owner, &wait);
    EXPECT_FALSE(server.WaitForRequests(1, 200ms));
    EXPECT_FALSE(wait.Timer1.Enabled());
    EXPECT_EQ(waitRect.left - promptRect.left,
              ((promptRect.right - promptRect.left) - (waitRect.right - waitRect.left)) / 2);
}

TEST_F(SubmissionTest, TheWaitDialogIsCentredOverThePromptAtEveryShowingWhereverThePromptHasMoved) {
    test::LoopbackServer server(test::reply::Status(500));
    PointAt(server);
    std::vector<std::pair<RECT, RECT>> placed;  // the wait dialog's and the prompt's at each showing
    const auto cancelWhenShown = [&] {
        return Script::Step{[&] { return wait.Visible(); },
                            [&] {
                                placed.emplace_back(wait.WindowRect(), prompt.WindowRect());
                                PostMessageW(wait.btnCancel.Handle(), BM_CLICK, 0, 0);
                            }};
    };
    const auto moveThePromptAndSubmitAgain = [&] {
        return Script::Step{[&] { return boxes.Boxes().size() == 2; },
                            [&] {
                                const RECT r = prompt.WindowRect();
                                prompt.MoveTo(r.left + 90, r.top + 50);
                                PostMessageW(VisibleForm<TfrmSurvey>()->btnSubmitSurvey.Handle(), BM_CLICK, 0, 0);
                            }};
    };
    Script script({FillAndSubmit("Follow me", "me@example.com"), cancelWhenShown(), moveThePromptAndSubmitAgain(),
                   cancelWhenShown(), {[&] { return boxes.Boxes().size() == 4; }, nullptr}, CloseSurvey(),
                   SurveyGone()},
                  Rescue());
    RunSurvey(script);
    ASSERT_EQ(placed.size(), 2u);
    EXPECT_EQ(placed[1].second.left, placed[0].second.left + 90);
    for (const auto& [waitRect, promptRect] : placed) {
        EXPECT_EQ(waitRect.left - promptRect.left,
                  ((promptRect.right - promptRect.left) - (waitRect.right - waitRect.left)) / 2);
        EXPECT_EQ(waitRect.top - promptRect.top,
                  ((promptRect.bottom - promptRect.top) - (waitRect.bottom - waitRect.top)) / 2);
    }
    EXPECT_EQ(server.Requests().size(), 0u);
}

TEST_F(SubmissionTest, CancelDuringThePostIsReportedOnlyWhenThePostHasEnded) {
    HeldServer server;
    PointAt(server.Server());
    int ticksAtCancel = 0;
    std::size_t boxesWhileHeld = 0;
    Script* self = nullptr;
    Script script({FillAndSubmit("Needs more codecs", "me@example.com"),
                   {[&] { return server.Received() == 1; },
                    [&] { SendMessageW(wait.btnCancel.Handle(), BM_CLICK, 0, 0); }},
                   {[&] { return !wait.Visible(); }, [&] { ticksAtCancel = self->Ticks(); }},
                   {[&] { return self->Ticks() >= ticksAtCancel + 30; },
                    [&] {
                        boxesWhileHeld = boxes.Boxes().size();
                        server.Release(1);
                    }},
                   {[&] { return boxes.Boxes().size() == 2; }, nullptr},
                   CloseSurvey(),
                   SurveyGone()},
                  Rescue());
    self = &script;
    RunSurvey(script);
    EXPECT_EQ(boxesWhileHeld, 1u);
    ASSERT_EQ(boxes.Boxes().size(), 2u);
    // Accepted by the server, yet the cancel decides the report.
    EXPECT_EQ(boxes.Boxes()[1].Text, "Sending was cancelled.");
    EXPECT_EQ(wait.RunningWorkers(), 0);
}

// A screen reader or another program presses the prompt's buttons while the survey and then the
// wait dialog are up: no second survey opens inside the first one's loop, and the program does
// not end in the middle of the submission.
TEST_F(SubmissionTest, ThePromptsButtonsDoNothingBehindTheSurveyOrTheWaitDialog) {
    HeldServer server;
    PointAt(server.Server());
    struct Seen {
        std::size_t surveys = 0;
        int exitCode = -1;
        bool promptShown = false, waitShown = false;
    } duringSurvey, duringWait;
    int ticksAtPress = 0;
    std::vector<HRESULT> readerPresses;
    Script* self = nullptr;
    const auto press = [&](std::initializer_list<HWND> buttons) {
        ticksAtPress = self->Ticks();
        for (HWND button : buttons) {
            readerPresses.push_back(test::AccessibleWindow(button).DoDefaultAction());
            SendMessageW(button, BM_CLICK, 0, 0);
            PostMessageW(button, BM_CLICK, 0, 0);
        }
    };
    const auto look = [&](Seen& seen) {
        seen = {VisibleForms<TfrmSurvey>().size(), ExitCode, prompt.Visible(), wait.Visible()};
    };
    const auto aWhileAfterThePress = [&] { return self->Ticks() >= ticksAtPress + 10; };
    Script script({{[] { return VisibleForm<TfrmSurvey>() != nullptr; },
                    [&] { press({prompt.btnSurvey.Handle(), prompt.btnUninstall.Handle()}); }},
                   {aWhileAfterThePress, [&] { look(duringSurvey); }},
                   FillAndSubmit("Needs more codecs", "me@example.com"),
                   {[&] { return server.Received() == 1 && wait.Visible(); },
                    [&] { press({prompt.btnUninstall.Handle(), prompt.btnSurvey.Handle()}); }},
                   {aWhileAfterThePress,
                    [&] {
                        look(duringWait);
                        server.Release(1);
                    }},
                   {[&] { return boxes.Boxes().size() == 2; }, nullptr},
                   SurveyGone()},
                  Rescue());
    self = &script;
    RunSurvey(script);
    EXPECT_EQ(duringSurvey.surveys, 1u);  // a second survey would show over the first
    EXPECT_EQ(duringSurvey.exitCode, 1);
    EXPECT_TRUE(duringSurvey.promptShown);
    EXPECT_EQ(duringWait.surveys, 1u);
    EXPECT_EQ(duringWait.exitCode, 1);
    EXPECT_TRUE(duringWait.promptShown);
    EXPECT_TRUE(duringWait.waitShown);
    EXPECT_EQ(readerPresses, std::vector<HRESULT>(4, E_FAIL));
    ASSERT_EQ(boxes.Boxes().size(), 2u);
    EXPECT_EQ(boxes.Boxes()[1].Text, "Thank you! Your survey has been sent.");
    EXPECT_EQ(server.Received(), 1u);

    // With nothing in front of it the prompt's button works again.
    EXPECT_EQ(ExitCode, 1);
    PostMessageW(prompt.btnUninstall.Handle(), BM_CLICK, 0, 0);
    test::PumpFor(50ms);
    EXPECT_EQ(ExitCode, 0);
}

// Cancel at once, close the survey and open a new one as a quick user does: the input is queued
// while the program is busy, and the start timer of the cancelled submission falls due before
// or after the new form has opened. Whatever that timer starts must act for the cancelled one.
TEST_F(SubmissionTest, ACancelledSurveyStaysUnsentWhenANewSurveyOpensBeforeOrAfterItsStartTimer) {
    test::LoopbackServer server(test::reply::Status(200));
    PointAt(server);
    for (const auto reopenDelay : {0ms, 300ms, 700ms, 1200ms}) {
        SCOPED_TRACE(reopenDelay.count());
        boxes.Clear();
        const int workersBefore = wait.WorkersStarted();
        HWND firstSurvey = nullptr;
        std::thread user;
        std::chrono::steady_clock::time_point reopenedAt;
        bool newSurveyOpenAfterwards = false;
        std::string newSurveyText = "(not seen)";
        const auto newSurvey = [&]() -> TfrmSurvey* {
            TfrmSurvey* survey = VisibleForm<TfrmSurvey>();
            return survey && survey->Handle() != firstSurvey ? survey : nullptr;
        };
        Script script({FillAndSubmit("Cancelled words", "me@example.com"),
                       {[&] { return wait.Visible(); },
                        [&] {
                            firstSurvey = VisibleForm<TfrmSurvey>()->Handle();
                            PostMessageW(wait.btnCancel.Handle(), BM_CLICK, 0, 0);
                            PostMessageW(firstSurvey, WM_CLOSE, 0, 0);
                            const HWND surveyButton = prompt.btnSurvey.Handle();
                            user = std::thread([surveyButton, reopenDelay] {
                                std::this_thread::sleep_for(reopenDelay);
                                PostMessageW(surveyButton, BM_CLICK, 0, 0);
                            });
                        }},
                       {[&] { return newSurvey() != nullptr; }, [&] { reopenedAt = std::chrono::steady_clock::now(); }},
                       // The cancelled submission's worker has started and reported.
                       {[&] { return wait.WorkersStarted() == workersBefore + 1 && wait.RunningWorkers() == 0; },
                        nullptr},
                       {[&] { return std::chrono::steady_clock::now() >= reopenedAt + 500ms; },
                        [&] {
                            TfrmSurvey* survey = newSurvey();
                            newSurveyOpenAfterwards = survey != nullptr;
                            if (survey) newSurveyText = survey->edText.Text();
                        }},
                       CloseSurvey(),
                       SurveyGone()},
                      Rescue());
        RunSurvey(script);
        if (user.joinable()) user.join();
        EXPECT_TRUE(newSurveyOpenAfterwards);
        EXPECT_EQ(newSurveyText, "");
        EXPECT_FALSE(server.WaitForRequests(1, 100ms));
        ASSERT_GE(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.Boxes()[0].Text, "Send the survey now?");
        // Reported as cancelled while no newer survey is open, and otherwise not at all.
        for (std::size_t i = 1; i < boxes.Boxes().size(); ++i)
            EXPECT_EQ(boxes.Boxes()[i].Text, "Sending was cancelled.");
        EXPECT_LE(boxes.Boxes().size(), 2u);
        EXPECT_FALSE(wait.Timer1.Enabled());
    }
    EXPECT_EQ(server.Requests().size(), 0u);
}

TEST_F(SubmissionTest, ClosingTheWaitDialogByTheWindowSystemIsACancelButEscDoesNothing) {
    HeldServer server;
    PointAt(server.Server());
    const auto altF4 = [this] {
        PostMessageW(wait.Handle(), WM_SYSKEYDOWN, VK_F4, static_cast<LPARAM>(0x203E0001));  // Alt held
        PostMessageW(wait.Handle(), WM_SYSKEYUP, VK_F4, static_cast<LPARAM>(0xE03E0001u));
    };
    const auto closeMessage = [this] { PostMessageW(wait.Handle(), WM_CLOSE, 0, 0); };
    int round = 0;
    // First while the post is under way, then within the first second.
    for (const auto& closeWait : {std::function<void()>(closeMessage), std::function<void()>(altF4)}) {
        SCOPED_TRACE(round);
        boxes.Clear();
        bool visibleAfterEsc = false, cancelledAfterEsc = true;
        const std::size_t requestsBefore = server.Received();
        int ticksAtEsc = 0;
        Script* self = nullptr;
        Script script({FillAndSubmit("Closed by the frame", "me@example.com"),
                       {[&] { return wait.Visible() && (round == 1 || server.Received() > requestsBefore); },
                        [&] {
                            ticksAtEsc = self->Ticks();
                            PostMessageW(wait.btnCancel.Handle(), WM_KEYDOWN, VK_ESCAPE, 1);
                            PostMessageW(wait.btnCancel.Handle(), WM_KEYUP, VK_ESCAPE, static_cast<LPARAM>(0xC0000001u));
                        }},
                       {[&] { return self->Ticks() >= ticksAtEsc + 5; },
                        [&] {
                            visibleAfterEsc = wait.Visible();
                            cancelledAfterEsc = IsSet(SubmitCancelled);
                            closeWait();
                        }},
                       {[&] { return !wait.Visible(); }, [&] { server.Release(static_cast<int>(server.Received())); }},
                       {[&] { return boxes.Boxes().size() == 2; }, nullptr},
                       CloseSurvey(),
                       SurveyGone()},
                      Rescue());
        self = &script;
        RunSurvey(script);
        EXPECT_TRUE(visibleAfterEsc);
        EXPECT_FALSE(cancelledAfterEsc);
        ASSERT_EQ(boxes.Boxes().size(), 2u);
        EXPECT_EQ(boxes.Boxes()[1].Text, "Sending was cancelled.");
        EXPECT_EQ(server.Received(), requestsBefore + (round == 0 ? 1 : 0));
        EXPECT_EQ(wait.RunningWorkers(), 0);
        ++round;
    }
}

// The race of a second submission with the first's late report: the held server fixes its order,
// so a second round only shows that nothing of the first is left over.
class RepeatedSubmission : public SubmissionTest, public ::testing::WithParamInterface<int> {};
INSTANTIATE_TEST_SUITE_P(Rounds, RepeatedSubmission, ::testing::Range(0, 2));

TEST_P(RepeatedSubmission, ALateReportOfACancelledSubmissionLeavesTheNewerOneAlone) {
    HeldServer server;
    PointAt(server.Server());
    bool newerStillWaiting = false;
    std::size_t boxesAfterOldReport = 0;
    Script script({FillAndSubmit("First try", "me@example.com"),
                   {[&] { return server.Received() == 1; },
                    [&] { SendMessageW(wait.btnCancel.Handle(), BM_CLICK, 0, 0); }},
                   {[&] { return !wait.Visible(); },
                    [&] { PostMessageW(VisibleForm<TfrmSurvey>()->btnSubmitSurvey.Handle(), BM_CLICK, 0, 0); }},
                   {[&] { return server.Received() == 2; }, [&] { server.Release(1); }},
                   {[&] { return wait.RunningWorkers() == 1; },  // the old report has come and gone
                    [&] {
                        newerStillWaiting = wait.Visible() && !IsSet(SubmitDone);
                        boxesAfterOldReport = boxes.Boxes().size();
                        server.Release(2);
                    }},
                   {[&] { return boxes.Boxes().size() == 3; }, nullptr},
                   SurveyGone()},
                  Rescue());
    RunSurvey(script);
    EXPECT_TRUE(newerStillWaiting);
    EXPECT_EQ(boxesAfterOldReport, 2u);  // the two confirmations, no report of the old one
    ASSERT_EQ(boxes.Boxes().size(), 3u);
    EXPECT_EQ(boxes.Boxes()[2].Text, "Thank you! Your survey has been sent.");
    EXPECT_EQ(wait.RunningWorkers(), 0);
}

}  // namespace
}  // namespace kx::valedict
