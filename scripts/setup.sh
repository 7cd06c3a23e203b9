#!/usr/bin/env bash
# Installs the build and test tools from Debian's packages and cross-builds
# libjpeg-turbo for MinGW once. Safe to run again: finished work is skipped.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cache="$root/.cache"
jpeg_prefix="$cache/libjpeg-turbo/install"

packages=(cmake ninja-build g++ pkg-config
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 libz-mingw-w64-dev
  wine wine64 xvfb x11-apps x11-utils imagemagick xdotool
  doctest-dev nasm dpkg-dev python3 python3-pil fonts-dejavu-core
  zlib1g-dev libjpeg62-turbo-dev libpng-dev libbenchmark-dev clang libclang-rt-14-dev
  libgtk-3-dev libwebkit2gtk-4.1-dev libayatana-appindicator3-dev trayer curl
  apache2 libapache2-mod-php8.2 php8.2-mysql mariadb-server)

sudo_() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo_ apt-get update -q
  # Only the servers' programs are used: their system services are not
  # started (policy-rc.d's 101 says "not allowed"), unless a policy is in place.
  policy=/usr/sbin/policy-rc.d
  own_policy=
  if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' | sudo_ tee "$policy" >/dev/null
    sudo_ chmod 755 "$policy"
    own_policy=1
  fi
  sudo_ env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}" || status=$?
  [ -n "$own_policy" ] && sudo_ rm -f "$policy"
  [ "${status:-0}" = 0 ] || exit "$status"
fi

if [ -f "$jpeg_prefix/lib/libjpeg.a" ]; then
  exit 0
fi

# Debian's source package of libjpeg-turbo, from the configured mirror.
add_deb_src() {
  local list=/etc/apt/sources.list.d/vadrome-deb-src.sources
  [ -f "$list" ] && return 0
  local uri suite
  uri=$(grep -h -m1 -E '^URIs:' /etc/apt/sources.list.d/*.sources 2>/dev/null | awk '{print $2}' || true)
  suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
  [ -n "$uri" ] || uri=$(grep -h -m1 -E '^deb ' /etc/apt/sources.list 2>/dev/null | awk '{print $2}')
  [ -n "$uri" ] || uri=http://deb.debian.org/debian
  printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
    "$uri" "$suite" | sudo_ tee "$list" >/dev/null
  sudo_ apt-get update -q
}

src_root="$cache/libjpeg-turbo/src"
if ! ls -d "$src_root"/libjpeg-turbo-*/ >/dev/null 2>&1; then
  add_deb_src
  mkdir -p "$src_root"
  (cd "$src_root" && apt-get source -q libjpeg-turbo)
fi
src=$(ls -d "$src_root"/libjpeg-turbo-*/ | head -n1)
build="$cache/libjpeg-turbo/build"
rm -rf "$build"
cmake -S "$src" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_CROSSCOMPILING_EMULATOR= \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$jpeg_prefix" \
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF \
  -DWITH_SIMD=ON -DREQUIRE_SIMD=ON -DCMAKE_ASM_NASM_COMPILER=nasm >/dev/null
cmake --build "$build" --target jpeg-static >/dev/null
cmake --install "$build" >/dev/null 2>&1 || true
# The install step may want tools we did not build; place what we need by hand.
mkdir -p "$jpeg_prefix/lib" "$jpeg_prefix/include"
cp "$build/libjpeg.a" "$jpeg_prefix/lib/libjpeg.a"
cp "$src"/jpeglib.h "$src"/jmorecfg.h "$src"/jerror.h "$build"/jconfig.h "$jpeg_prefix/include/"
echo "setup: libjpeg-turbo built into $jpeg_prefix"
