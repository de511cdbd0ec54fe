#include "crashreport/core/Demangle.h"
#include "crashreport/core/PeImage.h"

#include "crashreport/core/TestPeImage.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

using namespace jov;

TEST(PeImage, HeadersDirectoriesAndFileOffsets) {
    const TestImage t;
    EXPECT_EQ(ImageNtHeaders(t.mapped), 0x80u);
    EXPECT_EQ(ImageSizeOfImage(t.mapped), 0x3000u);
    const auto exports = ImageDataDirectory(t.mapped, ExportDirectory);
    ASSERT_TRUE(exports);
    EXPECT_EQ(exports->VirtualAddress, 0x2000u);
    EXPECT_FALSE(ImageDataDirectory(t.mapped, 1));  // empty
    EXPECT_FALSE(ImageDataDirectory(t.mapped, 16)); // beyond the count

    struct Case {
        uint32_t rva, offset;
    } cases[] = {{0x1010, 0x410},  {0x1FFF, 0x13FF}, {0x2004, 0x804}, {0x500, 0x500},
                 {0x5000, 0x3800}, {0x1000, 0x400},  {0x2000, 0x800}};
    for (auto c : cases) EXPECT_EQ(RvaToFileOffset(t.mapped, 0x80, c.rva), c.offset) << std::hex << c.rva;
}

TEST(PeImage, DirectoryCountIsTheLimit) {
    TestImage t;
    t.put32(0x98 + 104, 0x2800); // directory 1 holds an address...
    t.put32(0x98 + 108, 0x10);
    EXPECT_TRUE(ImageDataDirectory(t.mapped, 1));
    t.put32(0x98 + 92, 1); // ...that lies beyond a count of 1
    EXPECT_TRUE(ImageDataDirectory(t.mapped, 0));
    EXPECT_FALSE(ImageDataDirectory(t.mapped, 1));
}

// A header claiming 65535 sections, and a name count that makes every name read translate its address:
// the section table is read once and only as far as the loader would.
TEST(PeImage, HostileSectionCountCostsLittle) {
    TestImage t;
    t.put16(0x86, 0xFFFF);
    t.put32(0x2000 + 24, 30000); // names
    t.put32(0x2000 + 20, 30000); // functions
    t.makeFile();
    t.file.resize(128 * 1024);
    const auto start = std::chrono::steady_clock::now();
    const auto e = PeExports::Read({t.file, true});
    ASSERT_TRUE(e);
    ExportNameOfRva(*e, 0x1010, false); // what it finds depends on the zeros read as sections
    ExportNameOfRva(*e, 0x1040, false);
    e->FunctionIndexByName("NotThere");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(96u, ReadSectionTable(t.file, 0x80).size());
}

TEST(PeImage, ExportsReadTheSameFromMemoryAndFile) {
    TestImage t;
    for (bool fileLayout : {false, true}) {
        const auto e = PeExports::Read({fileLayout ? t.file : t.mapped, fileLayout});
        ASSERT_TRUE(e) << fileLayout;
        EXPECT_EQ(e->OrdinalBase(), 5u);
        EXPECT_EQ(e->FunctionIndexByName("Alpha"), 0u);
        EXPECT_FALSE(e->FunctionIndexByName("alpha")); // case-sensitive
        EXPECT_FALSE(e->FunctionIndexByName("Alph"));
        EXPECT_EQ(e->FunctionRva(0), 0x1010u);
        EXPECT_FALSE(e->FunctionRva(6));

        EXPECT_EQ(ExportNameOfRva(*e, 0x1010, false), "Alpha");
        EXPECT_EQ(ExportNameOfRva(*e, 0x1020, false), "#6");
        EXPECT_EQ(ExportNameOfRva(*e, 0x1030, false), "@Unit@TFoo@Bar$qqrv");
        EXPECT_EQ(ExportNameOfRva(*e, 0x1030, true), "Unit.TFoo.Bar");
        EXPECT_EQ(ExportNameOfRva(*e, 0x1040, true), "");

        const auto fwdIndex = e->FunctionIndexByName("Fwd");
        ASSERT_TRUE(fwdIndex);
        const auto fwdRva = e->FunctionRva(*fwdIndex);
        ASSERT_TRUE(fwdRva && e->IsForwarder(*fwdRva));
        EXPECT_FALSE(e->IsForwarder(0x1010));
        EXPECT_EQ(e->ForwarderText(*fwdRva), "krnl386.exe16.VxDCall0");
        EXPECT_EQ(e->ForwarderText(0x2420), "KERNEL32.#12");
    }
}

TEST(PeImage, DamagedImagesReadAsNotFound) {
    const TestImage good;
    // Cut anywhere: nothing may read beyond the span (the sanitizers watch), and what is found is right.
    for (size_t size = 0; size <= good.mapped.size(); size += 7) {
        const std::span<const uint8_t> cut(good.mapped.data(), size);
        const auto e = PeExports::Read({cut, false});
        if (!e) continue;
        const auto index = e->FunctionIndexByName("@Unit@TFoo@Bar$qqrv");
        EXPECT_TRUE(!index || *index == 5u);
        const auto rva = e->FunctionRva(5);
        EXPECT_TRUE(!rva || *rva == 0x1030u);
        ExportNameOfRva(*e, 0x1030, true);
        e->ForwarderText(0x2400);
    }

    struct Damage {
        const char* what;
        uint32_t at, value;
    } damages[] = {
        {"headers offset beyond the image", 60, 0xFFFFFFF0},
        {"function count huge", 0x2000 + 20, 0xFFFFFFFF},
        {"name count huge", 0x2000 + 24, 0x7FFFFFFF},
        {"function table beyond", 0x2000 + 28, 0xFFFFFF00},
        {"name table beyond", 0x2000 + 32, 0x10000000},
        {"name beyond", 0x2200, 0x7FFFFFF0},
        {"ordinal table beyond", 0x2000 + 36, 0xFFFFFFFE},
        {"directory beyond", 0x98 + 96, 0xFFFFFFF8},
        {"section count huge", 0x86, 0xFFFF},
    };
    for (const Damage& d : damages) {
        for (bool fileLayout : {false, true}) {
            TestImage t;
            t.put32(d.at, d.value);
            if (d.at == 0x86) t.put16(d.at, 0xFFFF);
            t.makeFile();
            const auto e = PeExports::Read({fileLayout ? t.file : t.mapped, fileLayout});
            if (!e) continue;
            const auto index = e->FunctionIndexByName("Alpha");
            EXPECT_TRUE(!index || *index == 0) << d.what;
            EXPECT_FALSE(e->FunctionRva(0xFFFFFFF0)) << d.what;
            ExportNameOfRva(*e, 0x1020, true);
            e->ForwarderText(0x2FFF);
        }
    }

    // A name that runs to the end of the span without a terminator is no name.
    TestImage t;
    std::memset(&t.mapped[0x2F00], 'x', 0x100);
    t.put32(0x2200, 0x2F00);
    const auto e = PeExports::Read({t.mapped, false});
    ASSERT_TRUE(e);
    EXPECT_FALSE(e->Name(0));
    EXPECT_FALSE(e->FunctionIndexByName("Alpha"));
}

TEST(PeImage, ForwarderTexts) {
    struct Case {
        const char* text;
        std::size_t from;
        bool ok;
        const char *module, *routine;
        int ordinal; // -1: by name
    } cases[] = {
        {"NTDLL.RtlAllocateHeap", 1, true, "NTDLL", "RtlAllocateHeap", -1},
        {"krnl386.exe16.VxDCall0", 1, true, "krnl386", "exe16.VxDCall0", -1},
        {"krnl386.exe16.VxDCall0", 8, true, "krnl386.exe16", "VxDCall0", -1},
        {"krnl386.exe16.VxDCall0", 14, false, "", "", 0},
        {"DLL.#12", 1, true, "DLL", "", 12},
        {"DLL.#65535", 1, true, "DLL", "", 65535},
        {"DLL.#65536", 1, false, "", "", 0},
        {"DLL.#", 1, false, "", "", 0},
        {"DLL.#1x", 1, false, "", "", 0},
        {"nodot", 1, false, "", "", 0},
        {".Routine", 1, false, "", "", 0},
        {".Routine", 0, false, "", "", 0},
        {"..Routine", 1, true, ".", "Routine", -1},
        {"DLL.", 1, false, "", "", 0},
    };
    for (const auto& c : cases) {
        const auto f = ParseForwarder(c.text, c.from);
        ASSERT_EQ(f.has_value(), c.ok) << c.text;
        if (!f) continue;
        EXPECT_EQ(f->Module, c.module);
        EXPECT_EQ(f->Routine, c.routine);
        EXPECT_EQ(f->Ordinal.has_value(), c.ordinal >= 0);
        EXPECT_EQ(f->Ordinal.value_or(0), c.ordinal >= 0 ? uint32_t(c.ordinal) : 0u);
    }
}

TEST(Demangle, UnitClassAndMethod) {
    struct Case {
        const char* mangled;
        bool ok;
        const char *name, *unit;
    } cases[] = {
        {"@Unit@TFoo@Bar$qqrv", true, "TFoo.Bar", "Unit"},
        {"@Unit@TFoo@$bctr$qqrv", true, "TFoo.Create", "Unit"},
        {"@Unit@TFoo@$bdtr$qqrv", true, "TFoo.Destroy", "Unit"},
        {"@Unit@Proc$qqrv", true, "Proc", "Unit"},
        {"@Unit@TA@TB@Run", true, "TA.TB.Run", "Unit"},
        {"@Unit@TFoo@", true, "TFoo.Create", "Unit"},
        {"@Sys@@Hidden$qv", true, "@Hidden", "Sys"},
        {"@@Unit@X", false, "@@Unit@X", ""},
        {"@Unit", false, "@Unit", ""},
        {"Plain", false, "Plain", ""},
        {"ns::Class::Run", false, "ns.Class.Run", ""},
        {"", false, "", ""},
        // The C++ compiler's readable names lose what a reader of a trace does not look for: parameters
        // and qualifiers, return types, unnamed namespaces, ABI tags, clone and calling-convention suffixes.
        {"(anonymous namespace)::WriteThroughBadPointer(int) [clone .constprop.0]", false,
         "WriteThroughBadPointer", ""},
        {"jov::(anonymous namespace)::ThreadStartWrapper(void*)@4", false, "jov.ThreadStartWrapper", ""},
        {"jovTraceProcess@4", false, "jovTraceProcess", ""},
        {"jov::ExceptionClassName[abi:cxx11](jov::TExceptionRef const*, bool)", false,
         "jov.ExceptionClassName", ""},
        {"ns::K::f(int) const", false, "ns.K.f", ""},
        {"f(int, int ( stdcall*)(char const*)) [clone .isra.0] [clone .cold]", false, "f", ""},
        {"void std::__sort<int*, bool (*)(int, int)>(int*, int*, bool (*)(int, int))", false,
         "std.__sort<int*, bool (*)(int, int)>", ""},
        {"Test::TestBody()::{lambda()#1}::operator()() const", false, "Test.TestBody.{lambda()#1}.operator()",
         ""},
        {"void* operator new(unsigned int)", false, "operator new", ""},
        {"jov::Value::operator bool() const", false, "jov.Value.operator bool", ""},
        {"non-virtual thunk to fw::Form::onClose()", false, "fw.Form.onClose", ""},
        {"__tmainCRTStartup", false, "__tmainCRTStartup", ""},
        {"mail@example", false, "mail@example", ""},
    };
    for (const auto& c : cases) {
        std::string name = c.mangled, unit;
        EXPECT_EQ(DemangleSymbol(name, unit), c.ok) << c.mangled;
        EXPECT_EQ(name, c.name) << c.mangled;
        EXPECT_EQ(unit, c.unit) << c.mangled;
    }
}
