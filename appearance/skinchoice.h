#pragma once

// The skin applied when the main window loads, and again by "恢复默认皮肤".
inline constexpr char defaultSkinFile[] = "/qq2009.she";

// One of the main window's five skin options. The files are names beginning with "/", looked up in
// the executable's folder.
struct SkinChoice
{
    const char* option;     // the option button's object name
    const char* caption;    // the option button's caption, UTF-8
    const char* clickFile;  // applied when the option is clicked
    const char* dialogFile; // applied when the add-friend dialog opens with this option selected
};

// Left to right as the options stand on the main window, which is also the order in which the
// add-friend dialog looks for the selected one.
inline constexpr SkinChoice skinChoices[] = {
    {"Option1", "黑色超酷皮肤", "/skinh.she", "/black.she"},
    {"Option2", "中国祥云皮肤", "/china.she", "/china.she"},
    {"Option4", "MSN皮肤", "/msn.she", "/msn.she"},
    {"Option5", "QQ影音皮肤", "/QQreal.she", "/qqreal.she"},
    {"Option3", "恢复默认皮肤", defaultSkinFile, defaultSkinFile},
};
