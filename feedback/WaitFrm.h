// The wait dialog with its spinner, and the worker that posts the survey behind it.
#pragma once

#include "Bitmap.h"
#include "Form.h"
#include "Label.h"
#include "Picture.h"
#include "Scoped.h"
#include "StdControls.h"
#include "Timer.h"
#include "ValedictState.h"

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kx::valedict {

inline constexpr UINT WM_SUBMITDONE = 0x0634;

// Twelve 32 x 32 frames: a ring of grey spokes, one of them darker, one step on per frame.
// The bottom-left pixel is the background, which a transparent picture leaves out.
std::vector<std::shared_ptr<ui::Bitmap>> DrawSpinnerFrames();

// A worker's submission and the window it reports to; the worker owns and frees it.
struct WorkerJob {
    SubmitJob Job;
    HWND ReportWindow = nullptr;
};
DWORD WINAPI SubmitWorker(LPVOID job);

class TfrmWait : public ui::Form {
public:
    explicit TfrmWait(ui::Form& owner);
    ~TfrmWait() override;

    ui::Picture imgGif;
    ui::Label lblWait;
    ui::PushButton btnCancel;
    std::vector<std::shared_ptr<ui::Bitmap>> imgListGifPic;
    ui::Timer TimerGif;
    ui::Timer Timer1;
    int FrameIndex = 0;
    HANDLE WorkerThread = nullptr;

    // Shows the dialog modally for a confirmed submission; returns once it has closed.
    void Run(const SubmitJob& job);

    int WorkersStarted() const { return workersStarted_; }
    int RunningWorkers() const { return static_cast<int>(workers_.size()); }

protected:
    void FormShow() override;
    void FormClose() override;
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void FormCreate();
    void Timer1Timer();
    void TimerGifTimer();
    void btnCancelClick();
    void SubmitDoneMessage(std::uint32_t submission);

    // The submission of the latest showing.
    SubmitJob job_;
    struct Worker {
        KernelHandle Thread;
        HWND SurveyWindow = nullptr;
    };
    // The workers not yet reported, by submission.
    std::map<std::uint32_t, Worker> workers_;
    int workersStarted_ = 0;
};

}  // namespace kx::valedict
