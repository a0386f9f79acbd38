// A small reader of PE files: machine, exports, imports. It reads the file
// as bytes, so it works on the 32-bit product from the 64-bit test program.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PeExport {
    std::string name;  // empty for an export by ordinal only
    uint32_t ordinal;
};

struct PeImport {
    std::string dll;
    std::string name;      // empty when imported by ordinal
    uint32_t ordinal = 0;  // valid when name is empty
};

struct PeFile {
    bool valid = false;
    std::string error;
    uint16_t machine = 0;
    uint16_t characteristics = 0;
    bool pe32plus = false;
    std::vector<PeExport> exports;
    std::vector<PeImport> imports;
};

// Reads `path`; on a malformed file `valid` is false and `error` says why.
PeFile ReadPeFile(const std::string& path);
