#!/usr/bin/env bash
# Builds the Debian package into dist/: zembrel_VERSION_ARCH.deb, its debug
# symbols zembrel-dbgsym_VERSION_ARCH.deb, and the .buildinfo and .changes
# that describe the build. Installs what packaging needs first. The package
# is made from a build of its own (build/package) with Debian's hardening
# flags; a second run rebuilds only what changed.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh --package

# The package's upstream version is the program's, written as the window's
# caption shows it: 1.3.15 is 1.03.0015.
read -r major minor build < <(sed -n 's/^project(Zembrel VERSION \([0-9]*\)\.\([0-9]*\)\.\([0-9]*\).*/\1 \2 \3/p' CMakeLists.txt)
program_version=$(printf '%d.%02d.%04d' "$major" "$minor" "$build")
version=$(dpkg-parsechangelog --show-field Version)
if [ "${version%-*}" != "$program_version" ]; then
    echo "package: debian/changelog is at $version but the program is $program_version:" \
        "add a changelog entry for $program_version-1 first" >&2
    exit 1
fi
metainfo=data/io.github.zembrel.zembrel.metainfo.xml
if ! grep -q "<release version=\"$program_version\"" "$metainfo"; then
    echo "package: $metainfo lists no release $program_version: add it first" >&2
    exit 1
fi

arch=$(dpkg-architecture --query DEB_HOST_ARCH)
mkdir -p dist
rm -f "dist/zembrel_${version}_${arch}".* "dist/zembrel-dbgsym_${version}_${arch}".deb
dpkg-buildpackage --build=binary --no-sign --jobs-try=auto \
    --buildinfo-option=-udist --buildinfo-file="dist/zembrel_${version}_${arch}.buildinfo" \
    --changes-option=-udist --changes-file="dist/zembrel_${version}_${arch}.changes"

echo
ls -l "dist/zembrel_${version}_${arch}.deb" "dist/zembrel-dbgsym_${version}_${arch}.deb"
echo "Install it with: sudo apt install ./dist/zembrel_${version}_${arch}.deb"
