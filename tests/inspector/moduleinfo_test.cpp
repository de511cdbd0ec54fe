// Module objects over files built with known version resources.
#include "InfoObjects.h"
#include "core/DisplayFormat.h"
#include "helpers/ValuePrinter.h"

#include <gtest/gtest.h>

namespace {

using fw::Value;

std::string besideTests(const char* file) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir = path;
    return dir.substr(0, dir.find_last_of('\\') + 1) + file;
}

TEST(ModuleInfo, VersionResourceStrings) {
    const std::string path = besideTests("version_sample.dll");
    TModuleInfoObject module(path);
    ASSERT_TRUE(module.LoadVersionInfo());
    const std::int64_t version = (std::int64_t(5 * 65536 + 1) << 32) | (2600 * 65536 + 2180);
    struct Case {
        const char* property;
        Value expected;
    } cases[] = {
        {"ModuleName", Value(path)},
        {"ModulePath", Value(besideTests(""))},
        {"Version", Value::Int64(version)},
        {"Comments", Value("(None)")}, // present but empty
        {"InternalName", Value("version_sample")},
        {"ProductName", Value("Samples")},
        {"CompanyName", Value("Sample Makers")},
        {"LegalCopyright", Value("Nobody")},
        {"ProductVersion", Value("5.1")},
        {"FileDescription", Value("Version sample")},
        {"LegalTrademarks", Value("(Unavailable)")}, // not in the table
        {"PrivateBuild", Value("(Unavailable)")},
        {"FileVersion", Value("5.1.2600.2180")},
        {"OriginalFilename", Value("version_sample.dll")},
        {"SpecialBuild", Value("(Unavailable)")},
    };
    ASSERT_EQ(std::size(cases), module.Properties().size());
    for (const Case& c : cases) EXPECT_EQ(module.ReadProperty(c.property), c.expected) << c.property;
    EXPECT_EQ(FormatVersion(module.ReadVersion()), "5.1.2600.2180");
}

TEST(ModuleInfo, FilesWithoutTranslationOrVersion) {
    TModuleInfoObject noTranslation(besideTests("version_notranslation.dll"));
    EXPECT_EQ(FormatVersion(noTranslation.ReadVersion()), "1.2.3.4");
    EXPECT_EQ(noTranslation.ReadFileVersion(), Value("(Unavailable)"));

    for (const std::string& path : {besideTests("ostrel_sleeper.exe"), besideTests("no such file.dll")}) {
        TModuleInfoObject module(path);
        EXPECT_FALSE(module.LoadVersionInfo()) << path;
        for (const TPropertyInfo& p : module.Properties()) {
            Value v = module.Read(p);
            if (std::string(p.Name) == "ModuleName")
                EXPECT_EQ(v, Value(path));
            else if (std::string(p.Name) == "ModulePath")
                EXPECT_EQ(v, Value(besideTests("")));
            else
                EXPECT_EQ(v, Value("(Unavailable)")) << p.Name;
        }
    }
}

TEST(ModuleInfo, TheFileIsReadOncePerObject) {
    // A file that gains a version block after an object first looked at it: that object keeps what it
    // read, however many version properties are read afterwards; a new object reads the file anew.
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string path = std::string(temp) + "ostrel_module_read_once.dll";
    ASSERT_TRUE(CopyFileA(besideTests("ostrel_sleeper.exe").c_str(), path.c_str(), FALSE));
    TModuleInfoObject module(path);
    EXPECT_EQ(module.ReadVersion(), Value("(Unavailable)"));
    ASSERT_TRUE(CopyFileA(besideTests("version_sample.dll").c_str(), path.c_str(), FALSE));
    EXPECT_EQ(module.ReadVersion(), Value("(Unavailable)"));
    EXPECT_EQ(module.ReadFileVersion(), Value("(Unavailable)"));
    EXPECT_EQ(TModuleInfoObject(path).ReadFileVersion(), Value("5.1.2600.2180"));
    DeleteFileA(path.c_str());
}

} // namespace
