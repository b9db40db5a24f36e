#!/usr/bin/env bash
# Builds the Debian package of Quillet, quillet_VERSION_ARCH.deb: a Release
# build with the distribution's hardening flags, installed into a staging root
# under /usr, its programs stripped, with the copyright file, the changelog
# and the dependencies the programs' libraries call for (dpkg-shlibdeps) plus
# the Qt platform plugins the window needs to show at all.
#   scripts/package-deb.sh [OUTPUT_DIRECTORY]      (default: build/package)
# The build itself goes to build/deb and is reused by the next run. The last
# line printed is the path of the package.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/install-deps.sh package

build=$root/build/deb
out=$(realpath -m "${1:-build/package}")
umask 022

# The flags Debian builds its own packages with: stack protector, fortified
# functions, read-only relocations and immediate binding. No debugging
# information: the programs are stripped anyway.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
cxxflags=${cxxflags//-g /}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DQUILLET_TESTS=OFF -DQUILLET_BENCH=OFF \
  "-DCMAKE_CXX_FLAGS=$cxxflags" "-DCMAKE_EXE_LINKER_FLAGS=$(dpkg-buildflags --get LDFLAGS)" \
  >/dev/null
cmake --build "$build" -j "$(nproc)"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
arch=$(dpkg --print-architecture)
changelog=packaging/deb/changelog
# Every file's time is the release's, so that the same source gives the same
# package.
SOURCE_DATE_EPOCH=$(date -d "$(sed -n 's/^ -- .*>  //p;T;q' "$changelog")" +%s)
export SOURCE_DATE_EPOCH

# The staging root sits where dpkg-shlibdeps looks for a package's files in
# a source tree, debian/PACKAGE, beside a minimal package list of its own.
work=$out/debian
stage=$work/quillet
rm -rf "$work"
mkdir -p "$work"
printf 'Source: quillet\n\nPackage: quillet\nArchitecture: any\n' >"$work/control"
DESTDIR=$stage cmake --install "$build" >/dev/null
# What Debian's own packaging tools strip: symbols, comments and notes.
strip --remove-section=.comment --remove-section=.note "$stage"/usr/bin/*
gzip -9n "$stage"/usr/share/man/man1/*.1
doc=$stage/usr/share/doc/quillet
install -d "$doc"
install -m 644 packaging/deb/copyright "$doc/copyright"
gzip -9n <"$changelog" >"$doc/changelog.gz"

# dpkg-shlibdeps takes the directory holding DEBIAN as the package's root.
install -d "$stage/DEBIAN"
depends=$(cd "$out" && dpkg-shlibdeps -O debian/quillet/usr/bin/* | sed -n 's/^shlibs:Depends=//p')
[ -n "$depends" ] || { echo "package-deb.sh: dpkg-shlibdeps found no dependencies" >&2; exit 1; }

{
  sed '/^Description:/,$d' packaging/deb/control.in
  echo "Version: $version"
  echo "Architecture: $arch"
  echo "Installed-Size: $(du -sk --apparent-size --exclude=DEBIAN "$stage" | cut -f1)"
  # The platform plugins are a package of their own: without them the window
  # program cannot start.
  echo "Depends: $depends, qt6-qpa-plugins"
  sed -n '/^Description:/,$p' packaging/deb/control.in
} >"$stage/DEBIAN/control"
(cd "$stage" && find usr -type f -print0 | LC_ALL=C sort -z | xargs -0 md5sum) >"$stage/DEBIAN/md5sums"
chmod 644 "$stage/DEBIAN/control" "$stage/DEBIAN/md5sums"

package=$out/quillet_${version}_${arch}.deb
# Only this version's package is left, so that ./quillet_*.deb names it.
rm -f "$out"/quillet_*.deb
dpkg-deb --root-owner-group -Zxz --build "$stage" "$package" >/dev/null
echo "$package"
