#include "ValedictState.h"

#include <mutex>

namespace kx::valedict {

std::string ProductFilePath;
std::optional<IniReader> ProductInMemory;
std::string LanguageFilePath;
int ExitCode = 1;
THttpSendDate SendData;
TfrmWait* frmWait = nullptr;

std::atomic<std::uint32_t> SubmitDone{0};
std::atomic<std::uint32_t> SubmitCancelled{0};
std::atomic<std::uint32_t> SubmitSucceeded{0};

namespace {

std::atomic<std::uint32_t> submissionNumber{0};
// A worker's check of its number and its write must not straddle the start of a newer
// submission, or it would mark the newer one done.
std::mutex& FlagsLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace

std::string ReadProductValue(const LanguageKey& key) {
    return ProductInMemory ? ReadKey(*ProductInMemory, key) : ReadKey(ProductFilePath, key);
}

std::uint32_t BeginSubmission() {
    std::lock_guard<std::mutex> guard(FlagsLock());
    SubmitDone = 0;
    SubmitCancelled = 0;
    return ++submissionNumber;
}

std::uint32_t CurrentSubmission() { return submissionNumber.load(); }

SubmitJob ConfirmSubmission() {
    SubmitJob job;
    job.Submission = BeginSubmission();
    job.SurveyWindow = SendData.SurveyWindow;
    job.Address = SendData.Address;
    job.Subject = SendData.Subject;
    job.Content = SendData.Content;
    return job;
}

void CancelSubmission(std::uint32_t submission) {
    std::lock_guard<std::mutex> guard(FlagsLock());
    if (submission == submissionNumber.load()) SubmitCancelled = FlagTrue;
}

bool SubmissionCancelled(std::uint32_t submission) {
    std::lock_guard<std::mutex> guard(FlagsLock());
    return submission != submissionNumber.load() || IsSet(SubmitCancelled);
}

void SetSubmissionSucceeded(std::uint32_t submission, bool succeeded) {
    std::lock_guard<std::mutex> guard(FlagsLock());
    if (submission == submissionNumber.load()) SubmitSucceeded = succeeded ? FlagTrue : 0;
}

void SetSubmissionDone(std::uint32_t submission) {
    std::lock_guard<std::mutex> guard(FlagsLock());
    if (submission == submissionNumber.load()) SubmitDone = FlagTrue;
}

}  // namespace kx::valedict
