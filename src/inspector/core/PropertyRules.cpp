#include "core/PropertyRules.h"
#include <utility>

namespace core {

bool ApplyColumnTicks(std::span<ColumnRecord* const> items, std::vector<bool>& ticks,
                      const std::string& keyName) {
    ticks.resize(items.size());
    bool refused = false;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i]->name == keyName && !ticks[i]) {
            ticks[i] = true;
            refused = true;
            break;
        }
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (ticks[i] == items[i]->visible) continue;
        items[i]->visible = ticks[i];
        if (ticks[i]) continue;
        // The columns after a cleared one move up into its place; left to the preview, the last column
        // would fall out of range and jump into the gap.
        const std::uint8_t gap = std::exchange(items[i]->position, noColumnPosition);
        if (gap == noColumnPosition) continue;
        for (ColumnRecord* other : items)
            if (other->visible && other->position != noColumnPosition && other->position > gap)
                --other->position;
    }
    return refused;
}

std::vector<ColumnRecord*> BuildPreview(std::span<ColumnRecord* const> items) {
    std::vector<ColumnRecord*> visible;
    for (ColumnRecord* item : items)
        if (item->visible) visible.push_back(item);
    std::vector<ColumnRecord*> columns(visible.size(), nullptr);
    for (ColumnRecord* item : visible) {
        if (item->position == noColumnPosition) continue;
        // A position outside the columns or already taken is given up, and filled below like a new one.
        if (item->position < columns.size() && !columns[item->position])
            columns[item->position] = item;
        else
            item->position = noColumnPosition;
    }
    for (ColumnRecord* item : visible) {
        if (item->position != noColumnPosition) continue;
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (columns[c]) continue;
            columns[c] = item;
            item->position = std::uint8_t(c);
            break;
        }
    }
    return columns;
}

std::vector<TSettingChange> SettingChanges(const TGeneralSettings& stored, const TGeneralSettings& edited) {
    std::vector<TSettingChange> changes;
    auto add = [&](bool differs, TSettingChange change) {
        if (differs) changes.push_back(change);
    };
    add(stored.IntFormat != edited.IntFormat, TSettingChange::IntFormat);
    add(stored.Style != edited.Style, TSettingChange::Style);
    add(stored.AppBarDocking != edited.AppBarDocking, TSettingChange::AppBarDocking);
    add(stored.StayOnTop != edited.StayOnTop, TSettingChange::StayOnTop);
    add(stored.SaveDesktopIcons != edited.SaveDesktopIcons, TSettingChange::SaveDesktopIcons);
    add(stored.Minimization != edited.Minimization, TSettingChange::Minimization);
    add(stored.MainFinder != edited.MainFinder, TSettingChange::MainFinder);
    // A new combination counts on its own too: taking it only with a change of the box lost it.
    add(stored.UseHotKey != edited.UseHotKey || stored.HotKey != edited.HotKey, TSettingChange::HotKey);
    add(stored.CodeLanguage != edited.CodeLanguage, TSettingChange::CodeLanguage);
    return changes;
}

bool AppliedWhileLoading(TSettingChange change) {
    return change == TSettingChange::HotKey;
}

namespace {
constexpr std::pair<std::uint16_t, std::uint16_t> modifierPairs[] = {{0x2000, 1}, {0x4000, 2}, {0x8000, 4}};
constexpr std::uint16_t shortcutKeyMask = 0x1FFF;
} // namespace

std::uint16_t HotKeyControlValue(std::uint16_t shortcut) {
    std::uint16_t value = shortcut & 0xFF;
    for (auto [shortcutFlag, controlFlag] : modifierPairs)
        if (shortcut & shortcutFlag) value |= std::uint16_t(controlFlag << 8);
    return value;
}

std::uint16_t ShortcutFromHotKeyControl(std::uint16_t value) {
    std::uint16_t shortcut = value & 0xFF & shortcutKeyMask;
    for (auto [shortcutFlag, controlFlag] : modifierPairs)
        if ((value >> 8) & controlFlag) shortcut |= shortcutFlag;
    return shortcut;
}

} // namespace core
