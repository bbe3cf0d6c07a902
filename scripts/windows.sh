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
# --qt-only stops after 2; --cached only says whether Qt is in its cache (exit 0) or why not.
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
  --cached) mode=cached ;;
  "") ;;
  *) echo "usage: $0 [--no-tests|--tests-only|--qt-only|--cached]" >&2; exit 2 ;;
esac

step() { printf '\n== %s (%s)\n' "$1" "$(date +%T)"; }

install_packages() {
  step "Debian packages"
  # fonts-wine: the fonts of a Windows desktop (Tahoma, and Marlett for the window buttons);
  # DejaVu for Arial on that desktop and for the window tests.
  bash scripts/deps.sh g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix wine64 fonts-wine fonts-dejavu-core nsis \
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
# which the tablet support needs. Direct2D stays: without it Qt6Gui.dll lacks the DirectWrite
# font engine that PrintSupport links to.
qt_options=(
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF
  -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_tabletevent=OFF
  -DFEATURE_vulkan=OFF -DFEATURE_jpeg=OFF -DFEATURE_icu=OFF
  -DFEATURE_pkg_config=OFF -DFEATURE_zstd=OFF
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF
  -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF
  -DFEATURE_system_doubleconversion=OFF -DFEATURE_system_libb2=OFF
)
# Qt 6.4.2 leaves "dynamicgl" on when OpenGL is off, and the Windows platform plugin then uses
# OpenGL classes it has not got: its two dynamicgl blocks are made to need OpenGL as well.
qt_patch() {
  sed -i 's/^#if QT_CONFIG(dynamicgl)$/#if QT_CONFIG(dynamicgl) \&\& QT_CONFIG(opengl)/' \
    "$1/src/plugins/platforms/windows/qwindowswindow.cpp"
}
qt_stamp() {
  printf 'qtbase %s for %s\npatch: windows plugin dynamicgl needs opengl\ntoolchain %s\n' \
    "$qt_version" "$triple" \
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
  qt_patch "$src"
  rm -rf "$cache"
  # --fresh: the options are these alone; objects whose commands did not change are kept.
  "${nice[@]}" cmake --fresh -S "$src" -B "$work/qtbase-build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$cache" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    "${qt_options[@]}"
  "${nice[@]}" cmake --build "$work/qtbase-build" -j"$jobs"
  cmake --install "$work/qtbase-build"
  qt_stamp >"$cache/tarvix-stamp.txt"
  echo "Qt built in $(((SECONDS - start) / 60)) min $(((SECONDS - start) % 60)) s"
}

# QCustomPlot (Debian's source, with Debian's CMake build of it) and GoogleTest (the source
# Debian's googletest package ships), cross-built into the same cache as Qt.
deps_stamp() {
  printf '%s\ngoogletest %s\nqt %s\n' "$(basename "$(debian_source qcustomplot)")" \
    "$(dpkg-query -W -f='${Version}' googletest)" "$(qt_stamp | sha256sum | cut -c1-16)"
}
build_deps() {
  step "QCustomPlot and GoogleTest for Windows"
  if [ -f "$cache/deps-stamp.txt" ] && [ "$(cat "$cache/deps-stamp.txt")" = "$(deps_stamp)" ]; then
    echo "cached in $cache"
    return
  fi
  local common=(-G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$cache"
    -DCMAKE_PREFIX_PATH="$cache" -DCMAKE_BUILD_TYPE=Release -DQT_HOST_PATH=/usr
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake)
  rm -rf "$work/qcustomplot-build" "$work/googletest-build"
  "${nice[@]}" cmake -S "$(debian_source qcustomplot)" -B "$work/qcustomplot-build" "${common[@]}" \
    -DUSE_QT_VERSION=6 >/dev/null
  "${nice[@]}" cmake --build "$work/qcustomplot-build" -j"$jobs"
  cmake --install "$work/qcustomplot-build" >/dev/null
  "${nice[@]}" cmake -S /usr/src/googletest -B "$work/googletest-build" "${common[@]}" \
    -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON >/dev/null
  "${nice[@]}" cmake --build "$work/googletest-build" -j"$jobs"
  cmake --install "$work/googletest-build" >/dev/null
  deps_stamp >"$cache/deps-stamp.txt"
}

# The Linux build gives tarvix-sim and tarvix-cli, the peers of the Windows tests.
build_linux_peers() {
  step "tarvix-sim and tarvix-cli for Linux"
  [ -f "$hostbuild/build.ninja" ] ||
    cmake -S . -B "$hostbuild" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVIX_WERROR=ON >/dev/null
  "${nice[@]}" cmake --build "$hostbuild" -j"$jobs" --target tarvix-sim tarvix-cli
}

build_tarvix() {
  step "Tarvix for Windows"
  # The windows preset of CMakePresets.json, on the Qt of the cache.
  "${nice[@]}" cmake --preset windows -DCMAKE_PREFIX_PATH="$cache" >/dev/null
  "${nice[@]}" cmake --build --preset windows -j"$jobs"
}

version() {
  git describe --tags --always --dirty 2>/dev/null || echo unknown
}

# dist/windows/Tarvix: the programs, the DLLs they load and nothing else.
lay_out_dist() {
  step "dist/windows/Tarvix"
  local gcc_dir
  gcc_dir=$(dirname "$($triple-gcc-posix -print-libgcc-file-name)")
  rm -rf "$dist"
  mkdir -p "$dist/plugins/platforms" "$dist/plugins/styles" "$dist/translations"
  cp "$build/app/tarvix.exe" "$build/tools/tarvix-cli.exe" "$dist/"
  cp "$cache"/bin/Qt6{Core,Gui,Widgets,PrintSupport}.dll "$cache/bin/libQCustomPlotQt6.dll" "$dist/" 2>/dev/null ||
    cp "$cache"/bin/Qt6{Core,Gui,Widgets,PrintSupport}.dll "$cache"/bin/*QCustomPlotQt6*.dll "$dist/"
  cp "$cache/plugins/platforms/qwindows.dll" "$dist/plugins/platforms/"
  cp "$cache/plugins/styles/qwindowsvistastyle.dll" "$dist/plugins/styles/"
  cp "$gcc_dir/libgcc_s_seh-1.dll" "$gcc_dir/libstdc++-6.dll" \
    "/usr/$triple/lib/libwinpthread-1.dll" "$dist/"
  cp /usr/share/qt6/translations/qtbase_ru.qm "$dist/translations/"
  # Qt finds its plugins and translations beside the program, wherever it is installed.
  printf '[Paths]\r\nPrefix = .\r\nPlugins = plugins\r\nTranslations = translations\r\n' \
    >"$dist/qt.conf"
  "$triple-strip" --strip-unneeded "$dist"/*.exe "$dist"/*.dll "$dist"/plugins/*/*.dll
  # Every DLL a program or plugin imports is either here or part of Windows (an import library
  # of MinGW's, an API set, a driver).
  local missing
  missing=$(cd "$dist" && for f in *.exe *.dll plugins/*/*.dll; do
    "$triple-objdump" -p "$f" | awk '/DLL Name:/ {print $3}'
  done | sort -u | grep -viE '^api-ms-win-|\.drv$' | while read -r dll; do
    [ -f "$dist/$dll" ] || [ -f "/usr/$triple/lib/lib${dll%.dll}.a" ] ||
      [ -f "/usr/$triple/lib/lib$(echo "${dll%.dll}" | tr 'A-Z' 'a-z').a" ] || echo "$dll"
  done)
  if [ -n "$missing" ]; then
    echo "dist/windows/Tarvix lacks: $missing" >&2
    exit 1
  fi
  du -sh "$dist"
}

make_installer() {
  step "Setup program and zip"
  local v
  v=$(version)
  rm -f dist/Tarvix-*-setup.exe dist/Tarvix-*-windows.zip
  makensis -V2 -DVERSION="$v" -DSOURCE="$dist" -DOUTFILE="$root/dist/Tarvix-$v-setup.exe" \
    packaging/windows/tarvix.nsi
  (cd dist/windows && zip -qr "$root/dist/Tarvix-$v-windows.zip" Tarvix)
  ls -l dist/Tarvix-"$v"-setup.exe dist/Tarvix-"$v"-windows.zip
}

if [ "$mode" = cached ]; then
  if [ ! -f "$cache/tarvix-stamp.txt" ]; then
    echo "no Qt $qt_version for Windows in $cache (scripts/windows.sh builds it once, in about an hour)"
    exit 1
  elif [ "$(cat "$cache/tarvix-stamp.txt")" != "$(qt_stamp)" ]; then
    echo "Qt in $cache was built with other options (scripts/windows.sh builds it again)"
    exit 1
  fi
  exit 0
fi

total_start=$SECONDS
if [ "$mode" != tests ]; then
  install_packages
  build_qt
  [ "$mode" = qt ] && exit 0
  build_deps
  build_linux_peers
  build_tarvix
  lay_out_dist
  make_installer
  echo "Built in $((SECONDS - total_start)) s"
  [ "$mode" = build ] && exit 0
fi
TARVIX_QT_CACHE=$cache bash scripts/windows-tests.sh
