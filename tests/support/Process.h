// Starts real child processes for tests: the built programs and tools.
#pragma once

#include <string>
#include <vector>

namespace kx::test {

// Folder of the test executable, where the build puts every program and tool as well.
std::string BinaryFolder();

// Runs the program with the arguments (each passed as one argument) and returns its exit code.
int RunProgram(const std::string& program, const std::vector<std::string>& arguments);

struct ProgramOutput {
    int ExitCode;
    std::string Out;  // standard output, as bytes
    std::string Err;  // standard error, as bytes
};

#ifdef _WIN32
// Quoting by the rules the C runtime uses to split a command line.
std::wstring QuoteArgument(const std::wstring& argument);
#endif

// As RunProgram, and collects what the program wrote to its standard output and error.
ProgramOutput RunProgramCapture(const std::string& program, const std::vector<std::string>& arguments);

}  // namespace kx::test
