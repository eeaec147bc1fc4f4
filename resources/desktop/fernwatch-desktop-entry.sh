#!/bin/sh
# Puts Fernwatch in the desktop's application menu: writes fernwatch.desktop and the hicolor icons into
# the user's data folder (XDG_DATA_HOME, normally ~/.local/share), pointing at a Fernwatch program folder.
#
#     fernwatch-desktop-entry.sh [PROGRAM_FOLDER]
#
# PROGRAM_FOLDER defaults to the folder this script is in, which is where the install puts it. The friend
# list lives beside the executable, so the program folder must be one you can write to.
set -eu

folder=${1:-$(dirname -- "$0")}
folder=$(cd -- "$folder" && pwd -P)
executable="$folder/Fernwatch"
if [ ! -x "$executable" ]; then
    echo "fernwatch-desktop-entry: no Fernwatch program in $folder" >&2
    exit 1
fi
case $folder in
*"
"*)
    echo "fernwatch-desktop-entry: a folder name with a line break cannot go into a menu entry: $folder" >&2
    exit 1
    ;;
esac
if [ ! -w "$folder" ]; then
    echo "fernwatch-desktop-entry: warning: $folder is not writable; Fernwatch could not save its friend list there" >&2
fi

data_home=${XDG_DATA_HOME:-$HOME/.local/share}

# Exec= quoting: inside double quotes, " ` $ and \ take a backslash, and % is doubled. The whole value
# then goes through the desktop-entry string escapes, which double every backslash once more.
quoted_exec=$(printf '%s' "$executable" | sed -e 's/[\\"`$]/\\&/g' -e 's/%/%%/g' -e 's/\\/\\\\/g')
# Path= is a plain string: only its backslashes are escaped.
escaped_path=$(printf '%s' "$folder" | sed -e 's/\\/\\\\/g')

for size in 16 24 32 48 256; do
    icon_dir="$data_home/icons/hicolor/${size}x${size}/apps"
    mkdir -p "$icon_dir"
    cp "$folder/icons/fernwatch-$size.png" "$icon_dir/fernwatch.png"
done

mkdir -p "$data_home/applications"
entry="$data_home/applications/fernwatch.desktop"
temporary="$entry.new"
cat >"$temporary" <<ENTRY
[Desktop Entry]
Type=Application
Version=1.0
Name=Fernwatch
Name[zh_CN]=Fernwatch 好友在线监视
GenericName=QQ Friend Monitor
GenericName[zh_CN]=QQ好友在线监视
Comment=See which of your QQ friends are online
Comment[zh_CN]=查看QQ好友是否在线
Exec="$quoted_exec"
Path=$escaped_path
Icon=fernwatch
Terminal=false
Categories=Network;InstantMessaging;
ENTRY
mv -f "$temporary" "$entry"

# Menus pick new entries and icons up by themselves; these only make it quicker where they exist.
command -v update-desktop-database >/dev/null 2>&1 && update-desktop-database -q "$data_home/applications" || true
command -v gtk-update-icon-cache >/dev/null 2>&1 && gtk-update-icon-cache -q -t "$data_home/icons/hicolor" || true

echo "Fernwatch is in the application menu: $entry -> $executable"
