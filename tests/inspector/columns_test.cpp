#include "ColumnSettings.h"
#include "framework/Registry.h"
#include <gtest/gtest.h>
#include <cctype>
#include <functional>
#include <set>

namespace {
const char* const key = "Software\\OstrelTests\\Columns";

struct ScratchKey {
    ScratchKey() { RegDeleteTreeA(HKEY_CURRENT_USER, key); }
    ~ScratchKey() { RegDeleteTreeA(HKEY_CURRENT_USER, key); }
};

std::string SubKey(int kind) {
    return std::string(key) + "\\" + ListKindNames(TListTypes(kind)).SubKey;
}

void RawWrite(int kind, const std::string& name, DWORD type, const void* data, DWORD size) {
    HKEY k;
    RegCreateKeyExA(HKEY_CURRENT_USER, SubKey(kind).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                    nullptr);
    RegSetValueExA(k, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(k);
}

std::vector<std::string> ShownNames(const TColumnSettingList& list) {
    std::vector<std::string> names;
    for (TColumnSetting* s : ShownColumns(list)) names.push_back(s->name);
    return names;
}

TColumnSetting* Find(TColumnSettingList& list, const std::string& name) {
    for (auto& s : list)
        if (s->name == name) return s.get();
    return nullptr;
}

const std::vector<std::vector<std::string>> defaults = {
    {"Handle", "WindowText", "ClassName"},
    {"ProcessID", "ModuleName", "ModulePath"},
    {"ThreadID", "ModuleName", "ModulePath"},
    {"ModuleName", "ModulePath"},
    {"Name", "DisplayName", "Description", "Started"},
};

// Loads, changes kind `kind` a little, saves: the state a user leaves behind.
void StoreCustomised(int kind) {
    TColumnSettingLists lists;
    LoadColumnSettings(lists, key, true);
    TColumnSetting* first = lists[kind].front().get();
    first->width = 77;
    TColumnSetting* hidden = ShownColumns(lists[kind]).back();
    hidden->visible = false;
    SaveColumnSettings(lists, key);
}
} // namespace

TEST(ColumnSettings, DefaultsPerKindAndFormatters) {
    ScratchKey scratch;
    TColumnSettingLists lists;
    LoadColumnSettings(lists, key, false); // no subkeys: defaults
    for (int kind = 0; kind < ListTypeCount; ++kind) {
        EXPECT_EQ(defaults[kind], ShownNames(lists[kind])) << kind;
        auto table = PropertyTable(TListTypes(kind));
        ASSERT_EQ(table.size(), lists[kind].size()) << kind;
        for (size_t i = 0; i < table.size(); ++i) {
            const TColumnSetting& s = *lists[kind][i];
            EXPECT_EQ(table[i].Name, s.name);
            EXPECT_EQ(&table[i], s.Property);
            EXPECT_EQ(150, s.width);
            if (!s.visible) {
                EXPECT_EQ(255, s.position) << s.name;
            }
        }
        EXPECT_NE(nullptr, Find(lists[kind], ListKindNames(TListTypes(kind)).KeyName)) << kind;
    }
    EXPECT_EQ(ColumnFormatter("ThreadCount"), Find(lists[ltProcesses], "ThreadCount")->Formatter);
    EXPECT_NE(nullptr, ColumnFormatter("KernelModeTime"));
    EXPECT_NE(nullptr, ColumnFormatter("Version"));
    EXPECT_EQ(nullptr, ColumnFormatter("threadcount")); // letter case counts
    EXPECT_EQ(nullptr, Find(lists[ltWindows], "Handle")->Formatter);
    EXPECT_FALSE(fw::Registry().keyExists(SubKey(0))) << "loading defaults writes nothing";
}

TEST(ColumnSettings, RoundTripThroughTheRegistry) {
    ScratchKey scratch;
    StoreCustomised(ltServices);
    HKEY k;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, SubKey(ltServices).c_str(), 0, KEY_READ, &k));
    BYTE bytes[300];
    DWORD size = sizeof bytes, type = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(k, "Started", nullptr, &type, bytes, &size));
    RegCloseKey(k);
    EXPECT_EQ(DWORD(REG_BINARY), type);
    EXPECT_EQ(269u, size);
    EXPECT_EQ(0, bytes[261]) << "hidden in the dialog, written with visible 0";

    TColumnSettingLists lists;
    LoadColumnSettings(lists, key, false);
    EXPECT_EQ((std::vector<std::string>{"Name", "DisplayName", "Description"}),
              ShownNames(lists[ltServices]));
    EXPECT_EQ(77, lists[ltServices].front()->width);
    EXPECT_EQ(150, Find(lists[ltServices], "Started")->width);
    for (int kind = 0; kind < ltServices; ++kind) EXPECT_EQ(defaults[kind], ShownNames(lists[kind]));

    // A record of a property this build does not publish is kept, written back, never shown.
    auto orphan = core::EncodeColumnRecord({0, "Vanished", true, 0, 99});
    RawWrite(ltWindows, "Vanished", REG_BINARY, orphan.data(), DWORD(orphan.size()));
    LoadColumnSettings(lists, key, false);
    TColumnSetting* vanished = Find(lists[ltWindows], "Vanished");
    ASSERT_NE(nullptr, vanished);
    EXPECT_EQ(nullptr, vanished->Property);
    EXPECT_EQ(defaults[0], ShownNames(lists[ltWindows]));
    SaveColumnSettings(lists, key);
    EXPECT_TRUE(fw::Registry().openKey(SubKey(ltWindows), false));
    fw::Registry reg;
    reg.openKey(SubKey(ltWindows), false);
    EXPECT_TRUE(reg.valueExists("Vanished"));
}

TEST(ColumnSettings, DamagedStoresGiveAUsableSet) {
    auto record = [](const char* name, bool visible, int position) {
        return core::EncodeColumnRecord({0, name, visible, uint8_t(position), 150});
    };
    struct Case {
        const char* what;
        int damagedKind;
        std::function<void()> damage;
        std::vector<std::vector<std::string>> expected; // per kind
    };
    auto customised = defaults;
    customised[ltThreads].pop_back();
    auto damagedFrom = [&](int kind) {
        auto result = customised;
        for (int k = kind; k < ListTypeCount; ++k) result[k] = defaults[k];
        return result;
    };
    const Case cases[] = {
        {"a missing subkey resets every kind", ltModules,
         [] { RegDeleteTreeA(HKEY_CURRENT_USER, SubKey(ltModules).c_str()); }, defaults},
        {"a record of the wrong size resets that kind and the later ones", ltThreads,
         [] {
             BYTE shortRecord[10] = {};
             RawWrite(ltThreads, "ThreadID", REG_BINARY, shortRecord, sizeof shortRecord);
         },
         damagedFrom(ltThreads)},
        {"a value of the wrong type does the same", ltThreads,
         [] { RawWrite(ltThreads, "ModuleName", REG_SZ, "x", 2); }, damagedFrom(ltThreads)},
        {"out-of-range positions close up", ltWindows,
         [&] {
             auto a = record("Handle", true, 200), b = record("ClassName", true, 17);
             RawWrite(ltWindows, "Handle", REG_BINARY, a.data(), DWORD(a.size()));
             RawWrite(ltWindows, "ClassName", REG_BINARY, b.data(), DWORD(b.size()));
         },
         [&] {
             auto result = customised;
             result[ltWindows] = {"WindowText", "ClassName", "Handle"};
             return result;
         }()},
    };
    for (const auto& c : cases) {
        ScratchKey scratch;
        StoreCustomised(ltThreads);
        c.damage();
        TColumnSettingLists lists;
        LoadColumnSettings(lists, key, false);
        for (int kind = 0; kind < ListTypeCount; ++kind) {
            EXPECT_EQ(c.expected[kind], ShownNames(lists[kind])) << c.what << ", kind " << kind;
            auto shown = ShownColumns(lists[kind]);
            for (size_t i = 0; i < shown.size(); ++i) EXPECT_EQ(i, shown[i]->position) << c.what;
            std::set<std::string> names;
            for (auto& s : lists[kind])
                EXPECT_TRUE(names.insert(s->name).second) << c.what << ": " << s->name;
        }
    }
}

TEST(ColumnSettings, TwoStoredRecordsOfOneNameLeaveOneAndTheLiveOneIsWritten) {
    ScratchKey scratch;
    StoreCustomised(ltThreads);
    // The record's own name is what binds it. The copy under another value name is stale: written back as
    // "Handle" at exit, it would overwrite the width the user set, whichever order the registry lists them.
    auto live = core::EncodeColumnRecord({0, "Handle", true, 0, 61});
    auto stale = core::EncodeColumnRecord({0, "Handle", false, 255, 150});
    auto staleCase = core::EncodeColumnRecord({0, "WINDOWTEXT", false, 255, 150});
    RawWrite(ltWindows, "Handle (old)", REG_BINARY, stale.data(), DWORD(stale.size()));
    RawWrite(ltWindows, "Handle", REG_BINARY, live.data(), DWORD(live.size()));
    RawWrite(ltWindows, "WINDOWTEXT", REG_BINARY, staleCase.data(), DWORD(staleCase.size()));
    TColumnSettingLists lists;
    LoadColumnSettings(lists, key, false);
    std::set<std::string> names;
    for (auto& s : lists[ltWindows]) {
        std::string upper = s->name;
        for (char& c : upper) c = char(toupper(static_cast<unsigned char>(c)));
        EXPECT_TRUE(names.insert(upper).second) << s->name;
    }
    TColumnSetting* handle = Find(lists[ltWindows], "Handle");
    ASSERT_NE(nullptr, handle);
    EXPECT_EQ(61, handle->width);
    ASSERT_NE(nullptr, Find(lists[ltWindows], "WindowText"));
    EXPECT_TRUE(Find(lists[ltWindows], "WindowText")->visible) << "the live column, not the stale one";
    EXPECT_EQ(nullptr, Find(lists[ltWindows], "WINDOWTEXT"));

    SaveColumnSettings(lists, key);
    LoadColumnSettings(lists, key, false);
    EXPECT_EQ(61, Find(lists[ltWindows], "Handle")->width);
    EXPECT_EQ(defaults[ltWindows], ShownNames(lists[ltWindows]));
    fw::Registry reg;
    ASSERT_TRUE(reg.openKey(SubKey(ltWindows), false));
    EXPECT_FALSE(reg.valueExists("Handle (old)"));
}

TEST(ColumnSettings, DuplicatePositionsGetDistinctPlaces) {
    ScratchKey scratch;
    StoreCustomised(ltThreads);
    for (auto [name, position] : {std::pair{"ProcessID", 1}, {"ModuleName", 1}, {"ModulePath", 0}}) {
        auto bytes = core::EncodeColumnRecord({0, name, true, uint8_t(position), 150});
        RawWrite(ltProcesses, name, REG_BINARY, bytes.data(), DWORD(bytes.size()));
    }
    TColumnSettingLists lists;
    LoadColumnSettings(lists, key, false);
    auto shown = ShownNames(lists[ltProcesses]);
    ASSERT_EQ(3u, shown.size());
    EXPECT_EQ("ModulePath", shown[0]);
    // The two that claimed place 1 keep the order in which the registry lists them.
    EXPECT_EQ((std::set<std::string>{"ProcessID", "ModuleName"}),
              (std::set<std::string>{shown[1], shown[2]}));
    auto columns = ShownColumns(lists[ltProcesses]);
    for (size_t i = 0; i < columns.size(); ++i) EXPECT_EQ(i, columns[i]->position);
}
