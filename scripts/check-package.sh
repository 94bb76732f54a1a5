#!/usr/bin/env bash
# Checks the package scripts/package.sh built: lintian on it, then what it
# installs, unpacked into a scratch folder with dpkg -x (the machine itself
# is not changed): the programs are stripped, zembrel-check --demo prints
# the demo grid, the manual pages open with man, the desktop entry and the
# AppStream metainfo validate, and systemd-analyze verifies the daily
# check's user units. Prints the package's sizes.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh --package

version=$(dpkg-parsechangelog --show-field Version)
arch=$(dpkg-architecture --query DEB_HOST_ARCH)
deb="dist/zembrel_${version}_${arch}.deb"
changes="dist/zembrel_${version}_${arch}.changes"
[ -f "$deb" ] || { echo "check-package: no $deb; run scripts/package.sh first" >&2; exit 1; }

failed=0
fail() {
    echo "check-package: FAIL: $*" >&2
    failed=1
}

echo "== lintian"
# Errors and warnings fail; debian/zembrel.lintian-overrides holds the
# accepted ones, each with its reason.
lintian --fail-on error,warning --display-info "$changes" || fail "lintian"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"

echo "== dependencies"
depends=$(dpkg-deb --field "$deb" Depends)
echo "Depends: $depends"
echo "Recommends: $(dpkg-deb --field "$deb" Recommends)"
# The libraries' packages come from dpkg-shlibdeps, not from a hand-kept list.
for library in libqt6core6 libqt6webenginecore6 libcurl4; do
    [[ "$depends" =~ (^|, )$library[\ ,] ]] || fail "Depends lacks $library, computed from the programs' libraries"
done

echo "== programs"
for program in zembrel zembrel-check; do
    description=$(file --brief "$root/usr/bin/$program")
    [[ "$description" == *ELF*", stripped"* ]] || fail "/usr/bin/$program is not a stripped program: $description"
done
# The window opens the guide from here; it must stay uncompressed.
[ -f "$root/usr/share/zembrel/guide.html" ] || fail "no /usr/share/zembrel/guide.html"

echo "== zembrel-check --demo --format tsv"
expected="$root/expected.tsv"
perl -MJSON::PP -0777 -ne 'binmode STDOUT, ":encoding(UTF-8)";
    my $cells = decode_json($_)->{grid}{cells};
    print join("\n", map { join("\t", map { $_->{text} } @$_) } @$cells), "\n";' \
    tests/demo/expected-grid.json >"$expected"
mkdir -p "$root/home"
if XDG_DATA_HOME="$root/home/data" XDG_CONFIG_HOME="$root/home/config" \
    XDG_CACHE_HOME="$root/home/cache" "$root/usr/bin/zembrel-check" --demo --format tsv \
    >"$root/demo.tsv" 2>"$root/demo.err"; then
    diff -u "$expected" "$root/demo.tsv" || fail "the installed zembrel-check printed another grid"
else
    cat "$root/demo.err" >&2
    fail "the installed zembrel-check --demo failed"
fi

echo "== manual pages"
for language in C:NAME zh_CN:名称; do
    heading=${language#*:} language=${language%:*}
    for page in zembrel zembrel-check; do
        # groff's warnings (a bad request, a line it cannot break) count as faults.
        warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 MANPATH="$root/usr/share/man" \
            man --warnings -L "$language" "$page" 2>&1 >"$root/page.txt") ||
            fail "man -L $language $page does not open"
        [ -z "$warnings" ] || fail "man -L $language $page: $warnings"
        grep -q "^$heading" "$root/page.txt" || fail "man -L $language $page is not in that language"
        grep -q -e "--demo" "$root/page.txt" || fail "man -L $language $page shows no options"
    done
done

echo "== desktop entry and metainfo"
entry="$root/usr/share/applications/zembrel.desktop"
hints=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate: $hints"
[ -z "$hints" ] || fail "desktop-file-validate: $hints"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml || fail "appstreamcli validate"
# The metainfo's desktop entry is the one installed beside it.
appstreamcli validate-tree --no-net "$root" || fail "appstreamcli validate-tree"

echo "== systemd user units"
# The daily check's timer and service for one shop, as installed: the
# package's /usr laid over the machine's in a mount namespace of this check
# alone, so that the program and the manual page they name are found. Any
# line systemd-analyze prints is a fault: it exits with 0 after some, such
# as an unknown key.
units=/usr/lib/systemd/user
for unit in zembrel-check-daily@.service zembrel-check-daily@.timer; do
    [ -f "$root$units/$unit" ] || fail "no $units/$unit"
done
own_root=()
if [ "$(id -u)" -ne 0 ]; then
    own_root=(--map-root-user)
fi
mkdir -m 700 "$root/runtime"
if verified=$(XDG_RUNTIME_DIR="$root/runtime" unshare "${own_root[@]}" --mount sh -c '
        mount -t overlay overlay -o "lowerdir=$1/usr:/usr" /usr &&
        systemd-analyze verify --user "$2/zembrel-check-daily@myshop.service" \
            "$2/zembrel-check-daily@myshop.timer"' sh "$root" "$units" 2>&1); then
    [ -z "$verified" ] || fail "systemd-analyze verify: $verified"
else
    fail "systemd-analyze verify: $verified"
fi
# Installing turns no daily check on: no maintainer script enables a unit.
dpkg-deb --control "$deb" "$root/control"
if grep -qs systemd "$root"/control/{pre,post}{inst,rm}; then
    fail "the package's maintainer scripts turn systemd units on"
fi

echo "== sizes"
echo "package: $(du -k --apparent-size "$deb" | cut -f1) KiB ($deb)"
echo "installed: $(dpkg-deb --field "$deb" Installed-Size) KiB"
dbgsym="dist/zembrel-dbgsym_${version}_${arch}.deb"
[ -f "$dbgsym" ] && echo "debug symbols: $(du -k --apparent-size "$dbgsym" | cut -f1) KiB ($dbgsym)"

if [ "$failed" -ne 0 ]; then
    echo "check-package: the package has faults (above)" >&2
    exit 1
fi
echo "check-package: all checks passed"
