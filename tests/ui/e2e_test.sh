#!/usr/bin/env bash
# End-to-end test of the real window program on a virtual X display: Read and
# Write a sample pair with the keyboard alone, as a user would, and compare
# the table written with the expected one byte for byte.
#   e2e_test.sh QUILLET_EXECUTABLE DATA_DIRECTORY
# Exits 77 (skipped) only when Xvfb or xdotool is not installed.
set -uo pipefail

exe=$(realpath "$1")
data=$(realpath "$2")
timeout_s=20

for tool in Xvfb xdotool; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed"
    exit 77
  fi
done

work=$(mktemp -d)
xvfb_pid=
app_pid=
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  [ -f "$work/app.log" ] && sed 's/^/  quillet: /' "$work/app.log"
  exit 1
}

# A display of our own: Xvfb picks a free number and writes it to fd 3.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 1 $((timeout_s * 10))); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -1 "$work/display")"

# The program's folder: a pair in a directory whose name has a blank, and a
# settings file naming it.
folder="$work/my runs"
mkdir -p "$folder/second"
cp "$data/chain.ind" "$data/chain.out" "$folder/"
# A second pair, to be found with the browse dialog.
cp "$data/chain.ind" "$folder/second/other.ind"
cp "$data/chain.out" "$folder/second/other.out"
printf '[Path for QLT]\r\n%s\r\n' "$folder/chain" >"$folder/qltini.ini"

(cd "$folder" && exec env QT_QPA_PLATFORM=xcb "$exe" >"$work/app.log" 2>&1) &
app_pid=$!

main=$(timeout "$timeout_s" xdotool search --sync --onlyvisible --name '^Quillet$' | head -1)
[ -n "$main" ] || fail "the main window did not appear"

alive() { kill -0 "$app_pid" 2>/dev/null || fail "quillet ended early during: $1"; }

# Prints the id of a shown message box (a window captioned like the main one).
wait_for_box() {
  local deadline=$((SECONDS + timeout_s)) window
  while ((SECONDS < deadline)); do
    for window in $(xdotool search --onlyvisible --name '^Quillet$' 2>/dev/null); do
      if [ "$window" != "$main" ]; then
        echo "$window"
        return 0
      fi
    done
    sleep 0.1
  done
  return 1
}

# Presses Enter (OK, the default button) in the next message box and waits
# until it is gone.
answer_box() {
  local box
  box=$(wait_for_box) || fail "no message box after $1"
  xdotool windowfocus --sync "$box" && xdotool key Return
  local deadline=$((SECONDS + timeout_s))
  while xdotool search --onlyvisible --name '^Quillet$' 2>/dev/null | grep -qx "$box"; do
    ((SECONDS < deadline)) || fail "the message box after $1 did not close"
    sleep 0.1
  done
  alive "$1"
}

press() {
  alive "$1"
  xdotool windowfocus --sync "$main" && xdotool key "$1"
}

press alt+r
answer_box "Read (Done Reading)"
press alt+w
answer_box "Write (confirmation)"
answer_box "Write (Done writing file)"

[ -f "$folder/dromout.txt" ] || fail "no dromout.txt was written"
cmp "$folder/dromout.txt" "$data/chain.dromout.txt" || fail "dromout.txt differs from the expected table"
printf '[Path for QLT]\r\n%s\r\n' "$folder/chain" | cmp - "$folder/qltini.ini" ||
  fail "the settings file does not hold the stem"

# Ends the program with Alt+X and checks its exit status.
wait_for_end() {
  for _ in $(seq 1 $((timeout_s * 10))); do
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$app_pid" 2>/dev/null && fail "$1 did not end the program"
  wait "$app_pid"
  status=$?
  app_pid=
}

# Browse opens at the directory of the stem in the text box. With the keyboard
# alone: into the directory list, down to "second", open it, into the file
# list, down to "other.out", Select. Then Read and Write that pair.
press alt+b
dialog=$(timeout "$timeout_s" xdotool search --sync --onlyvisible --name '^QLT$' | head -1)
[ -n "$dialog" ] || fail "the browse dialog did not appear"
xdotool windowfocus --sync "$dialog" && xdotool key Tab Down Return Tab Down alt+s
for _ in $(seq 1 $((timeout_s * 10))); do
  xdotool search --onlyvisible --name '^QLT$' 2>/dev/null | grep -qx "$dialog" || break
  sleep 0.1
done
xdotool search --onlyvisible --name '^QLT$' 2>/dev/null | grep -qx "$dialog" &&
  fail "Select did not hide the browse dialog"
press alt+r
answer_box "Read after Browse (Done Reading)"
printf '[Path for QLT]\r\n%s\r\n' "$folder/second/other" | cmp - "$folder/qltini.ini" ||
  fail "Browse did not put the chosen stem into the text box: $(cat -A "$folder/qltini.ini")"
press alt+w
answer_box "Write after Browse (confirmation)"
answer_box "Write after Browse (Done writing file)"
cmp "$folder/second/dromout.txt" "$data/chain.dromout.txt" ||
  fail "dromout.txt after Browse differs from the expected table"

# Exit with the (hidden) browse dialog still there ends the program.
press alt+x
wait_for_end "Exit"
[ "$status" -eq 0 ] || fail "Exit ended the program with status $status"

# A last data line without a blank: Read fails, the error report shows, and
# after it the program ends with a non-zero status.
printf 'a 1 2\r\n' >"$folder/chain.ind"
printf '1 0.5\r\n2' >"$folder/chain.out"
printf '[Path for QLT]\r\n%s\r\n' "$folder/chain" >"$folder/qltini.ini"
(cd "$folder" && exec env QT_QPA_PLATFORM=xcb "$exe" >"$work/app.log" 2>&1) &
app_pid=$!
main=$(timeout "$timeout_s" xdotool search --sync --onlyvisible --name '^Quillet$' | head -1)
[ -n "$main" ] || fail "the main window did not appear a second time"
press alt+r
box=$(wait_for_box) || fail "no error report"
xdotool windowfocus --sync "$box" && xdotool key Return
wait_for_end "The error report"
[ "$status" -ne 0 ] || fail "the program ended with status 0 after the error report"
echo "PASS"
