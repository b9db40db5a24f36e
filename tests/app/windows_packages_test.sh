#!/usr/bin/env bash
# The Windows packages under Wine: the installer, run silently, puts both
# programs under Program Files, a Start-menu shortcut to the window that starts
# in the user's Documents folder, and an entry in Add/Remove Programs; the
# uninstaller, run silently, takes all three away again. The zip holds the
# same two programs in a folder of its own.
#   windows_packages_test.sh WINE PROBE SETUP ZIP PROGRAM...
# Runs in the Wine session and on the display that scripts/build-windows.sh
# sets up (WINEPREFIX, DISPLAY).
set -uo pipefail

wine=$1 probe=$2 setup=$3 archive=$4
shift 4
programs=("$@")
timeout_s=30

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}

# Wine's standard output goes to a file, never into a pipe: a process the
# program starts may outlive it and keep a pipe open.
run() { "$wine" "$@" >"$work/out" 2>"$work/err" </dev/null; }
answer() { tr -d '\r' <"$work/out"; }

# Polls `condition` (a command) until it holds, for at most timeout_s.
wait_until() {
  local deadline=$((SECONDS + timeout_s))
  until "$@"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.1
  done
}

unix_path() {
  run winepath -u "$1" || fail "winepath $1"
  answer
}

key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillet'
registry_value() {
  run reg query "$key" /v "$1" || return 1
  answer | sed -n "s/^ *$1 *REG_[A-Z]* *//p"
}

# The zip: a folder named after the package, holding both programs.
package=$(basename "$archive" -windows.zip)
(cd "$work" && cmake -E tar xf "$archive") || fail "the zip cannot be unpacked"
for program in "${programs[@]}"; do
  cmp "$program" "$work/$package/$(basename "$program")" || fail "the zip's $(basename "$program") differs"
done
[ "$(ls "$work/$package" | wc -l)" -eq "${#programs[@]}" ] || fail "the zip holds more: $(ls "$work/$package")"

run "$setup" /S || fail "the silent install ended with status $?: $(cat "$work/err")"

install_dir='C:\Program Files\Quillet'
install_unix=$(unix_path "$install_dir")
for program in "${programs[@]}"; do
  cmp "$program" "$install_unix/$(basename "$program")" || fail "$(basename "$program") was not installed"
done
[ -f "$install_unix/uninstall.exe" ] || fail "no uninstaller was installed"

run "$probe" folder programs || fail "no Start-menu folder"
link="$(answer)\\Quillet.lnk"
run "$probe" folder documents || fail "no Documents folder"
documents=$(answer)
run "$probe" shortcut "$link" || fail "no shortcut $link"
expected=$(printf '%s\n%s' "$install_dir\\quillet.exe" "$documents")
[ "$(answer)" = "$expected" ] || fail "the shortcut: $(answer), expected $expected"

[ "$(registry_value DisplayName)" = Quillet ] || fail "Add/Remove Programs shows no Quillet"
version=${package#quillet-}
[ "$(registry_value DisplayVersion)" = "$version" ] || fail "the entry's version is not $version"
[ "$(registry_value QuietUninstallString)" = "\"$install_dir\\uninstall.exe\" /S" ] ||
  fail "the entry's silent uninstall: $(registry_value QuietUninstallString)"

# The uninstaller runs on as a copy of itself, so that it can delete itself:
# its end shows in the folder and the entry going.
run "$install_unix/uninstall.exe" /S || fail "the silent uninstall ended with status $?"
wait_until test ! -e "$install_unix" || fail "the uninstaller left $(ls "$install_unix")"
link_unix=$(unix_path "$link")
wait_until test ! -e "$link_unix" || fail "the uninstaller left the shortcut"
entry_gone() { ! registry_value DisplayName >/dev/null; }
wait_until entry_gone || fail "the uninstaller left the Add/Remove Programs entry"
echo "PASS"
