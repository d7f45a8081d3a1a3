#include "DllLoading.h"

#include "Os.h"
#include "Text.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <stdexcept>

namespace kx::test {
namespace {

// An executable's bytes, read through its headers with every offset checked against the file.
class PeFile {
public:
    explicit PeFile(const std::string& path) : bytes_(os::ReadFileBytes(path)), path_(path) {
        const auto dos = At<IMAGE_DOS_HEADER>(0);
        if (dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew < 0 || At<DWORD>(dos.e_lfanew) != IMAGE_NT_SIGNATURE)
            Fail("no PE image");
        const std::size_t fileHeader = static_cast<std::size_t>(dos.e_lfanew) + sizeof(DWORD);
        const auto header = At<IMAGE_FILE_HEADER>(fileHeader);
        optional_ = fileHeader + sizeof header;
        sections_ = optional_ + header.SizeOfOptionalHeader;
        sectionCount_ = header.NumberOfSections;
    }

    // The data directory's address, or 0 when the image has none of that kind.
    DWORD Directory(int entry) const {
        const WORD magic = At<WORD>(optional_);
        std::size_t count, directories;
        if (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
            count = optional_ + offsetof(IMAGE_OPTIONAL_HEADER64, NumberOfRvaAndSizes);
            directories = optional_ + offsetof(IMAGE_OPTIONAL_HEADER64, DataDirectory);
        } else if (magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC) {
            count = optional_ + offsetof(IMAGE_OPTIONAL_HEADER32, NumberOfRvaAndSizes);
            directories = optional_ + offsetof(IMAGE_OPTIONAL_HEADER32, DataDirectory);
        } else {
            Fail("unknown optional header");
        }
        if (static_cast<DWORD>(entry) >= At<DWORD>(count)) return 0;
        return At<IMAGE_DATA_DIRECTORY>(directories + entry * sizeof(IMAGE_DATA_DIRECTORY)).VirtualAddress;
    }

    bool Is64() const { return At<WORD>(optional_) == IMAGE_NT_OPTIONAL_HDR64_MAGIC; }

    // The file offset of an address inside the image, from the section that holds it.
    std::size_t Offset(DWORD address) const {
        for (std::size_t i = 0; i < sectionCount_; ++i) {
            const auto section = At<IMAGE_SECTION_HEADER>(sections_ + i * sizeof(IMAGE_SECTION_HEADER));
            if (address >= section.VirtualAddress && address - section.VirtualAddress < section.SizeOfRawData)
                return section.PointerToRawData + (address - section.VirtualAddress);
        }
        Fail("an address outside every section");
    }

    template <class T>
    T At(std::size_t offset) const {
        if (offset > bytes_.size() || bytes_.size() - offset < sizeof(T)) Fail("a table beyond the end of the file");
        T value;
        std::memcpy(&value, bytes_.data() + offset, sizeof value);
        return value;
    }

    std::string TextAt(std::size_t offset) const {
        const auto end = std::find(bytes_.begin() + std::min(offset, bytes_.size()), bytes_.end(), 0);
        if (end == bytes_.end()) Fail("a name beyond the end of the file");
        return std::string(bytes_.begin() + offset, end);
    }

private:
    [[noreturn]] void Fail(const std::string& what) const { throw std::runtime_error(path_ + ": " + what); }

    std::vector<std::uint8_t> bytes_;
    std::string path_;
    std::size_t optional_ = 0, sections_ = 0, sectionCount_ = 0;
};

// Each ordinary import's descriptor, as the loader walks them.
std::vector<IMAGE_IMPORT_DESCRIPTOR> ImportDescriptors(const PeFile& file) {
    std::vector<IMAGE_IMPORT_DESCRIPTOR> imports;
    const DWORD table = file.Directory(IMAGE_DIRECTORY_ENTRY_IMPORT);
    if (table == 0) return imports;
    for (std::size_t at = file.Offset(table);; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        const auto import = file.At<IMAGE_IMPORT_DESCRIPTOR>(at);
        if (import.Name == 0) break;
        imports.push_back(import);
    }
    return imports;
}

std::vector<std::string> OrdinaryImports(const PeFile& file) {
    std::vector<std::string> names;
    for (const auto& import : ImportDescriptors(file)) names.push_back(file.TextAt(file.Offset(import.Name)));
    return names;
}

// The functions imported from the DLL: by name, or by ordinal as "#N".
std::vector<std::string> FunctionsImportedFrom(const PeFile& file, const std::string& dll) {
    std::vector<std::string> functions;
    const std::size_t thunkSize = file.Is64() ? sizeof(ULONGLONG) : sizeof(DWORD);
    const ULONGLONG byOrdinal = file.Is64() ? IMAGE_ORDINAL_FLAG64 : IMAGE_ORDINAL_FLAG32;
    for (const auto& import : ImportDescriptors(file)) {
        if (!EqualsIgnoreAsciiCase(file.TextAt(file.Offset(import.Name)), dll)) continue;
        // The lookup table; linkers that leave it out have only the address table, unbound on disk.
        const DWORD table = import.OriginalFirstThunk ? import.OriginalFirstThunk : import.FirstThunk;
        for (std::size_t at = file.Offset(table);; at += thunkSize) {
            const ULONGLONG thunk = file.Is64() ? file.At<ULONGLONG>(at) : file.At<DWORD>(at);
            if (thunk == 0) break;
            if (thunk & byOrdinal) functions.push_back("#" + std::to_string(thunk & 0xFFFF));
            else functions.push_back(file.TextAt(file.Offset(static_cast<DWORD>(thunk)) + sizeof(WORD)));  // after the hint
        }
    }
    return functions;
}

bool IsKnownDll(const std::string& name) {
    // The list as Windows 10 and 11 ship it, and ntdll, which every process maps first.
    static const char* const known[] = {
        "advapi32.dll", "clbcatq.dll", "combase.dll",  "comdlg32.dll", "coml2.dll",    "difxapi.dll",
        "gdi32.dll",    "gdiplus.dll", "imagehlp.dll", "imm32.dll",    "kernel32.dll", "msctf.dll",
        "msvcrt.dll",   "normaliz.dll", "nsi.dll",     "ntdll.dll",    "ole32.dll",    "oleaut32.dll",
        "psapi.dll",    "rpcrt4.dll",  "sechost.dll",  "setupapi.dll", "shcore.dll",   "shell32.dll",
        "shlwapi.dll",  "user32.dll",  "wldap32.dll",  "ws2_32.dll",
    };
    return std::any_of(std::begin(known), std::end(known),
                       [&](const char* dll) { return EqualsIgnoreAsciiCase(name, dll); });
}

}  // namespace

std::vector<std::string> ImportsOffTheKnownDllList(const std::string& executable) {
    const std::vector<std::string> imports = OrdinaryImports(PeFile(executable));
    if (std::none_of(imports.begin(), imports.end(),
                     [](const std::string& name) { return EqualsIgnoreAsciiCase(name, "kernel32.dll"); }))
        throw std::runtime_error(executable + ": no import of kernel32.dll read");
    std::vector<std::string> off;
    std::copy_if(imports.begin(), imports.end(), std::back_inserter(off),
                 [](const std::string& name) { return !IsKnownDll(name); });
    return off;
}

std::vector<std::string> ImportsMissingFromWindows7(const std::string& executable) {
    const std::vector<std::string> functions = FunctionsImportedFrom(PeFile(executable), "kernel32.dll");
    if (functions.empty()) throw std::runtime_error(executable + ": no function imported from kernel32.dll read");
    // What update KB2533623 added; even the flags that go with them are refused without it.
    static const char* const later[] = {"AddDllDirectory", "RemoveDllDirectory", "SetDefaultDllDirectories"};
    std::vector<std::string> missing;
    std::copy_if(functions.begin(), functions.end(), std::back_inserter(missing), [](const std::string& function) {
        return std::find(std::begin(later), std::end(later), function) != std::end(later);
    });
    return missing;
}

// Wine takes its choice between a DLL file and its built-in DLL from the environment it started
// with or from the registry, never from the environment a program hands a child.
PlantedLibraries::PlantedLibraries(const std::string& binFolder, const std::string& program,
                                   std::vector<std::string> names)
    : names_(std::move(names)) {
    const std::size_t slash = program.find_last_of('\\');
    folder_ = program.substr(0, slash + 1);
    overrides_ = L"Software\\Wine\\AppDefaults\\" + ToWide(program.substr(slash + 1)) + L"\\DllOverrides";
    for (const std::string& name : names_) {
        EXPECT_TRUE(CopyFileW(ToWide(binFolder + "planted\\planted.dll").c_str(), ToWide(folder_ + name).c_str(), FALSE))
            << name;
        const std::wstring order = L"native,builtin";
        EXPECT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, overrides_.c_str(), ToWide(name.substr(0, name.rfind('.'))).c_str(),
                                  REG_SZ, order.c_str(), static_cast<DWORD>((order.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }
}

PlantedLibraries::~PlantedLibraries() { RegDeleteTreeW(HKEY_CURRENT_USER, overrides_.c_str()); }

std::vector<std::string> PlantedLibraries::Loaded() const {
    std::vector<std::string> loaded;
    for (const std::string& name : names_)
        if (os::FileExists(folder_ + name + ".loaded")) loaded.push_back(name);
    return loaded;
}

}  // namespace kx::test
