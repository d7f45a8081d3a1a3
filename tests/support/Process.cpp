#include "Process.h"

#include "Os.h"
#include "Scoped.h"

#ifdef _WIN32
#include "Text.h"
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <atomic>
#include <stdexcept>

namespace kx::test {

std::string BinaryFolder() { return os::ProgramFolder(); }

namespace {

// Files rather than pipes: a child that fills both streams can never block on the other.
std::string CapturePath(const char* stream) {
    static std::atomic<int> counter{0};
#ifdef _WIN32
    const unsigned long process = GetCurrentProcessId();
#else
    const unsigned long process = static_cast<unsigned long>(getpid());
#endif
    return os::TempFolder() + "kxcapture-" + std::to_string(process) + "-" + std::to_string(++counter) + "." +
           stream;
}

std::string TakeFile(const std::string& path) {
    std::string text;
    if (os::FileExists(path)) {
        const std::vector<std::uint8_t> bytes = os::ReadFileBytes(path);
        text.assign(bytes.begin(), bytes.end());
    }
    os::RemoveFile(path);
    return text;
}

}  // namespace

#ifdef _WIN32

std::wstring QuoteArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') { ++backslashes; continue; }
        if (c == L'"') out.append(backslashes * 2 + 1, L'\\');
        else out.append(backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

ProgramOutput RunProgramCapture(const std::string& program, const std::vector<std::string>& arguments) {
    const std::string outPath = CapturePath("out"), errPath = CapturePath("err");
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    auto create = [&](const std::string& path) {
        return CreateFileW(ToWide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    KernelHandle out(create(outPath)), err(create(errPath));
    std::wstring commandLine = QuoteArgument(ToWide(program));
    for (const std::string& argument : arguments) commandLine += L" " + QuoteArgument(ToWide(argument));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out.get();
    startup.hStdError = err.get();
    PROCESS_INFORMATION process{};
    const bool started = out && err &&
                         CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                        &startup, &process);
    DWORD code = 0;
    if (started) {
        const KernelHandle thread(process.hThread), owned(process.hProcess);
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &code);
    }
    // Closed before they are read and removed.
    out.reset();
    err.reset();
    ProgramOutput result{static_cast<int>(code), TakeFile(outPath), TakeFile(errPath)};
    if (!started) throw std::runtime_error("cannot start " + program);
    return result;
}

#else

ProgramOutput RunProgramCapture(const std::string& program, const std::vector<std::string>& arguments) {
    const std::string outPath = CapturePath("out"), errPath = CapturePath("err");
    std::vector<char*> argv;
    std::string programCopy = program;
    std::vector<std::string> copies = arguments;
    argv.push_back(programCopy.data());
    for (std::string& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child < 0) throw std::runtime_error("cannot start " + program);
    if (child == 0) {
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(126);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, TakeFile(outPath), TakeFile(errPath)};
}

#endif

int RunProgram(const std::string& program, const std::vector<std::string>& arguments) {
    return RunProgramCapture(program, arguments).ExitCode;
}

}  // namespace kx::test
