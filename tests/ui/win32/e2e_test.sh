#!/usr/bin/env bash
# End-to-end test of quillet.exe under Wine, driven by the keyboard alone as a
# user would (xdotool on the session's virtual display): Write before Read, a
# missing pair, Read and Write a pair and compare the table byte for byte,
# Browse to another folder by keys and Select it, Cancel, Exit; then a start
# whose Write fails unexpectedly: the error report, and the program ends with
# a non-zero status; a last one ended by the close box. Every wait is for a state the probe reads from the
# windows, never a fixed time.
#   e2e_test.sh WINE PROBE QUILLET_EXE DATA_DIRECTORY CONVERTER_EXE
# The table the window writes must be the one quillet-convert.exe writes for
# the same pair, byte for byte (and the one the data directory expects).
# Runs inside scripts/wine-session.sh (WINEPREFIX and DISPLAY set).
set -uo pipefail

wine=$1
probe_exe=$(realpath "$2")
quillet_exe=$(realpath "$3")
data=$(realpath "$4")
converter_exe=$(realpath "$5")

# The controls' ids: 100 plus the tab index.
cmdRead=100 txtPathName=101 prgWrite=105
drvList=100 dirList=101 filList=102

app_pid=
fail() {
  echo "FAIL: $*"
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  exit 1
}

# The probe's answer, without Windows' line ends; its standard output is a
# pipe only for the probe, which ends before the session does.
probe() { "$wine" "$probe_exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; }

root="$WINEPREFIX/drive_c/quillet-e2e"
rm -rf "$root"
mkdir -p "$root/my runs/second" "$root/broken/dromout.txt" "$root/start"
cp "$data/chain.ind" "$data/chain.out" "$root/my runs/"
cp "$data/chain.ind" "$root/my runs/second/other.ind"
cp "$data/chain.out" "$root/my runs/second/other.out"
# A pair whose table cannot be written: dromout.txt is a folder.
cp "$data/chain.ind" "$data/chain.out" "$root/broken/"
windows_root='C:\quillet-e2e'

# Keys go to the window under the pointer: the middle of the screen, where
# the windows and the boxes are centred.
xdotool mousemove 512 384

start() {  # FOLDER: starts the program there, waits for its window
  (cd "$1" && exec "$wine" "$quillet_exe" </dev/null >/dev/null 2>&1) &
  app_pid=$!
  main=$(probe window frmQLT) || fail "the main window did not appear"
}

# Waits until a control of WINDOW has the focus: the window is active again
# and takes keys.
wait_active() {
  for _ in $(seq 1 100); do
    [ "$(probe focus "$1")" != 0 ] && return 0
  done
  fail "window $1 did not become active again"
}

# Expects a box with CAPTION, TEXT and BUTTONS, answers it with KEY and waits
# until it is gone and the window behind it is active again.
answer() {  # WHAT KEY TEXT [BUTTONS]
  local lines
  mapfile -t lines < <(probe box)
  local count=${#lines[@]}
  [ "$count" -ge 5 ] || fail "no message box after $1"
  # The handle, the caption, the text (one line or more), the buttons, the icon.
  local text="${lines[*]:2:count-4}"
  [ "${lines[1]}" = Quillet ] || fail "$1: the box's caption is '${lines[1]}'"
  [[ "$text" == $3 ]] || fail "$1: the box says '$text', not '$3'"
  [ "${lines[count-2]}" = "${4:-OK}" ] || fail "$1: the box's buttons are ${lines[count-2]}"
  xdotool key "$2"
  probe gone "${lines[0]}" || fail "the box after $1 did not close"
}

# Presses Tab until the control ID of WINDOW has the focus. Tab into the
# text box selects its text: typing then replaces it.
tab_to() {  # WINDOW ID
  for _ in 1 2 3 4 5 6 7 8; do
    [ "$(probe focus "$1")" = "$2" ] && return 0
    xdotool key Tab
  done
  fail "Tab does not reach control $2 of window $1"
}

# Whether the browse dialog's list ID shows an item matching PATTERN (an
# extended regular expression for the whole line of `probe items`), looked
# at again for a while, which a busy machine may need.
lists() {  # ID PATTERN
  for _ in $(seq 1 100); do
    probe items "$dialog" "$1" | grep -Eqx "$2" && return 0
  done
  return 1
}

expect_text() {  # WHAT TEXT
  probe wait-text "$main" "$txtPathName" "$2" >/dev/null ||
    fail "$1: the text box holds '$(probe text "$main" "$txtPathName")', not '$2'"
}

# --- First start: no settings file, the focus on Read, no progress bar.
start "$root/my runs"
[ "$(probe text "$main" 0)" = Quillet ] || fail "the main window's caption"
[ "$(probe focus "$main")" = "$cmdRead" ] || fail "the focus does not start on Read"
[ "$(probe progress "$main" "$prgWrite" | cut -d' ' -f1)" = hidden ] || fail "the progress bar shows"
expect_text "start-up" ""

xdotool key alt+w
answer "Write before Read" Return "Data has not been read."
wait_active "$main"

tab_to "$main" "$txtPathName"
xdotool type --delay 5 "$windows_root\\my runs\\missing"
xdotool key alt+r
answer "Read of a missing pair" Return "Check path name.*missing.out*not found."
wait_active "$main"

xdotool key shift+Tab
tab_to "$main" "$txtPathName"
stem="$windows_root\\my runs\\chain"
xdotool type --delay 5 "$stem"
expect_text "typing the stem" "$stem"
xdotool key alt+r
answer "Read" Return "Done Reading"
wait_active "$main"
# Hidden, and told the pass's last position however soon it came after the
# one drawn before: the full bar.
[ "$(probe progress "$main" "$prgWrite")" = "hidden 10000 10000" ] ||
  fail "the progress bar after Read: $(probe progress "$main" "$prgWrite"), not hidden and full"
xdotool key alt+w
answer "Write (confirmation)" Return "*dromout.txt*" "OK,Cancel"
answer "Write (done)" Return "Done writing file"
wait_active "$main"
"$wine" "$converter_exe" -q -o 'C:\quillet-e2e\converted.txt' "$stem" </dev/null >/dev/null 2>&1 ||
  fail "quillet-convert.exe did not convert the pair"
cmp "$root/my runs/dromout.txt" "$root/converted.txt" ||
  fail "dromout.txt differs from the table quillet-convert.exe writes"
cmp "$root/my runs/dromout.txt" "$data/chain.dromout.txt" || fail "dromout.txt differs from the expected table"
printf '[Path for QLT]\r\n%s\r\n' "$stem" | cmp -s - "$root/my runs/qltini.ini" ||
  fail "the settings file does not hold the stem"

# Browse opens at the stem's folder, listing its data files; Cancel leaves
# the text as it was.
xdotool key alt+b
dialog=$(probe window frmBrowse) || fail "the browse dialog did not appear"
[ "$(probe text "$dialog" 0)" = QLT ] || fail "the dialog's caption"
# Selected or not.
lists "$filList" '(  |> )chain[.]out' ||
  fail "the dialog does not list chain.out: $(probe items "$dialog" "$drvList"; probe items "$dialog" "$dirList"; probe items "$dialog" "$filList")"
probe items "$dialog" "$dirList" | grep -qx '>.* my runs' || fail "the dialog is not at the stem's folder"
[ "$(probe items "$dialog" "$drvList" | grep '^>')" = '> c:' ] || fail "the dialog is not on drive C"
wait_active "$dialog"
xdotool key alt+c
probe gone "$dialog" || fail "Cancel did not hide the dialog"
wait_active "$main"
expect_text "Cancel" "$stem"

# By keys alone: into the directory list, down to "second", Enter opens it;
# into the file list, the first file, Select.
xdotool key alt+b
probe window frmBrowse >/dev/null || fail "the browse dialog did not come back"
wait_active "$dialog"
# Alt+C left the focus on Cancel: Enter does not press it, Escape cancels nothing.
xdotool key Return Escape
tab_to "$dialog" "$dirList"
[ "$(probe shown "$dialog" 0)" = shown ] || fail "Enter or Escape hid the browse dialog"
xdotool key Down Return
lists "$filList" '  other[.]out' || fail "Enter did not open the folder second: $(probe focus "$dialog"; probe items "$dialog" "$dirList"; probe items "$dialog" "$filList")"
tab_to "$dialog" "$filList"
xdotool key Home alt+s
probe gone "$dialog" || fail "Select did not hide the dialog"
expect_text "Select" "$windows_root\\my runs\\second\\other"

# Enter and Escape carry no command: nothing opens, nothing ends.
wait_active "$main"
xdotool key Return Escape
[ "$(probe shown "$main" 0)" = shown ] || fail "Enter or Escape closed the window"

xdotool key alt+x
wait "$app_pid"
status=$?
app_pid=
[ "$status" = 0 ] || fail "Exit ended the program with status $status"

# --- Second start, at a remembered stem whose table cannot be written: the
# error report, then the end with a non-zero status.
printf '[Path for QLT]\r\n%s\r\n' "$windows_root\\broken\\chain" >"$root/start/qltini.ini"
start "$root/start"
expect_text "start-up with a settings file" "$windows_root\\broken\\chain"
xdotool key alt+r
answer "Read" Return "Done Reading"
wait_active "$main"
xdotool key alt+w
answer "Write onto a folder (confirmation)" Return "*dromout.txt*" "OK,Cancel"
answer "Write onto a folder" Return "Quillet must close because of an error:*"
wait "$app_pid"
status=$?
app_pid=
[ "$status" != 0 ] || fail "the program ended with status 0 after the error report"
# --- Third start: the close box (Alt+F4) with the focus in the text box
# ends the program as Exit does.
start "$root/start"
tab_to "$main" "$txtPathName"
xdotool key alt+F4
wait "$app_pid"
status=$?
app_pid=
[ "$status" = 0 ] || fail "the close box ended the program with status $status"
rm -rf "$root"
echo "PASS"
