// The release checks' image reader, on an image built here byte by byte and on the win32 tree's own
// executables when that tree has been built.
#include "PeFile.h"
#include "ReleaseCheck.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

using namespace peinfo;

struct Bytes {
    std::vector<std::uint8_t> b = std::vector<std::uint8_t>(0xA00, 0);
    void u16(std::size_t at, std::uint16_t v) {
        b[at] = std::uint8_t(v);
        b[at + 1] = std::uint8_t(v >> 8);
    }
    void u32(std::size_t at, std::uint32_t v) {
        u16(at, std::uint16_t(v));
        u16(at + 2, std::uint16_t(v >> 16));
    }
    void text(std::size_t at, const char* s) {
        for (; *s; ++s) b[at++] = std::uint8_t(*s);
    }
    void wide(std::size_t at, const char* s) { // a resource name: length, then UTF-16
        std::size_t n = 0;
        for (; s[n]; ++n) u16(at + 2 + 2 * n, std::uint8_t(s[n]));
        u16(at, std::uint16_t(n));
    }
    // A resource directory with numbered (or named, `nameOffset` set) entries.
    void directory(std::size_t at, std::uint32_t name, std::uint32_t target, bool named = false) {
        u16(at + 12, named ? 1 : 0);
        u16(at + 14, named ? 0 : 1);
        u32(at + 16, name);
        u32(at + 20, target);
    }
};

// One section at RVA 0x1000 (file 0x200): imports of KERNEL32.dll (GetTickCount64, Sleep, ordinal 7), a
// resource "EXCEPT" of type "JOV" and a version resource 1.2.3.4.
std::vector<std::uint8_t> SampleImage(std::uint16_t subsystem = subsystemWindowsGui) {
    Bytes x;
    x.text(0, "MZ");
    x.u32(60, 0x40);
    x.text(0x40, "PE");
    x.u16(0x44, machineI386);
    x.u16(0x46, 1);    // sections
    x.u16(0x54, 0xE0); // optional header size
    const std::size_t optional = 0x58, directories = optional + 96, sections = optional + 0xE0;
    x.u16(optional, 0x10B);
    x.u16(optional + 68, subsystem);
    x.u32(optional + 92, 16);
    x.u32(directories + 8, 0x1000); // imports
    x.u32(directories + 12, 40);
    x.u32(directories + 16, 0x1200); // resources
    x.u32(directories + 20, 0x200);
    x.text(sections, ".rdata");
    x.u32(sections + 8, 0x800);
    x.u32(sections + 12, 0x1000);
    x.u32(sections + 16, 0x800);
    x.u32(sections + 20, 0x200);

    const std::size_t file = 0x200; // RVA 0x1000
    x.u32(file + 0, 0x1100);
    x.u32(file + 12, 0x1080);
    x.u32(file + 16, 0x1100);
    x.text(file + 0x80, "KERNEL32.dll");
    x.u32(file + 0x100, 0x1120);
    x.u32(file + 0x104, 0x1140);
    x.u32(file + 0x108, 0x80000007u);
    x.text(file + 0x122, "GetTickCount64");
    x.text(file + 0x142, "Sleep");

    const std::size_t r = file + 0x200; // resource base, RVA 0x1200
    x.u16(r + 12, 1);
    x.u16(r + 14, 1);
    x.u32(r + 16, 0x80000000u | 0x100);
    x.u32(r + 20, 0x80000000u | 0x30);
    x.u32(r + 24, resourceVersion);
    x.u32(r + 28, 0x80000000u | 0x80);
    x.wide(r + 0x100, "JOV");
    x.wide(r + 0x110, "EXCEPT");
    x.directory(r + 0x30, 0x80000000u | 0x110, 0x80000000u | 0x50, true);
    x.directory(r + 0x50, 0x409, 0x70);
    x.u32(r + 0x70, 0x1400);
    x.u32(r + 0x74, 4);
    x.directory(r + 0x80, 1, 0x80000000u | 0xA0);
    x.directory(r + 0xA0, 0x409, 0xC0);
    x.u32(r + 0xC0, 0x1500);
    x.u32(r + 0xC4, 0x60);
    x.text(file + 0x400, "JOV!");
    x.u32(file + 0x500 + 40, 0xFEEF04BDu);
    x.u32(file + 0x500 + 48, 0x00010002u);
    x.u32(file + 0x500 + 52, 0x00030004u);
    return x.b;
}

TEST(PeFile, ReadsHeadersImportsAndResources) {
    auto image = PeFile::Read(SampleImage());
    ASSERT_TRUE(image);
    EXPECT_EQ(machineI386, image->Machine());
    EXPECT_TRUE(image->Pe32());
    EXPECT_EQ(subsystemWindowsGui, image->Subsystem());
    std::vector<std::string> imports;
    for (const auto& i : image->Imports()) imports.push_back(i.module + "!" + i.function);
    EXPECT_EQ(
        (std::vector<std::string>{"KERNEL32.dll!GetTickCount64", "KERNEL32.dll!Sleep", "KERNEL32.dll!#7"}),
        imports);
    EXPECT_TRUE(image->HasResource({0, "JOV"}, {0, "EXCEPT"}));
    EXPECT_TRUE(image->HasResource({0, "jov"}, {0, "Except"})) << "names ignore letter case";
    EXPECT_FALSE(image->HasResource({0, "JOV"}, {0, "EXCEPTION"}));
    EXPECT_FALSE(image->HasResource({10, {}}, {0, "EXCEPT"}));
    auto version = image->FileVersion();
    ASSERT_TRUE(version);
    EXPECT_EQ((std::array<std::uint16_t, 4>{1, 2, 3, 4}), *version);
}

TEST(ReleaseCheck, NamesEveryProblem) {
    auto good = PeFile::Read(SampleImage());
    ASSERT_TRUE(good);
    EXPECT_EQ((std::vector<std::string>{"imports KERNEL32.dll!GetTickCount64, which Windows 2000 lacks"}),
              ReleaseProblems(*good));
    auto console = PeFile::Read(SampleImage(3));
    auto problems = ReleaseProblems(*console, 0x100);
    ASSERT_EQ(3u, problems.size());
    EXPECT_EQ("not a GUI image", problems[0]);
    EXPECT_EQ("2560 bytes, not under 256", problems[1]);
    for (const char* name : {"GetTickCount64", "AddVectoredExceptionHandler", "RegDeleteTreeA",
                             "InitializeConditionVariable", "AcquireSRWLockExclusive", "InitOnceExecuteOnce",
                             "GetModuleHandleExA", "IsWow64Process", "AttachConsole"}) {
        auto list = FunctionsWindows2000Lacks();
        EXPECT_NE(
            std::find_if(list.begin(), list.end(), [&](const char* n) { return std::string(n) == name; }),
            list.end())
            << name;
    }
}

// Damaged files read as "not found": every shortened and every byte-flipped variant is read in full.
TEST(PeFile, DamagedImagesStayInBounds) {
    const auto sample = SampleImage();
    auto readAll = [](std::vector<std::uint8_t> bytes) {
        if (auto image = PeFile::Read(std::move(bytes))) {
            image->Imports();
            image->HasResource({0, "JOV"}, {0, "EXCEPT"});
            image->FileVersion();
            ReleaseProblems(*image);
        }
    };
    for (std::size_t size = 0; size < sample.size(); size += 7)
        readAll(std::vector<std::uint8_t>(sample.begin(), sample.begin() + std::ptrdiff_t(size)));
    for (std::size_t at = 0; at < 0x500; ++at) {
        auto damaged = sample;
        damaged[at] ^= 0xFF;
        readAll(damaged);
    }
    EXPECT_FALSE(PeFile::Read(std::vector<std::uint8_t>(sample.begin(), sample.begin() + 100)));
}

std::optional<PeFile> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return PeFile::Read({std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()});
}

// The win32 tree's executables, as a user gets them; skipped until that tree is built.
TEST(ReleaseImage, ShippedExecutableOfTheWin32Tree) {
    const std::filesystem::path tree = OSTREL_WIN32_BUILD;
    if (!std::filesystem::exists(tree / "release" / "ostrel.exe")) GTEST_SKIP() << "no win32 release build";
    auto shipped = ReadFile(tree / "release" / "ostrel.exe");
    auto full = ReadFile(tree / "ostrel.exe");
    ASSERT_TRUE(shipped);
    ASSERT_TRUE(full);
    EXPECT_EQ(std::vector<std::string>{}, ReleaseProblems(*shipped));
    EXPECT_EQ(std::vector<std::string>{}, Windows2000MissingImports(*full));
    EXPECT_EQ(full->FileVersion(), shipped->FileVersion());
    EXPECT_TRUE(std::filesystem::exists(tree / "release" / "ostrel.debug"));
    std::printf("ostrel.exe: %zu bytes in full, %zu shipped\n", full->FileSize(), shipped->FileSize());
}

} // namespace
