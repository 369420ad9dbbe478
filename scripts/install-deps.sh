#!/bin/sh
# Installs what building and testing tonemill needs on Debian 12, skipping
# whatever is already there. Pass extra package names to add them.
set -eu

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

packages="cmake g++ clang ninja-build libgtest-dev googletest libbenchmark-dev libclang-rt-14-dev python3 locales $*"
missing=""
for package in $packages; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing="$missing $package"
done
if [ -n "$missing" ]; then
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
fi

# A locale whose decimal separator is a comma, to show that it changes nothing.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8 2>/dev/null || echo "note: could not make the de_DE.UTF-8 locale"
fi
