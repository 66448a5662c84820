#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build and the tests need and
# this machine lacks. Safe to run again: it installs nothing that is present.
set -euo pipefail

missing=()
need() { # need <package> <check command...>
    local package=$1
    shift
    "$@" >/dev/null 2>&1 || missing+=("$package")
}
has() { command -v "$1"; }

need g++ has g++
need make has make
need cmake has cmake
need libgtest-dev test -f /usr/include/gtest/gtest.h
need octave has octave-cli
need liboctave-dev has mkoctfile

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

install_line="DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps: missing ${missing[*]}; as root, run:" >&2
    echo "  apt-get update && $install_line" >&2
    exit 1
fi

echo "install-deps: installing ${missing[*]}"
apt-get update -q
eval "$install_line"
