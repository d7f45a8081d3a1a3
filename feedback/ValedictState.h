// Run-wide values of the feedback program: file paths, exit code, the hand-over record of a
// submission and the flags the wait dialog shares with the worker.
#pragma once

#include <windows.h>

#include "Global.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kx::valedict {

class TfrmWait;

extern std::string ProductFilePath;
// The product file's texts when they were decoded in memory, no copy written.
extern std::optional<IniReader> ProductInMemory;
extern std::string LanguageFilePath;
// A product file's value, from memory or from ProductFilePath.
std::string ReadProductValue(const LanguageKey& key);
extern int ExitCode;

struct THttpSendDate {
    HWND SurveyWindow = nullptr;
    std::string Address;
    std::string Subject;
    std::string Content;
};
extern THttpSendDate SendData;

// The wait dialog, created at start and kept for the whole run.
extern TfrmWait* frmWait;

// Each flag is one 32-bit word; true is written as all bits set and read as any bit set.
inline constexpr std::uint32_t FlagTrue = 0xFFFFFFFFu;
extern std::atomic<std::uint32_t> SubmitDone;
extern std::atomic<std::uint32_t> SubmitCancelled;
extern std::atomic<std::uint32_t> SubmitSucceeded;
inline bool IsSet(const std::atomic<std::uint32_t>& flag) { return flag.load() != 0; }

// Every submission has its own number. A new one clears SubmitDone and SubmitCancelled; from
// then on an older one counts as cancelled for good and can no longer write the flags. A
// survey form's showing begins one too, so that nothing left from an earlier form can act.
std::uint32_t BeginSubmission();
std::uint32_t CurrentSubmission();

// What a confirmed submission posts and where its success closes, fixed when the user
// confirms it: whatever runs for it later works from this copy, never from SendData.
struct SubmitJob {
    std::uint32_t Submission = 0;
    HWND SurveyWindow = nullptr;
    std::string Address;
    std::string Subject;
    std::string Content;
};
// Begins a submission of what SendData holds now.
SubmitJob ConfirmSubmission();
// Sets SubmitCancelled, unless a newer submission has begun meanwhile.
void CancelSubmission(std::uint32_t submission);

// The worker's side, each for its own submission only.
bool SubmissionCancelled(std::uint32_t submission);
void SetSubmissionSucceeded(std::uint32_t submission, bool succeeded);
void SetSubmissionDone(std::uint32_t submission);

}  // namespace kx::valedict
