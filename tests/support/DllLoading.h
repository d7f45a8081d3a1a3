// Where a program's DLLs come from: the import table the loader follows before main, read from
// the executable file itself, and DLLs planted beside a program to see whether it takes them.
// Windows only.
#pragma once

#include <string>
#include <vector>

namespace kx::test {

// The DLLs the executable imports in the ordinary way, which the loader maps before the
// program runs (delay-loaded ones are not among them), that are not on Windows' known-DLL
// list: the loader takes those from the program folder when a file of the name lies there.
// std::runtime_error when the file is no PE image, its import table lies outside the file or
// lacks kernel32, which every program imports.
std::vector<std::string> ImportsOffTheKnownDllList(const std::string& executable);

// The functions the executable imports in the ordinary way from kernel32 that Windows 7 has
// only with update KB2533623, which the programs do not require: with one of them the loader
// refuses to start the program there. std::runtime_error as above, or when no function
// imported from kernel32 can be read.
std::vector<std::string> ImportsMissingFromWindows7(const std::string& executable);

// The test DLL copied beside the program under each name; it leaves a mark file beside itself
// when it is loaded. Meanwhile Wine is told to prefer such a DLL file to its built-in DLL of
// the same name for this program, as Windows itself goes by the search order.
class PlantedLibraries {
public:
    PlantedLibraries(const std::string& binFolder, const std::string& program, std::vector<std::string> names);
    ~PlantedLibraries();
    PlantedLibraries(const PlantedLibraries&) = delete;
    PlantedLibraries& operator=(const PlantedLibraries&) = delete;
    std::vector<std::string> Loaded() const;  // the names whose planted copy was loaded

private:
    std::string folder_;
    std::wstring overrides_;
    std::vector<std::string> names_;
};

}  // namespace kx::test
