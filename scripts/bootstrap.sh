#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need: for each command the scripts run
# and each file the build reads that is missing, the package that provides it, with recommended
# packages off. A package name that dpkg knows proves nothing: wine64 installed without its
# recommended wine has no wine or wineserver command.
#   bootstrap.sh --check   names what is missing and the packages it needs, installs nothing,
#                          and exits 1 when anything is missing
set -euo pipefail

# Each line: a package, then what of it is needed: a command on PATH, an absolute path (a glob
# may stand for a version), or python3:MODULE, a module of Debian's own Python, which the
# scripts run as /usr/bin/python3 whatever python3 comes first on PATH.
needs='
cmake                         cmake ctest
make                          make
gcc                           gcc
g++                           g++
clang                         clang clang++
libclang-rt-14-dev            /usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a
googletest                    /usr/src/googletest/CMakeLists.txt
libbenchmark-dev              /usr/lib/x86_64-linux-gnu/cmake/benchmark/benchmarkConfig.cmake
nlohmann-json3-dev            /usr/include/nlohmann/json.hpp
gcc-mingw-w64-x86-64-posix    x86_64-w64-mingw32-gcc-posix
g++-mingw-w64-x86-64-posix    x86_64-w64-mingw32-g++-posix
binutils-mingw-w64-x86-64     x86_64-w64-mingw32-windres x86_64-w64-mingw32-dlltool
mingw-w64-x86-64-dev          /usr/x86_64-w64-mingw32/include/windows.h
wine                          wine wineserver wineboot winepath
wine64                        /usr/lib/wine/wine64
fonts-wine                    /usr/share/wine/fonts/tahoma.ttf
fonts-wqy-microhei            /usr/share/fonts/truetype/wqy/wqy-microhei.ttc
libxrender1                   /usr/lib/x86_64-linux-gnu/libXrender.so.1
libxrandr2                    /usr/lib/x86_64-linux-gnu/libXrandr.so.2
libxi6                        /usr/lib/x86_64-linux-gnu/libXi.so.6
libxcursor1                   /usr/lib/x86_64-linux-gnu/libXcursor.so.1
libxinerama1                  /usr/lib/x86_64-linux-gnu/libXinerama.so.1
libxcomposite1                /usr/lib/x86_64-linux-gnu/libXcomposite.so.1
libxfixes3                    /usr/lib/x86_64-linux-gnu/libXfixes.so.3
xvfb                          Xvfb
xdotool                       xdotool
imagemagick                   import convert
nsis                          makensis
osslsigncode                  osslsigncode
openssl                       openssl
git                           git
util-linux                    flock
python3                       /usr/bin/python3
python3-jsonschema            python3:jsonschema
python3-yaml                  python3:yaml
'
# Wine, makensis and the tests need nothing else that these packages only recommend: the X
# libraries above are those Wine loads at run time (it draws through XRender where it can), and
# fonts-wine holds the fonts the programs' windows use.

present() {
  case $1 in
    python3:*) [ -x /usr/bin/python3 ] && /usr/bin/python3 -c "import ${1#python3:}" 2>/dev/null ;;
    /*) compgen -G "$1" >/dev/null ;;
    *) command -v "$1" >/dev/null ;;
  esac
}

# Sets missing (what is missing, with its package) and packages (each package once).
find_missing() {
  missing=() packages=()
  local package things thing
  while read -r package things; do
    [ -n "$package" ] || continue
    for thing in $things; do
      if ! present "$thing"; then
        missing+=("$thing ($package)")
        [[ " ${packages[*]} " == *" $package "* ]] || packages+=("$package")
      fi
    done
  done <<<"$needs"
}

find_missing
if [ "${1:-}" = --check ]; then
  [ ${#missing[@]} -eq 0 ] && exit 0
  printf 'bootstrap: missing %s\n' "${missing[@]}"
  echo "bootstrap: would install ${packages[*]}"
  exit 1
fi
[ ${#missing[@]} -eq 0 ] && exit 0
echo "bootstrap: missing ${missing[*]}"
echo "bootstrap: installing ${packages[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${packages[@]}"
hash -r
find_missing
if [ ${#missing[@]} -ne 0 ]; then
  printf 'bootstrap: still missing after the install: %s\n' "${missing[@]}" >&2
  exit 1
fi
