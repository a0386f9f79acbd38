// Checks of the 32-bit product as it ships: build/win32/dist/*.dll. The
// 32-bit code cannot run here, so its exports, imports and resources are read
// from the files: the PE tables by pe_file.cpp, the resources through the
// system's resource functions on the DLL loaded as a data file.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>

#include "entry_points.h"
#include "pe_file.h"

namespace {

const std::string DistDir = PRODUCT_DIST_DIR;

struct Deliverable {
    const char* name;
    bool withOptionalEntryPoints;          // online leaves five out
    std::set<uint32_t> hrtl32Ordinals;     // imported from HRTL32, by ordinal
    std::set<std::string> otherDlls;       // DLLs allowed besides the system ones
    std::set<int> menus;                   // menu resources present
    bool hasDialog;
    const char* name2;                     // string 2
};

const Deliverable Deliverables[] = {
    {"wbplugin", true, {127, 128, 132, 136}, {}, {20000, 20002}, false, "Plug-in"},
    {"online", false, {12, 127, 128, 132, 136}, {"ws2_32.dll", "wsock32.dll"}, {20000, 20001, 20002}, true,
     "Online Object"},
};

// Windows system DLLs a deliverable may import; never a compiler runtime.
const std::set<std::string> SystemDlls = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "msvcrt.dll",
                                          "shell32.dll", "comdlg32.dll", "ole32.dll"};

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(tolower(c)); });
    return s;
}

std::string PathOf(const Deliverable& d) { return DistDir + "/" + d.name + ".dll"; }

class Product : public ::testing::TestWithParam<Deliverable> {};

TEST_P(Product, IsA32BitDll)
{
    const PeFile pe = ReadPeFile(PathOf(GetParam()));
    ASSERT_TRUE(pe.valid) << pe.error;
    EXPECT_EQ(pe.machine, 0x14C) << "i386";
    EXPECT_FALSE(pe.pe32plus);
    EXPECT_TRUE(pe.characteristics & 0x2000) << "IMAGE_FILE_DLL";
}

TEST_P(Product, ExportsEveryEntryPointUndecoratedWithItsOrdinal)
{
    const Deliverable& d = GetParam();
    const PeFile pe = ReadPeFile(PathOf(d));
    ASSERT_TRUE(pe.valid) << pe.error;
    std::map<std::string, uint32_t> expected;
    for (const EntryPointRow& row : EntryPointTable)
        if (d.withOptionalEntryPoints || !row.optional)
            expected[row.name] = static_cast<uint32_t>(row.ordinal);
    std::map<std::string, uint32_t> actual;
    for (const PeExport& e : pe.exports) {
        EXPECT_FALSE(e.name.empty()) << "export by ordinal only: " << e.ordinal;
        EXPECT_EQ(e.name.find('@'), std::string::npos) << e.name;
        actual[e.name] = e.ordinal;
    }
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(actual.size(), d.withOptionalEntryPoints ? 50u : 45u);
}

TEST_P(Product, ImportsOnlySystemDllsAndHrtl32ByOrdinal)
{
    const Deliverable& d = GetParam();
    const PeFile pe = ReadPeFile(PathOf(d));
    ASSERT_TRUE(pe.valid) << pe.error;
    std::set<uint32_t> hrtl;
    for (const PeImport& imp : pe.imports) {
        const std::string dll = Lower(imp.dll);
        if (dll == "hrtl32.dll") {
            EXPECT_TRUE(imp.name.empty()) << "HRTL32 imported by name: " << imp.name;
            hrtl.insert(imp.ordinal);
            continue;
        }
        EXPECT_TRUE(SystemDlls.count(dll) || d.otherDlls.count(dll)) << d.name << " imports " << imp.dll;
        EXPECT_EQ(dll.find("lib"), std::string::npos) << "compiler runtime: " << imp.dll;
    }
    EXPECT_EQ(hrtl, d.hrtl32Ordinals);
}

// Resources read through the system from the DLL loaded as a data file.
class ProductResources : public ::testing::TestWithParam<Deliverable> {
protected:
    void SetUp() override
    {
        module = LoadLibraryExA(PathOf(GetParam()).c_str(), nullptr,
                                LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        if (module == nullptr)
            module = LoadLibraryExA(PathOf(GetParam()).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module, nullptr) << PathOf(GetParam()) << " error " << GetLastError();
    }
    void TearDown() override
    {
        if (module != nullptr)
            FreeLibrary(module);
    }

    std::string Resource(int id, const char* type, WORD language = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US))
    {
        HRSRC r = FindResourceExA(module, type, MAKEINTRESOURCEA(id), language);
        if (r == nullptr)
            return {};
        HGLOBAL g = LoadResource(module, r);
        const char* p = static_cast<const char*>(LockResource(g));
        return p != nullptr ? std::string(p, SizeofResource(module, r)) : std::string();
    }

    std::string String(int id)
    {
        char buffer[256] = {};
        LoadStringA(module, id, buffer, sizeof buffer);
        return buffer;
    }

    HMODULE module = nullptr;
};

TEST_P(ProductResources, SharedStringsAndRawData)
{
    const Deliverable& d = GetParam();
    EXPECT_EQ(String(1), "QVE");
    EXPECT_EQ(String(2), d.name2);
    EXPECT_EQ(Resource(200, MAKEINTRESOURCEA(10) /* RT_RCDATA */), std::string("\x16\x25\x08\x59", 4));
}

TEST_P(ProductResources, PicturesHaveTheirSizesAndDepth)
{
    struct Picture {
        int id;
        int32_t width, height;
    };
    for (const Picture& p : {Picture{300, 44, 38}, Picture{400, 32, 32}, Picture{401, 32, 32}}) {
        const std::string bits = Resource(p.id, MAKEINTRESOURCEA(2) /* RT_BITMAP */);
        ASSERT_GE(bits.size(), 40u) << "bitmap " << p.id;
        int32_t width, height;
        uint16_t depth;
        std::memcpy(&width, bits.data() + 4, 4);
        std::memcpy(&height, bits.data() + 8, 4);
        std::memcpy(&depth, bits.data() + 14, 2);
        EXPECT_EQ(width, p.width) << "bitmap " << p.id;
        EXPECT_EQ(height, p.height) << "bitmap " << p.id;
        EXPECT_EQ(depth, 4) << "bitmap " << p.id;
        const size_t row = ((p.width * 4 + 31) / 32) * 4;
        EXPECT_GE(bits.size(), 40 + 64 + row * p.height) << "bitmap " << p.id;
    }
    EXPECT_FALSE(Resource(402, MAKEINTRESOURCEA(12) /* RT_GROUP_CURSOR */).empty());
}

TEST_P(ProductResources, MenusAndDialogInTheirLanguage)
{
    const Deliverable& d = GetParam();
    for (int id : {20000, 20001, 20002})
        EXPECT_EQ(!Resource(id, MAKEINTRESOURCEA(4) /* RT_MENU */).empty(), d.menus.count(id) == 1) << "menu " << id;
    EXPECT_EQ(!Resource(20003, MAKEINTRESOURCEA(5) /* RT_DIALOG */).empty(), d.hasDialog);
}

void PrintTo(const Deliverable& d, std::ostream* os) { *os << d.name; }

std::string NameOf(const ::testing::TestParamInfo<Deliverable>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Dist, Product, ::testing::ValuesIn(Deliverables), NameOf);
INSTANTIATE_TEST_SUITE_P(Dist, ProductResources, ::testing::ValuesIn(Deliverables), NameOf);

}  // namespace
