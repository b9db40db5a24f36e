#!/usr/bin/env bash
# Tests the Debian package as a user gets it. Builds it (scripts/package-deb.sh),
# has lintian, desktop-file-validate and appstreamcli check it, unpacks it into
# a temporary root and runs what it holds there: quillet-convert on a generated
# chain pair, whose table must be byte for byte the one the build's converter
# writes; its --help against its manual page as man shows it, and no file
# name broken across lines in either manual page; its bash
# completion; quillet on Qt's offscreen platform until its window shows. Last,
# apt must find everything the package depends on.
#   scripts/test-package.sh BUILD_DIRECTORY
# BUILD_DIRECTORY is a build with the benchmark tools (build/test): its
# quillet-convert is the reference and its quillet-gen-chain makes the pair.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:?usage: scripts/test-package.sh BUILD_DIRECTORY}")
reference=$build/app/quillet-convert/quillet-convert
generator=$build/bench/quillet-gen-chain
app_id=io.github.quillet.Quillet

package=$(scripts/package-deb.sh build/package | tail -n 1)
echo "Testing $package"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# lintian: no error and no warning (its informational tags are shown too).
lintian_status=0
report=$(lintian --fail-on error,warning --display-info "$package" 2>&1) || lintian_status=$?
grep -v 'running with root privileges' <<<"$report" || true
[ "$lintian_status" -eq 0 ] || fail "lintian reports errors or warnings"

root=$work/root
dpkg-deb -x "$package" "$root"

# What the package must hold, and what each file is.
while read -r path kind; do
  [ -f "$root/$path" ] || fail "the package lacks /$path"
  case $kind in
    elf) file -b "$root/$path" | grep -q '^ELF .* executable\|^ELF .*pie executable' ||
      fail "/$path is not a program" ;;
    png*) size=${kind#png}
      [ "$(file -b "$root/$path")" = "PNG image data, $size x $size, 8-bit/color RGBA, non-interlaced" ] ||
        fail "/$path is not a $size px icon: $(file -b "$root/$path")" ;;
    svg) xmllint --noout "$root/$path" || fail "/$path is not well-formed" ;;
    gz) gzip -t "$root/$path" || fail "/$path is not gzip" ;;
    text) ;;
  esac
done <<EOF
usr/bin/quillet elf
usr/bin/quillet-convert elf
usr/share/applications/$app_id.desktop text
usr/share/metainfo/$app_id.metainfo.xml text
usr/share/icons/hicolor/16x16/apps/$app_id.png png16
usr/share/icons/hicolor/32x32/apps/$app_id.png png32
usr/share/icons/hicolor/48x48/apps/$app_id.png png48
usr/share/icons/hicolor/64x64/apps/$app_id.png png64
usr/share/icons/hicolor/128x128/apps/$app_id.png png128
usr/share/icons/hicolor/256x256/apps/$app_id.png png256
usr/share/icons/hicolor/scalable/apps/$app_id.svg svg
usr/share/man/man1/quillet.1.gz gz
usr/share/man/man1/quillet-convert.1.gz gz
usr/share/bash-completion/completions/quillet-convert text
usr/share/doc/quillet/copyright text
usr/share/doc/quillet/changelog.gz gz
EOF

# The menu entry starts the packaged program with the packaged icon.
entry=$root/usr/share/applications/$app_id.desktop
grep -qx 'Exec=quillet' "$entry" && grep -qx "Icon=$app_id" "$entry" ||
  fail "the desktop entry does not start /usr/bin/quillet with the icon $app_id"

# The validators print hints as well as errors: a pass prints nothing.
hints=$(desktop-file-validate "$entry" 2>&1) &&
  [ -z "$hints" ] || fail "desktop-file-validate: $hints"
# The metainfo alone, then with the desktop entry and icons it names.
appstreamcli validate --no-net --explain "$root/usr/share/metainfo/$app_id.metainfo.xml" ||
  fail "appstreamcli rejects the metainfo"
appstreamcli validate-tree --no-net "$root" || fail "appstreamcli rejects the installed tree"

# The unpacked converter writes the build's table for the same pair.
mkdir "$work/built" "$work/unpacked"
"$generator" --variables 9 --samples 2000 --seed 20 "$work/built/chain" >/dev/null
cp "$work/built/chain.ind" "$work/built/chain.out" "$work/unpacked/"
"$reference" -q "$work/built/chain" || fail "the build's quillet-convert failed"
"$root/usr/bin/quillet-convert" -q "$work/unpacked/chain" || fail "the unpacked quillet-convert failed"
cmp "$work/built/dromout.txt" "$work/unpacked/dromout.txt" ||
  fail "the unpacked quillet-convert writes another table"

# man finds the page by name in the unpacked tree, and it holds the words of
# --help in the same order (man fills the lines anew).
words() { tr -s ' \n' '\n\n' | sed '/^$/d'; }
LC_ALL=C MANWIDTH=80 man --manpath="$root/usr/share/man" --warnings -P cat quillet-convert \
  >"$work/man.txt" 2>"$work/man-warnings.txt" || fail "man quillet-convert failed"
[ ! -s "$work/man-warnings.txt" ] || fail "man warns: $(cat "$work/man-warnings.txt")"
sed '1d;$d' "$work/man.txt" | words >"$work/man-words.txt"
"$root/usr/bin/quillet-convert" --help | words >"$work/help-words.txt"
diff -u "$work/help-words.txt" "$work/man-words.txt" >&2 ||
  fail "the manual page of quillet-convert differs from its --help"
LC_ALL=C MANWIDTH=80 man --manpath="$root/usr/share/man" --warnings -P cat quillet \
  2>&1 >/dev/null | { ! grep . >&2; } || fail "man quillet warns"
# No file name is broken across two lines, whatever the terminal's width:
# each is found as often in a narrow one as in a wide one.
file_names() {  # PAGE WIDTH
  LC_ALL=C.UTF-8 MANWIDTH=$2 man --manpath="$root/usr/share/man" -P cat "$1" 2>/dev/null |
    grep -oE 'dromout\.(txt|xlsx)|qltini\.ini|STEM\.(ind|out)|\.table\.txt' | sort | uniq -c
}
for page in quillet quillet-convert; do
  wide=$(file_names "$page" 200)
  for width in 80 72 66 61 54 47 40; do
    [ "$(file_names "$page" "$width")" = "$wide" ] ||
      fail "man $page breaks a file name at $width columns"
  done
done

tests/app/completion_test.sh "$root/usr/share/bash-completion/completions/quillet-convert" \
  "$root/usr/bin/quillet-convert" || fail "the unpacked bash completion"

# The window: Qt's accessibility layer logs each interface it makes, and the
# main window's, made when the window is shown, is the sign that it is up.
mkdir "$work/window"
coproc window {
  cd "$work/window" &&
    QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES='qt.accessibility.cache.debug=true' \
      exec "$root/usr/bin/quillet" 2>&1
}
window_pid=$window_PID
shown=$(timeout 60 grep -m 1 'name="Quillet" role=Client' <&"${window[0]}") || true
kill "$window_pid" 2>/dev/null || true
wait "$window_pid" 2>/dev/null || true
[ -n "$shown" ] || fail "the unpacked quillet showed no window within 60 s"
case $shown in *invisible*) fail "the unpacked quillet's window is not visible: $shown" ;; esac

# apt resolves what the package depends on, from what is installed or
# available here.
plan=$(LC_ALL=C apt-get install --simulate --no-install-recommends "$package" 2>&1) ||
  fail "apt-get cannot install the package: $plan"
grep -qE '^Inst quillet |quillet is already the newest version' <<<"$plan" ||
  fail "apt-get would not install the package: $plan"

echo "PASS: the package $(basename "$package")"
