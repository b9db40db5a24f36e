#!/usr/bin/env bash
# The Windows packages under Wine. The zip holds the programs, the licence
# and the read-me in a folder of its own, and SHA256SUMS checks both
# downloads. The installer, in each of its two modes run silently, puts the
# files into that mode's folder, a Start-menu shortcut into that mode's Start
# menu and the uninstall entry into that mode's hive, and nothing into the
# other's; the window started from the shortcut starts in the user's
# Documents folder (it shows the stem remembered there) and is used once;
# the uninstaller then takes away everything it installed, the folder too,
# and leaves the user's settings file. Last, the installer is clicked
# through page by page, and "Run" on its finish page starts the window in
# Documents as the shortcut does.
#   windows_packages_test.sh WINE PROBE SETUP ZIP SHA256SUMS LICENSE DATA PROGRAM...
# DATA is the folder of the sample pair chain.ind and chain.out. With
# QUILLET_INSTALLER_PAGES set to a folder, it also takes a picture of each of
# the installer's pages there (scripts/screenshot-windows.sh).
# Runs in the Wine session and on the display that scripts/wine-session.sh
# sets up (WINEPREFIX, DISPLAY).
set -uo pipefail

wine=$1 probe_exe=$2 setup=$3 archive=$4 sums=$5 licence=$6 data=$7
shift 7
programs=("$@")
timeout_s=30
pages=${QUILLET_INSTALLER_PAGES:-}

work=$(mktemp -d)
app_pid=
trap 'rm -rf "$work"; [ -z "$app_pid" ] || kill "$app_pid" 2>/dev/null' EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}

# Wine's standard output goes to a file, never into a pipe: a process the
# program starts may outlive it and keep a pipe open.
run() { "$wine" "$@" >"$work/out" 2>"$work/err" </dev/null; }
answer() { tr -d '\r' <"$work/out"; }
probe() { run "$probe_exe" "$@" && answer; }

# Polls `condition` (a command) until it holds, for at most timeout_s.
wait_until() {
  local deadline=$((SECONDS + timeout_s))
  until "$@"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.1
  done
}

unix_path() { run winepath -u "$1" && answer; }

key='Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillet'
registry_value() {  # HIVE NAME
  run reg query "$1\\$key" /v "$2" || return 1
  answer | sed -n "s/^ *$2 *REG_[A-Z]* *//p"
}

# The zip: a folder named after the package, holding the programs, the
# licence and the read-me, and nothing else.
package=$(basename "$archive" -windows.zip)
version=${package#quillet-}
(cd "$work" && cmake -E tar xf "$archive") || fail "the zip cannot be unpacked"
for program in "${programs[@]}"; do
  cmp "$program" "$work/$package/$(basename "$program")" || fail "the zip's $(basename "$program") differs"
done
cmp "$licence" "$work/$package/LICENSE.txt" || fail "the zip's LICENSE.txt is not the licence"
grep -q 'qltini.ini' "$work/$package/README.txt" || fail "the zip's read-me does not say where the stem is kept"
[ "$(ls "$work/$package" | wc -l)" -eq $((${#programs[@]} + 2)) ] || fail "the zip holds more: $(ls "$work/$package")"
(cd "$(dirname "$sums")" && sha256sum --quiet -c "$sums") || fail "SHA256SUMS does not match"
[ "$(wc -l <"$sums")" -eq 2 ] || fail "SHA256SUMS names other files: $(cat "$sums")"

# What an earlier run that failed half-way may have left.
for hive in HKLM HKCU; do run reg delete "$hive\\$key" /f; done
for folder in 'C:\Program Files\Quillet' "$(probe folder local-appdata)\\Programs\\Quillet" \
  "$(probe folder common-programs)\\Quillet.lnk" "$(probe folder programs)\\Quillet.lnk"; do
  rm -rf "$(unix_path "$folder")"
done

# A pair to read, and the user's settings file naming it in Documents: the
# window shows the stem when it starts there.
pair_dir="$WINEPREFIX/drive_c/quillet-pair"
mkdir -p "$pair_dir" && cp "$data/chain.ind" "$data/chain.out" "$pair_dir/" || fail "no pair"
stem='C:\quillet-pair\chain'
documents=$(probe folder documents) || fail "no Documents folder"
settings="$(unix_path "$documents")/qltini.ini"
printf '[Path for QLT]\r\n%s\r\n' "$stem" >"$settings"

# Keys go to the window under the pointer: the middle of the screen, where
# the windows are centred.
xdotool mousemove 512 384
txtPathName=101

# Waits for the window started by START... and for the stem in its box,
# which it read from its current folder's settings file; reads the pair
# with it (writing the settings file again) and ends it.
use_window() {
  local what=$1 main lines
  main=$(probe window frmQLT) || fail "$what: no window"
  probe wait-text "$main" "$txtPathName" "$stem" >/dev/null ||
    fail "$what: the window did not start in Documents (its box holds '$(answer)')"
  xdotool key alt+r
  mapfile -t lines < <(probe box)
  [ "${lines[2]:-}" = "Done Reading" ] || fail "$what: Read gave ${lines[*]}"
  xdotool key Return
  probe gone "${lines[0]}" >/dev/null || fail "$what: the box did not close"
  xdotool key alt+x
  probe gone "$main" >/dev/null || fail "$what: the window did not end"
}

# Installs in MODE (/S with /AllUsers or /CurrentUser) and checks what each
# mode puts where; uses the window from the shortcut; uninstalls.
install_and_remove() {
  local mode=$1 install_dir start_menu hive other folder link install_unix link_unix
  local programs_root
  programs_root=$(probe folder local-appdata) || fail "no local application data folder"
  case $mode in
    AllUsers)
      install_dir='C:\Program Files\Quillet' hive=HKLM other=HKCU folder='%USERPROFILE%\Documents'
      start_menu=$(probe folder common-programs) ;;
    CurrentUser)
      install_dir="$programs_root\\Programs\\Quillet" hive=HKCU other=HKLM folder=$documents
      start_menu=$(probe folder programs) ;;
  esac
  run "$setup" /S "/$mode" || fail "$mode: the silent install ended with status $?: $(cat "$work/err")"

  install_unix=$(unix_path "$install_dir")
  for file in "${programs[@]}"; do
    cmp "$file" "$install_unix/$(basename "$file")" || fail "$mode: $(basename "$file") was not installed"
  done
  cmp "$licence" "$install_unix/LICENSE.txt" || fail "$mode: the licence was not installed"
  [ -f "$install_unix/README.txt" ] && [ -f "$install_unix/uninstall.exe" ] ||
    fail "$mode: no read-me or uninstaller: $(ls "$install_unix")"

  link="$start_menu\\Quillet.lnk"
  link_unix=$(unix_path "$link")
  probe shortcut "$link" >/dev/null || fail "$mode: no shortcut $link"
  [ "$(answer)" = "$(printf '%s\n%s' "$install_dir\\quillet.exe" "$folder")" ] ||
    fail "$mode: the shortcut: $(answer), expected $install_dir\\quillet.exe in $folder"

  for name in DisplayName DisplayVersion Publisher URLInfoAbout DisplayIcon QuietUninstallString \
    EstimatedSize; do
    [ -n "$(registry_value "$hive" "$name")" ] || fail "$mode: $hive's uninstall entry has no $name"
  done
  ! registry_value "$other" DisplayName >/dev/null || fail "$mode: an uninstall entry under $other too"
  [ "$(registry_value "$hive" DisplayVersion)" = "$version" ] || fail "$mode: the entry's version"
  [ "$(registry_value "$hive" Publisher)" = "The Quillet developers" ] || fail "$mode: the publisher"
  [ "$(registry_value "$hive" DisplayIcon)" = "$install_dir\\quillet.exe,0" ] || fail "$mode: the icon"
  [ "$(registry_value "$hive" QuietUninstallString)" = "\"$install_dir\\uninstall.exe\" /S" ] ||
    fail "$mode: the entry's silent uninstall: $(registry_value "$hive" QuietUninstallString)"

  # Started as Explorer starts a shortcut.
  "$wine" start "$link" </dev/null >/dev/null 2>&1 || fail "$mode: the shortcut does not start"
  use_window "$mode, from the shortcut"

  uninstall "$mode" "$install_unix" "$link_unix" "$hive"
}

# The uninstaller runs on as a copy of itself, so that it can delete itself:
# its end shows in the folder, the shortcut and the entry going.
entry_gone() { ! registry_value "$1" DisplayName >/dev/null; }
uninstall() {  # WHAT FOLDER SHORTCUT HIVE
  run "$2/uninstall.exe" /S || fail "$1: the silent uninstall ended with status $?"
  wait_until test ! -e "$2" || fail "$1: the uninstaller left $(ls "$2")"
  wait_until test ! -e "$3" || fail "$1: the uninstaller left the shortcut"
  wait_until entry_gone "$4" || fail "$1: the uninstaller left the uninstall entry"
  grep -q 'chain' "$settings" || fail "$1: the uninstaller took the user's settings file"
}

install_and_remove AllUsers
install_and_remove CurrentUser

# The installer as a user meets it, for the user alone (the mode page shows
# that choice made): each page by its title, Next (the button with id 1) on
# each, and Finish with "Run" ticked.
page() {  # TITLE FILE: waits for the page, takes its picture, goes on
  probe page "$installer" "$1" >/dev/null || fail "the installer did not show '$1'"
  if [ -n "$pages" ]; then
    mkdir -p "$pages" && import -window "$(xdotool search --onlyvisible --name "^Quillet $version Setup" | head -1)" \
      "$pages/$2.png"
  fi
  probe click "$installer" 1 >/dev/null || fail "no Next on '$1'"
}
("$wine" "$setup" /CurrentUser </dev/null >/dev/null 2>&1) &
app_pid=$!
installer=$(probe window '#32770') || fail "the installer did not show"
page "Welcome to Quillet $version Setup" 1-welcome
page "License Agreement" 2-licence
page "Choose Users" 3-users
page "Choose Install Location" 4-folder
page "Completing Quillet $version Setup" 5-finish
use_window "Run on the finish page"
wait "$app_pid" || fail "the installer ended with status $?"
app_pid=
uninstall "After Run" "$(unix_path "$(probe folder local-appdata)\\Programs\\Quillet")" \
  "$(unix_path "$(probe folder programs)\\Quillet.lnk")" HKCU
rm -rf "$pair_dir" "$settings"
echo "PASS"
