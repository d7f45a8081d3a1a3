#include "Process.h"

#include "Os.h"

#ifdef _WIN32
#include "Text.h"
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <stdexcept>

namespace kx::test {

std::string BinaryFolder() { return os::ProgramFolder(); }

#ifdef _WIN32

namespace {

// Quoting by the rules the C runtime uses to split a command line.
std::wstring Quote(const std::wstring& argument) {
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

}  // namespace

int RunProgram(const std::string& program, const std::vector<std::string>& arguments) {
    std::wstring commandLine = Quote(ToWide(program));
    for (const std::string& argument : arguments) commandLine += L" " + Quote(ToWide(argument));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        throw std::runtime_error("cannot start " + program);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

#else

int RunProgram(const std::string& program, const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    std::string programCopy = program;
    std::vector<std::string> copies = arguments;
    argv.push_back(programCopy.data());
    for (std::string& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child < 0) throw std::runtime_error("cannot start " + program);
    if (child == 0) {
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

#endif

}  // namespace kx::test
