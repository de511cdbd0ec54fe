#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>
#include "core/ColumnRecord.h"

// The settings dialog's decisions, apart from its controls: the column preview of the "Lists" page and
// which general settings an OK or Apply must carry out.
namespace core {

// The check list's items (the working copies, in list order) after the user ticked or cleared one:
// the key column is ticked again (true is returned: the user is told it can't be deactivated); each
// copy's visible flag follows its tick, and a copy that becomes invisible loses its position while the
// copies after it move up one, so the others keep their order.
bool ApplyColumnTicks(std::span<ColumnRecord* const> items, std::vector<bool>& ticks,
                      const std::string& keyName);

// The preview's columns, by index, for the visible copies in list order: a copy keeps a position it
// holds when that column is free, the others fill the first free columns in list order and take that
// position. So the visible copies of a kind always hold the positions 0 to n - 1.
std::vector<ColumnRecord*> BuildPreview(std::span<ColumnRecord* const> items);

// The settings the "General" page edits.
struct TGeneralSettings {
    std::uint8_t IntFormat = 0, Style = 0, Minimization = 0, CodeLanguage = 0;
    bool AppBarDocking = false, StayOnTop = false, SaveDesktopIcons = false, MainFinder = false,
         UseHotKey = false;
    std::uint16_t HotKey = 0;
    bool operator==(const TGeneralSettings&) const = default;
};

// What an OK or Apply carries out, in this order.
enum class TSettingChange {
    IntFormat,
    Style,
    AppBarDocking,
    StayOnTop,
    SaveDesktopIcons,
    Minimization,
    MainFinder,
    HotKey, // the box or the combination
    CodeLanguage,
};

// The changes from `stored` to `edited`, in the order they are applied.
std::vector<TSettingChange> SettingChanges(const TGeneralSettings& stored, const TGeneralSettings& edited);

// Whether the change is carried out while the settings are still loading (before any window exists):
// only the hot key's registration; the others are stored only.
bool AppliedWhileLoading(TSettingChange change);

// The hot-key control's value (virtual key in the low byte, its modifier flags Shift 1, Ctrl 2, Alt 4 in
// the high byte) for a stored shortcut (key in the low 13 bits, Shift 0x2000, Ctrl 0x4000, Alt 0x8000),
// and back.
std::uint16_t HotKeyControlValue(std::uint16_t shortcut);
std::uint16_t ShortcutFromHotKeyControl(std::uint16_t value);

} // namespace core
