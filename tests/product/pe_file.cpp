#include "pe_file.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace {

struct Section {
    uint32_t virtualAddress;
    uint32_t virtualSize;
    uint32_t rawOffset;
    uint32_t rawSize;
};

class Reader {
public:
    explicit Reader(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

    bool has(size_t offset, size_t n) const { return offset <= bytes_.size() && n <= bytes_.size() - offset; }

    template <class T>
    T at(size_t offset) const
    {
        T v{};
        if (has(offset, sizeof v))
            std::memcpy(&v, bytes_.data() + offset, sizeof v);
        return v;
    }

    std::string textAt(size_t offset) const
    {
        std::string s;
        while (offset < bytes_.size() && bytes_[offset] != 0)
            s += static_cast<char>(bytes_[offset++]);
        return s;
    }

    // File offset of a virtual address, or SIZE_MAX when no section holds it.
    size_t offsetOf(uint32_t rva) const
    {
        for (const Section& s : sections)
            if (rva >= s.virtualAddress && rva < s.virtualAddress + std::max(s.virtualSize, s.rawSize))
                return s.rawOffset + (rva - s.virtualAddress);
        return SIZE_MAX;
    }

    std::vector<Section> sections;

private:
    std::vector<uint8_t> bytes_;
};

}  // namespace

PeFile ReadPeFile(const std::string& path)
{
    PeFile pe;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        pe.error = "cannot open " + path;
        return pe;
    }
    Reader r(std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {}));
    if (r.at<uint16_t>(0) != 0x5A4D) {
        pe.error = "no MZ header";
        return pe;
    }
    const uint32_t peOffset = r.at<uint32_t>(0x3C);
    if (r.at<uint32_t>(peOffset) != 0x00004550) {
        pe.error = "no PE signature";
        return pe;
    }
    const size_t coff = peOffset + 4;
    pe.machine = r.at<uint16_t>(coff);
    const uint16_t sectionCount = r.at<uint16_t>(coff + 2);
    const uint16_t optionalSize = r.at<uint16_t>(coff + 16);
    pe.characteristics = r.at<uint16_t>(coff + 18);
    const size_t optional = coff + 20;
    const uint16_t magic = r.at<uint16_t>(optional);
    pe.pe32plus = magic == 0x20B;
    const size_t directories = optional + (pe.pe32plus ? 112 : 96);
    const size_t sectionTable = optional + optionalSize;
    for (uint16_t i = 0; i < sectionCount; ++i) {
        const size_t s = sectionTable + 40u * i;
        r.sections.push_back({r.at<uint32_t>(s + 12), r.at<uint32_t>(s + 8), r.at<uint32_t>(s + 20),
                              r.at<uint32_t>(s + 16)});
    }

    // Exports.
    const uint32_t exportRva = r.at<uint32_t>(directories);
    if (exportRva != 0) {
        const size_t e = r.offsetOf(exportRva);
        const uint32_t base = r.at<uint32_t>(e + 16);
        const uint32_t functionCount = r.at<uint32_t>(e + 20);
        const uint32_t nameCount = r.at<uint32_t>(e + 24);
        const size_t functions = r.offsetOf(r.at<uint32_t>(e + 28));
        const size_t names = r.offsetOf(r.at<uint32_t>(e + 32));
        const size_t ordinals = r.offsetOf(r.at<uint32_t>(e + 36));
        std::vector<bool> named(functionCount, false);
        for (uint32_t i = 0; i < nameCount; ++i) {
            const uint16_t index = r.at<uint16_t>(ordinals + 2u * i);
            const std::string name = r.textAt(r.offsetOf(r.at<uint32_t>(names + 4u * i)));
            pe.exports.push_back({name, base + index});
            if (index < functionCount)
                named[index] = true;
        }
        for (uint32_t i = 0; i < functionCount; ++i)
            if (!named[i] && r.at<uint32_t>(functions + 4u * i) != 0)
                pe.exports.push_back({"", base + i});
    }

    // Imports.
    const uint32_t importRva = r.at<uint32_t>(directories + 8);
    if (importRva != 0) {
        for (size_t d = r.offsetOf(importRva); r.has(d, 20); d += 20) {
            const uint32_t lookupRva = r.at<uint32_t>(d) != 0 ? r.at<uint32_t>(d) : r.at<uint32_t>(d + 16);
            const uint32_t nameRva = r.at<uint32_t>(d + 12);
            if (nameRva == 0)
                break;
            const std::string dll = r.textAt(r.offsetOf(nameRva));
            const size_t width = pe.pe32plus ? 8 : 4;
            for (size_t t = r.offsetOf(lookupRva); r.has(t, width); t += width) {
                const uint64_t entry = pe.pe32plus ? r.at<uint64_t>(t) : r.at<uint32_t>(t);
                if (entry == 0)
                    break;
                const uint64_t byOrdinal = pe.pe32plus ? (1ull << 63) : (1ull << 31);
                PeImport imp;
                imp.dll = dll;
                if (entry & byOrdinal)
                    imp.ordinal = static_cast<uint32_t>(entry & 0xFFFF);
                else
                    imp.name = r.textAt(r.offsetOf(static_cast<uint32_t>(entry)) + 2);
                pe.imports.push_back(imp);
            }
        }
    }
    pe.valid = true;
    return pe;
}
