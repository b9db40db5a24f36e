#!/usr/bin/env bash
# Makes sure that what building, running and testing Quillet need is present,
# installing the missing Debian/Ubuntu packages with apt-get (through sudo when
# not root). When everything is there it does nothing at all. On a system
# without dpkg and apt-get it installs nothing: it names what is missing and
# fails.
#
# With the argument "fuzz" it also asks for what the fuzzers need (clang and
# libFuzzer), with "windows" for what the Windows build needs (MinGW-w64, the
# GoogleTest sources, Wine and NSIS), with "package" for what
# scripts/package-deb.sh and its test need (the Debian packaging tools and the
# checkers of packages, desktop entries and software centre metadata), with
# "screenshot" for ImageMagick, which the screenshot scripts take the
# pictures with; the ordinary build needs none of them.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config     # build
  libisal-dev                           # the workbooks' deflate (zlib where it is missing)
  libgtest-dev                          # unit tests
  locales                               # a locale with a decimal comma for the number tests
  qt6-base-dev qt6-qpa-plugins fonts-dejavu-core  # the window program
  librsvg2-bin                          # the desktop's icons, rendered from one drawing
  bash-completion                       # the test of quillet-convert's completion
  xvfb xdotool                          # end-to-end test of the real window
  time                                  # benchmark: peak memory
  acl attr                              # fault tests: access lists and attributes of a replaced file
  exfatprogs exfat-fuse                 # fault tests: a case-insensitive file system through FUSE
  python3-openpyxl                      # tests: the independent reader of the workbooks
  # tests: the spreadsheet programs that open the workbooks (LibreOffice Calc
  # headless, with its Python bridge, and Gnumeric's ssconvert; both open the charts too)
  libreoffice-calc-nogui python3-uno gnumeric
)
for extra in "$@"; do
  case $extra in
    fuzz) packages+=(clang-14 libclang-rt-14-dev) ;;  # fuzz/run.sh: libFuzzer and sanitizers
    # scripts/build-windows.sh: the cross compiler, GoogleTest to build for
    # Windows, Wine to run the tests with the fonts its windows draw in (on
    # the display of Xvfb, driven by xdotool, both above), NSIS for the
    # installer, zlib for the workbooks.
    windows) packages+=(g++-mingw-w64-x86-64-posix googletest wine64 fonts-wine nsis libz-mingw-w64-dev) ;;
    # scripts/package-deb.sh and scripts/test-package.sh: building the package,
    # checking it, and reading its manual pages as man does.
    package) packages+=(dpkg-dev lintian desktop-file-utils appstream man-db file libxml2-utils) ;;
    screenshot) packages+=(imagemagick poppler-utils) ;;  # scripts/screenshot*.sh: import, pdftoppm
    reference) packages+=(r-base-core r-cran-posterior) ;;  # tests/stats/make_reference.R
    *) echo "install-deps.sh: unknown argument '$extra' (fuzz, windows, package, screenshot, reference)" >&2; exit 64 ;;
  esac
done
# The number tests set this locale; it must be generated, not only packaged.
test_locale=de_DE.UTF-8

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)

have_locale() { locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8'; }

if ! command -v dpkg-query >/dev/null || ! command -v apt-get >/dev/null; then
  # Not Debian or Ubuntu: look for the tools themselves.
  missing=()
  for tool in cmake ninja g++ pkg-config rsvg-convert; do command -v "$tool" >/dev/null || missing+=("$tool"); done
  pkg-config --exists gtest 2>/dev/null || missing+=("GoogleTest (gtest, with its CMake files)")
  pkg-config --exists Qt6Widgets 2>/dev/null || missing+=("Qt 6 Widgets (development files)")
  have_locale || missing+=("the locale $test_locale (for one test; it is skipped without)")
  if [[ " $* " == *" windows "* ]]; then
    command -v x86_64-w64-mingw32-g++-posix >/dev/null || missing+=("MinGW-w64 g++ (x86_64, posix threads)")
    [ -f /usr/src/googletest/CMakeLists.txt ] || missing+=("GoogleTest sources in /usr/src/googletest")
    command -v wine64 >/dev/null || command -v wine >/dev/null || missing+=("Wine (64-bit)")
    command -v makensis >/dev/null || missing+=("NSIS (makensis)")
  fi
  if [ ${#missing[@]} -gt 0 ]; then
    echo "install-deps.sh: this system has no apt-get; install these yourself:" >&2
    printf '  - %s\n' "${missing[@]}" >&2
    echo "(the Debian package names are: ${packages[*]})" >&2
    exit 1
  fi
  exit 0
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  "${as_root[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}"
fi

if ! have_locale; then
  echo "Generating the locale $test_locale"
  "${as_root[@]}" sed -i "s/^# *\($test_locale UTF-8\)/\1/" /etc/locale.gen
  grep -q "^$test_locale UTF-8" /etc/locale.gen ||
    echo "$test_locale UTF-8" | "${as_root[@]}" tee -a /etc/locale.gen >/dev/null
  "${as_root[@]}" locale-gen >/dev/null
  # Ubuntu's locale-gen takes the locale as an argument instead.
  have_locale || "${as_root[@]}" locale-gen "$test_locale" >/dev/null
fi
