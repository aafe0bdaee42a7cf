#!/usr/bin/env bash
# Qt for Windows, cross-built once per machine: Debian's own source of the Qt that the client builds against, with
# the two changes it needs, built static with Debian's MinGW-w64 compilers (Core, Gui, Widgets, Network, Test) and kept
# in a cache folder outside the checkout, keyed by the version, the architecture, the configure options and the
# changes. Later runs find it there.
#
# Usage: qt-windows.sh ARCH   (i686 or x86_64)
# Prints the install prefix (for CMAKE_PREFIX_PATH) as its last line. NUVA_QT_WINDOWS_CACHE names the cache folder;
# by default ~/.cache/nuvagame-build/qt-windows (not under ~/.cache/nuvagame, which the client empties at every start).
set -euo pipefail
arch=$1
triple=$arch-w64-mingw32
version=$(dpkg-query -W -f='${Version}' qtbase5-dev)
options=(-xplatform win32-g++ -release -static -static-runtime -opensource -confirm-license -nomake examples
  -nomake tests -no-opengl -no-dbus -no-icu -no-direct2d -qt-zlib -qt-pcre -qt-libpng -qt-libjpeg -qt-harfbuzz
  -no-freetype -no-feature-sql -schannel -no-openssl)

# What the Windows build needs changed in Debian's source; part of the cache key.
apply_changes() {
  # Debian's tarball leaves out src/3rdparty/wintab: build the old Wintab tablet code only where its header is. Pen
  # input through the newer pointer API does not need it.
  local plugin=src/plugins/platforms/windows
  sed -i 's|^qtConfig(tabletevent) {|qtConfig(tabletevent):exists($$QT_SOURCE_TREE/src/3rdparty/wintab/wintab.h) {\n    DEFINES += NUVA_WINTAB|' \
    "$plugin/windows.pri"
  sed -i 's|^#if QT_CONFIG(tabletevent)$|#if QT_CONFIG(tabletevent) \&\& defined(NUVA_WINTAB)|' "$plugin/qwindowscontext.cpp"
  # MinGW's import libraries have lower-case names, and the file system minds the case.
  sed -i 's|"-lSecur32" "-lCrypt32"|"-lsecur32" "-lcrypt32"|' src/network/ssl/ssl.pri
}

cache=${NUVA_QT_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/nuvagame-build/qt-windows}
key=$(printf '%s\n' "$version" "$arch" "${options[*]}" "$(declare -f apply_changes)" | sha256sum | cut -c1-12)
prefix=$cache/qt-$version-$arch-$key
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi

started=$SECONDS
work=$cache/work-$arch-$key
rm -rf "$work" "$prefix"
mkdir -p "$work/apt/lists/partial" "$work/tools"
log=$work/build.log
echo "Building Qt $version for Windows ($arch) into $prefix; the log is $log" >&2
trap 'echo "FAILED: Qt for Windows ($arch); the end of $log:" >&2; tail -n 40 "$log" >&2' ERR

# The machine's own Debian sources, as source entries, for these calls only.
{
  for file in /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] && awk 'BEGIN { RS = ""; ORS = "\n\n" }
      /Types:[ \t]*deb([ \t\n]|$)/ { sub(/Types:[ \t]*deb/, "Types: deb-src"); print }' "$file"
  done
} >"$work/apt/sources.sources"
if [ -f /etc/apt/sources.list ]; then
  sed -n 's/^[ \t]*deb[ \t]/deb-src /p' /etc/apt/sources.list >"$work/apt/sources.list"
else
  : >"$work/apt/sources.list"
fi
apt_options=(-o "Dir::Etc::SourceList=$work/apt/sources.list" -o "Dir::Etc::SourceParts=$work/apt"
  -o "Dir::State::Lists=$work/apt/lists")
(
  cd "$work"
  apt-get -qq "${apt_options[@]}" update
  apt-get -qq "${apt_options[@]}" source --download-only "qtbase-opensource-src=$version"
  dpkg-source --no-check -x qtbase-opensource-src_*.dsc source
) >>"$log" 2>&1
(cd "$work/source" && apply_changes)

# Qt's mkspec calls ${CROSS_COMPILE}g++; Qt needs the posix threading variant of the compilers.
for tool in gcc g++; do ln -sf "/usr/bin/$triple-$tool-posix" "$work/tools/$triple-$tool"; done
for tool in ar ranlib windres strip objcopy nm ld dlltool objdump; do
  ln -sf "/usr/bin/$triple-$tool" "$work/tools/$triple-$tool"
done

mkdir -p "$work/build"
(
  cd "$work/build"
  "$work/source/configure" -prefix "$prefix" -device-option "CROSS_COMPILE=$work/tools/$triple-" "${options[@]}"
  nice make -j "$(nproc)"
  make install
) >>"$log" 2>&1
touch "$prefix/.complete"
rm -rf "$work/source" "$work/build"
echo "Built Qt $version for Windows ($arch) in $((SECONDS - started)) s" >&2
echo "$prefix"
