#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Zembrel
# need (dbus-daemon: the notification test's private session bus); with
# --deep also those of the deeper checks (clang for the fuzz targets), with
# --package those that build and check the Debian package (systemd: its
# systemd-analyze verifies the daily check's units).
# Safe to run again: it installs only what is missing. Runs apt-get as
# root, or through sudo for another user.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config clang-format
    qt6-base-dev qt6-webengine-dev libgl-dev qcoro-qt6-dev qt6-translations-l10n qt6-l10n-tools
    libqt6sql6-sqlite
    libcurl4-openssl-dev libgumbo-dev fonts-wqy-microhei strace dbus-daemon
    # the system's trust store, which the fetcher and the browser read and
    # the HTTPS tests replace inside their own namespace
    ca-certificates
)
for flag in "$@"; do
    case "$flag" in
    --deep) packages+=(clang libclang-rt-14-dev) ;;
    --package) packages+=(build-essential dpkg-dev debhelper lintian appstream desktop-file-utils man-db
        systemd) ;;
    *) echo "install-deps: unknown option $flag" >&2; exit 2 ;;
    esac
done

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
if [ ${#missing[@]} -eq 0 ]; then
    echo "install-deps: all ${#packages[@]} packages are installed"
    exit 0
fi

as_root=()
if [ "$(id -u)" -ne 0 ]; then
    as_root=(sudo)
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q
"${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
