#include "WaitFrm.h"

#include "FormPost.h"
#include "Global.h"
#include "MessageBox.h"
#include "ValedictState.h"

#include <cmath>
#include <stdexcept>

namespace kx::valedict {
namespace {

// The pane the controls lie on reaches past the client area by these amounts.
constexpr int PaneLeft = -4;
constexpr int PaneTop = -2;
constexpr int SpinnerSize = 32;
constexpr int FrameCount = 12;
constexpr COLORREF SpinnerBackground = RGB(255, 0, 255);

}  // namespace

std::vector<std::shared_ptr<ui::Bitmap>> DrawSpinnerFrames() {
    constexpr double Pi = 3.14159265358979323846;
    std::vector<std::shared_ptr<ui::Bitmap>> frames;
    const MemoryDc owned(CreateCompatibleDC(WindowDc().get()));
    const HDC dc = owned.get();
    const LOGBRUSH light{BS_SOLID, RGB(200, 200, 200), 0};
    const LOGBRUSH dark{BS_SOLID, RGB(70, 70, 70), 0};
    const DWORD penStyle = PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND;
    const GdiObject<HPEN> lightPen(ExtCreatePen(penStyle, 3, &light, 0, nullptr));
    const GdiObject<HPEN> darkPen(ExtCreatePen(penStyle, 3, &dark, 0, nullptr));
    for (int frame = 0; frame < FrameCount; ++frame) {
        auto bitmap = ui::Bitmap::Create(SpinnerSize, SpinnerSize, SpinnerBackground);
        const SelectedObject picture(dc, bitmap->Handle());
        const SelectedObject pen(dc, lightPen.get());
        for (int spoke = 0; spoke < FrameCount; ++spoke) {
            // Spoke 0 points up; the marked one goes round clockwise.
            const double angle = spoke * 2 * Pi / FrameCount;
            const double dx = std::sin(angle), dy = -std::cos(angle);
            SelectObject(dc, spoke == frame ? darkPen.get() : lightPen.get());
            MoveToEx(dc, static_cast<int>(std::lround(15.5 + 7 * dx)), static_cast<int>(std::lround(15.5 + 7 * dy)),
                     nullptr);
            LineTo(dc, static_cast<int>(std::lround(15.5 + 13 * dx)), static_cast<int>(std::lround(15.5 + 13 * dy)));
        }
        frames.push_back(std::move(bitmap));
    }
    return frames;
}

DWORD WINAPI SubmitWorker(LPVOID parameter) {
    std::unique_ptr<WorkerJob> worker(static_cast<WorkerJob*>(parameter));
    const SubmitJob& job = worker->Job;
    const std::uint32_t submission = job.Submission;
    auto report = [&] {
        PostMessageW(worker->ReportWindow, WM_SUBMITDONE, submission, 0);
        SetSubmissionDone(submission);
    };
    try {
        if (SubmissionCancelled(submission)) {
            report();
            return 0;
        }
        const FeedbackServer server = ConfiguredFeedbackServer();
        if (SubmissionCancelled(submission)) {
            report();
            return 0;
        }
        const bool succeeded =
            PostFeedback(server, job.Address, job.Subject, job.Content, std::chrono::milliseconds(15000));
        SetSubmissionSucceeded(submission, succeeded);
    } catch (...) {
        SetSubmissionSucceeded(submission, false);
    }
    report();
    return 0;
}

TfrmWait::TfrmWait(ui::Form& owner)
    : Form(&owner, ui::FormBorder::DialogNoButtons, 434, 102),
      imgGif(*this, PaneLeft, PaneTop + 20, SpinnerSize, SpinnerSize),
      lblWait(*this, 0, 0),
      btnCancel(*this, PaneLeft + 175, PaneTop + 70, 90, 25),
      TimerGif(*this, 80, [this] { TimerGifTimer(); }),
      Timer1(*this, 1000, [this] { Timer1Timer(); }) {
    FormCreate();
}

TfrmWait::~TfrmWait() = default;

void TfrmWait::FormCreate() {
    SetPosition(ui::FormPosition::OwnerCenter);
    imgListGifPic = DrawSpinnerFrames();
    imgGif.SetTransparent(true);
    imgGif.SetBitmap(imgListGifPic[0]);
    ui::FontSpec waitFont = Font();
    waitFont.Height = 13;
    lblWait.SetFont(waitFont);
    lblWait.SetAutoSize(true);
    btnCancel.OnClick = [this] { btnCancelClick(); };

    lblWait.SetText(ReadKey(LanguageFilePath, keys::WaitLblWait));
    SetCaption(ReadKey(LanguageFilePath, keys::WaitTitle));
    btnCancel.SetText(ReadKey(LanguageFilePath, keys::WaitBtnCancel));

    // The picture and the line are centred as one group, in the pane's coordinates.
    const int imageTop = imgGif.Top() - PaneTop;
    const int w = ClientWidth() - (imgGif.Width() + lblWait.Width() + 15);
    const int imageLeft = w / 2;
    imgGif.SetLeft(PaneLeft + imageLeft);
    lblWait.SetLeft(PaneLeft + imageLeft + imgGif.Width() + 15);
    lblWait.SetTop(PaneTop + imageTop + (imgGif.Height() - lblWait.Height()) / 2);
}

void TfrmWait::Run(const SubmitJob& job) {
    job_ = job;
    ShowModal();
}

void TfrmWait::FormShow() {
    FrameIndex = 0;
    TimerGif.SetEnabled(true);
    Timer1.SetEnabled(true);
}

void TfrmWait::FormClose() { TimerGif.SetEnabled(false); }

void TfrmWait::Timer1Timer() {
    Timer1.SetEnabled(false);
    // The timer may fall due long after the showing, even after a newer survey form has
    // opened: it starts the worker of the submission it was armed for, never the current one.
    auto worker = std::make_unique<WorkerJob>(WorkerJob{job_, Handle()});
    KernelHandle thread(CreateThread(nullptr, 0, &SubmitWorker, worker.get(), 0, nullptr));
    if (!thread) throw std::runtime_error("Cannot start the submission");
    worker.release();  // the worker owns it now
    // An earlier worker's handle of the same submission closes here.
    Worker& started = workers_[job_.Submission];
    started = {std::move(thread), job_.SurveyWindow};
    WorkerThread = started.Thread.get();
    ++workersStarted_;
}

void TfrmWait::TimerGifTimer() {
    imgGif.SetBitmap(imgListGifPic[static_cast<std::size_t>(FrameIndex)]);
    ++FrameIndex;
    if (FrameIndex > 11) FrameIndex = 0;
    if (IsSet(SubmitDone)) Close();
}

void TfrmWait::btnCancelClick() {
    CancelSubmission(job_.Submission);
    Close();
}

void TfrmWait::SubmitDoneMessage(std::uint32_t submission) {
    const auto worker = workers_.find(submission);
    if (worker == workers_.end()) return;
    if (WorkerThread == worker->second.Thread.get()) WorkerThread = nullptr;
    const HWND surveyWindow = worker->second.SurveyWindow;
    workers_.erase(worker);
    // A report that a newer survey form or submission has overtaken shows and closes nothing.
    if (submission != CurrentSubmission()) return;
    Close();
    if (IsSet(SubmitCancelled)) {
        ui::ShowMessageBox(this, ReadKey(LanguageFilePath, keys::WaitCancelSubmit),
                           ui::MessageIcon::Information);
    } else if (IsSet(SubmitSucceeded)) {
        ui::ShowMessageBox(this, ReadKey(LanguageFilePath, keys::WaitSuccessSubmit),
                           ui::MessageIcon::Information);
        // The box is modal, but the survey form may have been closed meanwhile.
        if (submission == CurrentSubmission() && IsWindow(surveyWindow)) PostMessageW(surveyWindow, WM_CLOSE, 0, 0);
    } else {
        ui::ShowMessageBox(this, ReadKey(LanguageFilePath, keys::WaitFailedSubmit),
                           ui::MessageIcon::Information);
    }
}

bool TfrmWait::HandleMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    result = 0;
    // Alt+F4 and every other close request while it shows are the Cancel button.
    if (message == WM_CLOSE && Modal()) {
        btnCancelClick();
        return true;
    }
    if (message != WM_SUBMITDONE) return false;
    SubmitDoneMessage(static_cast<std::uint32_t>(wParam));
    return true;
}

}  // namespace kx::valedict
