#pragma once
#include <string>

// The desktop icons' places, kept under the settings key's "IconPositions" while the app bar shifts them.
// Best-effort: nothing here reports a failure.
void SaveIconPositions();    // only when SaveDesktopIcons is on
void RestoreIconPositions(); // always; empties the subkey afterwards

// The same under a given registry key (the settings key's "IconPositions" subkey for the two above).
void SaveIconPositionsUnder(const std::string& key);
void RestoreIconPositionsUnder(const std::string& key);
