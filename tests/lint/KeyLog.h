// Records every key the windows read through the language-file readers, and checks each one
// against the checker's table.
#pragma once

#include "Global.h"
#include "LanguageKeys.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace kx::test {

class KeyLog {
public:
    struct Read {
        std::string File, Section, Key;
    };
    KeyLog() {
        SetLookupObserver([this](const std::string& file, std::string_view section, std::string_view key) {
            reads_.push_back({file, std::string(section), std::string(key)});
        });
    }
    ~KeyLog() { SetLookupObserver(nullptr); }
    KeyLog(const KeyLog&) = delete;
    KeyLog& operator=(const KeyLog&) = delete;

    const std::vector<Read>& Reads() const { return reads_; }

    // Every read must come from one of the files and be in the table; every table entry of
    // those files must have been read, or the table holds keys no window asks for.
    void ExpectAllInTable(const std::map<std::string, IniFileKind>& files) const {
        std::set<const LanguageKey*> seen;
        for (const Read& read : reads_) {
            const auto file = files.find(read.File);
            if (file == files.end()) {
                ADD_FAILURE() << "read " << read.Section << "/" << read.Key << " from unexpected file " << read.File;
                continue;
            }
            const LanguageKey* entry = FindLanguageKey(file->second, read.Section, read.Key);
            if (!entry)
                ADD_FAILURE() << read.Section << "/" << read.Key << " of " << read.File << " is missing from the table";
            else
                seen.insert(entry);
        }
        for (const LanguageKey& entry : LanguageKeys()) {
            bool mine = false;
            for (const auto& [path, kind] : files) mine = mine || kind == entry.Key.File;
            if (mine && !seen.contains(&entry))
                ADD_FAILURE() << entry.Key.Section << "/" << entry.Key.Name << " (" << entry.Readers
                              << ") was never read";
        }
    }

private:
    std::vector<Read> reads_;
};

}  // namespace kx::test
