# The five skins' colours: one row for each @NAME@ in skin.qss.in, one column for each skin, in the
# order of skin_designs. A skin file is skin.qss.in with its column filled in (see CMakeLists.txt).
set(skin_designs qq2009 black china msn qqreal)

set(NAME
    "QQ2009 默认皮肤 (the default skin)"
    "黑色超酷皮肤 (black super-cool skin)"
    "中国祥云皮肤 (China auspicious-cloud skin)"
    "MSN皮肤 (MSN skin)"
    "QQ影音皮肤 (QQ Player skin)")
set(DESCRIPTION
    "Light and blue, like a clear sky."
    "Black glass with an amber glow."
    "Lacquer red and gold, with cream paper for the list."
    "Sky blue with a fresh green, like the old messenger buddies."
    "A dark player deck with a teal light.")
set(WINDOW_TOP              "#eaf4fd" "#26282c" "#b71c1c" "#f4faff" "#2b3136")
set(WINDOW_BOTTOM           "#cde3f7" "#0f1012" "#7a0c10" "#cfe6f7" "#181c1f")
set(POPUP_BACKGROUND        "#eef6fe" "#232428" "#fff6e0" "#f4faff" "#252b30")
set(LABEL_TEXT              "#16324f" "#e8e8e8" "#ffe9b0" "#0f3357" "#dde6ea")
set(TEXT                    "#10263d" "#ececec" "#4a0b0b" "#0f2a44" "#e3ecef")
set(TOOLTIP_TEXT            "#2b2b2b" "#f5f5f5" "#4a0b0b" "#2b2b2b" "#e8f0f2")
set(TOOLTIP_BACKGROUND      "#fffbe6" "#2c2e33" "#fff6e0" "#fffde8" "#2c3338")
set(BORDER                  "#93bde3" "#44474d" "#d9a441" "#8fc0e4" "#3c474d")
set(FRAME_BACKGROUND
    "rgba(255, 255, 255, 110)"
    "rgba(255, 255, 255, 12)"
    "rgba(90, 0, 0, 70)"
    "rgba(255, 255, 255, 150)"
    "rgba(0, 0, 0, 60)")
set(RADIUS                  "4px" "3px" "5px" "9px" "2px")
set(TITLE_TEXT              "#ffffff" "#1a1206" "#6b0a0a" "#ffffff" "#06211d")
set(TITLE_TOP               "#4d9be0" "#ffb347" "#ffe28a" "#7cc96a" "#2fd8c0")
set(TITLE_BOTTOM            "#2a78c2" "#f08a1c" "#e0aa35" "#3f9a32" "#14a895")
set(TITLE_BORDER            "#2369ad" "#c96f10" "#a8741a" "#347f29" "#0f8a7a")
set(LIST_BACKGROUND         "#ffffff" "#17181b" "#fff8e8" "#ffffff" "#1e2327")
set(LIST_ALTERNATE          "#f1f7fd" "#1f2024" "#fbeed2" "#f0f9ec" "#232a2e")
set(SELECTION_TEXT          "#ffffff" "#140c02" "#fff3d0" "#ffffff" "#04201c")
set(SELECTION               "#2f7fcf" "#f39a2b" "#b3181e" "#2d7a24" "#1fc4ad")
set(LIST_HOVER              "#deedfb" "#2c2e33" "#f7e0b0" "#e3f3dc" "#27343a")
set(INACTIVE_SELECTION_TEXT "#10263d" "#f3e6d4" "#4a0b0b" "#0f2a44" "#dff5f1")
set(INACTIVE_SELECTION      "#c6def5" "#5a4224" "#eccf9a" "#cfe8c7" "#1d4b46")
set(HEADER                  "#d8e9f8" "#25272b" "#e2b04a" "#1f62ad" "#262c31")
set(HEADER_TEXT             "#1d4f82" "#f5c27a" "#6b0a0a" "#ffffff" "#5fe3d1")
set(HEADER_TOP              "#fafdff" "#3a3c41" "#ffe9a3" "#4f93d8" "#343c42")
set(HEADER_LINE             "#a9cbea" "#4c4f55" "#b8862a" "#1a5493" "#3c474d")
set(BUTTON_TEXT             "#12385e" "#f0f0f0" "#5c0808" "#1d4a14" "#e8f0f2")
set(BUTTON_TOP              "#ffffff" "#45484e" "#ffe58f" "#fbfff8" "#3a434a")
set(BUTTON_BOTTOM           "#d3e6f8" "#25272b" "#d9a02c" "#d6efcc" "#2a3136")
set(BUTTON_BORDER           "#7fb0df" "#5a5d64" "#8c5a10" "#6ab04c" "#4b575e")
set(DEFAULT_BUTTON_BORDER   "#4a90d9" "#b87a2e" "#fff0b8" "#3f9a32" "#1a8f80")
set(FOCUS_BORDER            "#2f7fcf" "#f39a2b" "#fff0b8" "#1f6fc4" "#1fc4ad")
set(BUTTON_HOVER_TOP        "#f4faff" "#55585f" "#fff0b8" "#ffffff" "#40575a")
set(BUTTON_HOVER_BOTTOM     "#bcdaf5" "#303237" "#e7b443" "#bfe6ae" "#2c3d40")
set(BUTTON_PRESSED_TOP      "#b3d2f0" "#1c1d20" "#c98f22" "#a8d894" "#1c2326")
set(BUTTON_PRESSED_BOTTOM   "#dcebf9" "#2f3136" "#f0c458" "#dff2d6" "#263034")
set(DISABLED_TEXT           "#8ea3b8" "#75787e" "#b38a6a" "#8aa4b8" "#6c7a80")
set(OPTION_BORDER           "#7fa9d1" "#6a6d74" "#d9a441" "#6ab04c" "#56636a")
set(OPTION_BACKGROUND       "#ffffff" "#1b1c1f" "#fff8e8" "#ffffff" "#171b1e")
set(OPTION_DOT              "#2f7fcf" "#f39a2b" "#c0161c" "#3f9a32" "#1fc4ad")
set(OPTION_FOCUS_TEXT       "#0e4f91" "#ffc577" "#ffffff" "#0b4f9a" "#6ff0de")
set(EDIT_TEXT               "#10263d" "#f0f0f0" "#4a0b0b" "#0f2a44" "#e8f0f2")
set(EDIT_BACKGROUND         "#ffffff" "#111214" "#fffaf0" "#ffffff" "#15191c")
set(EDIT_HOVER_BORDER       "#6fa5d9" "#8a6a44" "#e0aa35" "#6ab04c" "#2a7f74")
set(STATUS_TOP              "#d6e8f9" "#1d1e21" "#6e0a0e" "#3f87d0" "#1c2124")
set(STATUS_BOTTOM           "#bcd7f1" "#0b0b0c" "#4f0609" "#1d5ea6" "#101315")
set(STATUS_BORDER           "#93bde3" "#3a3c41" "#d9a441" "#1a5493" "#2f3a40")
set(STATUS_TEXT             "#173d63" "#d8d8d8" "#ffd978" "#ffffff" "#a9d9d2")
set(SCROLL_TRACK            "#eef5fc" "#1b1c1f" "#f6e6c4" "#eef6fc" "#1a1f22")
set(SCROLL_HANDLE           "#a9cbec" "#4a4d54" "#d9a441" "#9cc9ea" "#3f4b52")
set(SCROLL_HANDLE_HOVER     "#6fa5d9" "#f39a2b" "#b3181e" "#4f93d8" "#1fc4ad")
