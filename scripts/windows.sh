#!/usr/bin/env bash
# Builds Tarvix for Windows on Debian 12 (as root) and tests it under Wine:
#   1. installs the MinGW-w64 cross compilers, Wine, NSIS and the Linux build's packages;
#   2. cross-builds Qt 6.4.2 (qtbase) from Debian's source package once, into a cache folder
#      outside the work tree, stamped with its version and configure options;
#   3. cross-builds QCustomPlot (Debian's source) and GoogleTest (the source Debian ships);
#   4. cross-builds tarvix.exe, tarvix-cli.exe and the test programs;
#   5. lays out dist/windows/Tarvix/, builds the NSIS setup program and a zip of the folder;
#   6. runs the tests under wine64 (see scripts/windows-tests.sh) and prints "N passed, N failed".
# Options: --no-tests stops after 5; --tests-only runs 6 on what is already built;
# --qt-only stops after 2.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

qt_version=6.4.2
cache=${TARVIX_QT_CACHE:-/opt/tarvix-qt6-mingw}
work=${TARVIX_WIN_WORK:-/var/cache/tarvix-win}   # sources and Qt's build tree, outside the clone
jobs=${JOBS:-$(nproc)}
nice=(nice -n 10)
toolchain=$root/cmake/mingw-w64-x86_64.cmake
triple=x86_64-w64-mingw32
build=$root/build-win
hostbuild=$root/build
dist=$root/dist/windows/Tarvix

mode=all
case "${1:-}" in
  --no-tests) mode=build ;;
  --tests-only) mode=tests ;;
  --qt-only) mode=qt ;;
  "") ;;
  *) echo "usage: $0 [--no-tests|--tests-only|--qt-only]" >&2; exit 2 ;;
esac

step() { printf '\n== %s (%s)\n' "$1" "$(date +%T)"; }

install_packages() {
  step "Debian packages"
  bash scripts/deps.sh g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix wine64 nsis \
    dpkg-dev zip xdotool imagemagick
}

# Debian's source packages come from the same mirror and suite as the machine's own packages.
add_deb_src() {
  if apt-get indextargets --format '$(IDENTIFIER)' 2>/dev/null | grep -qx 'Sources'; then
    return
  fi
  local uri suite
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    uri=$(awk '/^URIs:/ {print $2; exit}' /etc/apt/sources.list.d/debian.sources)
    suite=$(awk '/^Suites:/ {print $2; exit}' /etc/apt/sources.list.d/debian.sources)
  else
    read -r uri suite < <(awk '$1 == "deb" && $2 !~ /^\[/ {print $2, $3; exit}' /etc/apt/sources.list)
  fi
  echo "Adding deb-src $uri $suite main" >&2
  cat >/etc/apt/sources.list.d/tarvix-src.sources <<EOF
Types: deb-src
URIs: $uri
Suites: $suite
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  apt-get update -qq >&2
}

# Unpacks Debian's source package $1 into $work/src (once) and prints its folder.
debian_source() {
  local pkg=$1 dir
  mkdir -p "$work/src"
  dir=$(find "$work/src" -maxdepth 1 -type d -name "$pkg-[0-9]*" | head -1)
  if [ -z "$dir" ]; then
    add_deb_src
    (cd "$work/src" && apt-get source -qq "$pkg" >&2)
    dir=$(find "$work/src" -maxdepth 1 -type d -name "$pkg-[0-9]*" | head -1)
  fi
  echo "$dir"
}

# What Tarvix needs of Qt and nothing more: Core, Gui, Widgets, PrintSupport, Test, the Windows
# platform plugin and styles, the offscreen plugin. Third-party code is Qt's bundled copy, so the
# DLLs depend on nothing but Windows and the MinGW run-time. Debian's tarball leaves out wintab,
# which the tablet support needs.
qt_options=(
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF
  -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_tabletevent=OFF
  -DFEATURE_direct2d=OFF -DFEATURE_vulkan=OFF -DFEATURE_jpeg=OFF -DFEATURE_icu=OFF
  -DFEATURE_pkg_config=OFF -DFEATURE_zstd=OFF
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF
  -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF
  -DFEATURE_system_doubleconversion=OFF -DFEATURE_system_libb2=OFF
)
qt_stamp() {
  printf 'qtbase %s for %s\ntoolchain %s\n' "$qt_version" "$triple" \
    "$(grep -v '^#' "$toolchain" | sha256sum | cut -c1-16)"
  printf '%s\n' "${qt_options[@]}"
}

build_qt() {
  step "Qt $qt_version for Windows"
  if [ -f "$cache/tarvix-stamp.txt" ] && [ "$(cat "$cache/tarvix-stamp.txt")" = "$(qt_stamp)" ]; then
    echo "cached in $cache"
    return
  fi
  local src start=$SECONDS
  src=$(debian_source qt6-base)
  rm -rf "$work/qtbase-build" "$cache"
  "${nice[@]}" cmake -S "$src" -B "$work/qtbase-build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$cache" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    "${qt_options[@]}"
  "${nice[@]}" cmake --build "$work/qtbase-build" -j"$jobs"
  cmake --install "$work/qtbase-build"
  qt_stamp >"$cache/tarvix-stamp.txt"
  echo "Qt built in $(((SECONDS - start) / 60)) min $(((SECONDS - start) % 60)) s"
}

install_packages
build_qt
[ "$mode" = qt ] && exit 0
