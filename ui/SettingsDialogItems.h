#pragma once

// Ids of the settings dialog's controls that the program looks up in its template.
namespace settingsDialogItem {
inline constexpr int targetTree = 1001;
inline constexpr int channelList = 1002;
inline constexpr int weightSlider = 1003;
inline constexpr int weightLabel = 1004;
} // namespace settingsDialogItem
