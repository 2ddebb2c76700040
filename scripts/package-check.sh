#!/usr/bin/env bash
# Builds the Debian package from a build folder (build/ unless given) and checks it: the desktop
# entry and the AppStream metainfo validate, lintian finds no error, and the package installs
# with apt-get, its three programs answer --version from /usr/bin, dpkg lists every file the
# desktop and udev need, and it removes again leaving no program behind. One line per check;
# exits non-zero on the first failure. Installing and removing need root (or sudo).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
apt=("${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -y -q -o DPkg::Lock::Timeout=600)
log=$(mktemp -d)
installed_here=0

fail() {
  echo "package: FAILED: $*" >&2
  exit 1
}

status() { dpkg-query -W -f='${db:Status-Abbrev}' printbench 2>/dev/null | tr -d ' ' || true; }

cleanup() {
  # A check that failed between installing and removing still leaves nothing installed.
  if [ "$installed_here" -eq 1 ] && [ -n "$(status)" ] && [ "$(status)" != "un" ]; then
    "${apt[@]}" purge printbench >/dev/null 2>&1 || true
  fi
  rm -rf "$log"
}
trap cleanup EXIT

# -- The package -----------------------------------------------------------------------------
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" >"$log/build" 2>&1 || { tail -n 40 "$log/build"; fail "the build in $build/ failed"; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || fail "no project version in $build/CMakeCache.txt"
arch=$(dpkg --print-architecture)
deb="$build/printbench_${version}_${arch}.deb"
rm -f "$build"/printbench_*.deb
(cd "$build" && cpack -G DEB) >"$log/cpack" 2>&1 || { cat "$log/cpack"; fail "cpack -G DEB failed"; }
[ -f "$deb" ] || fail "cpack made no $deb"
[ "$(dpkg-deb -f "$deb" Package)" = printbench ] && [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] ||
  fail "$deb is not printbench $version"
depends=$(dpkg-deb -f "$deb" Depends)
echo "$depends" | grep -q 'libqt6core6' || fail "Depends lacks the libraries dpkg-shlibdeps finds: $depends"
echo "package: built $deb (Depends: $depends; Recommends: $(dpkg-deb -f "$deb" Recommends))"

# -- Desktop entry and AppStream metainfo ----------------------------------------------------
desktop=packaging/io.github.printbench.PrintBench.desktop
metainfo="$build/packaging/io.github.printbench.PrintBench.metainfo.xml"
desktop-file-validate "$desktop" >"$log/desktop" 2>&1 || { cat "$log/desktop"; fail "desktop-file-validate $desktop"; }
[ ! -s "$log/desktop" ] || { cat "$log/desktop"; fail "desktop-file-validate has remarks on $desktop"; }
echo "package: desktop-file-validate: $desktop valid"

# appstreamcli exits non-zero on warnings too; errors (E:) are what fail here.
rc=0
appstreamcli validate --no-net "$metainfo" >"$log/appstream" 2>&1 || rc=$?
errors=$(grep -c '^E:' "$log/appstream" || true)
warnings=$(grep -c '^W:' "$log/appstream" || true)
if [ "$errors" -gt 0 ] || { [ "$rc" -ne 0 ] && [ "$warnings" -eq 0 ]; }; then
  cat "$log/appstream"
  fail "appstreamcli validate $metainfo"
fi
grep '^W:' "$log/appstream" || true
echo "package: appstreamcli validate: no errors ($warnings warnings)"

# -- lintian -----------------------------------------------------------------------------------
rc=0
lintian "$deb" >"$log/lintian" 2>"$log/lintian-err" || rc=$?
errors=$(grep -c '^E:' "$log/lintian" || true)
warnings=$(grep -c '^W:' "$log/lintian" || true)
if [ "$errors" -gt 0 ] || [ "$rc" -ne 0 ]; then
  cat "$log/lintian" "$log/lintian-err"
  fail "lintian: $errors errors"
fi
grep '^W:' "$log/lintian" || true
echo "package: lintian: no errors ($warnings warnings)"

# -- Install, run, list, remove ----------------------------------------------------------------
if [ -n "$(status)" ] && [ "$(status)" != "un" ]; then
  echo "package: removing the printbench installed before ($(status))"
  "${apt[@]}" purge printbench >"$log/purge" 2>&1 || { cat "$log/purge"; fail "could not remove the printbench installed before"; }
fi

installed_here=1
"${apt[@]}" install "$(realpath "$deb")" >"$log/install" 2>&1 || { cat "$log/install"; fail "apt-get install $deb"; }
[ "$(status)" = ii ] || fail "printbench is not installed after apt-get install (status $(status))"

for program in printbench printbench-printer printbench-run; do
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen "/usr/bin/$program" --version 2>&1) ||
    fail "/usr/bin/$program --version exits non-zero: $out"
  [ "$out" = "$program $version" ] || fail "/usr/bin/$program --version says \"$out\", not \"$program $version\""
done
echo "package: /usr/bin/printbench, printbench-printer and printbench-run --version say $version"

listed=$(dpkg -L printbench)
for file in \
  /usr/lib/udev/rules.d/60-printbench-usb-printers.rules \
  /usr/share/applications/io.github.printbench.PrintBench.desktop \
  /usr/share/icons/hicolor/scalable/apps/printbench.svg \
  /usr/share/icons/hicolor/128x128/apps/printbench.png \
  /usr/share/metainfo/io.github.printbench.PrintBench.metainfo.xml \
  /usr/share/man/man1/printbench.1.gz \
  /usr/share/man/man1/printbench-printer.1.gz \
  /usr/share/man/man1/printbench-run.1.gz \
  /usr/share/doc/printbench/copyright \
  /usr/share/doc/printbench/README.md; do
  grep -qxF "$file" <<<"$listed" || fail "dpkg -L printbench does not list $file"
  [ -f "$file" ] || fail "$file is listed but not on disk"
done
echo "package: dpkg -L lists the udev rule, desktop entry, icons, metainfo, manual pages and copyright"

"${apt[@]}" remove printbench >"$log/remove" 2>&1 || { cat "$log/remove"; fail "apt-get remove printbench"; }
for program in printbench printbench-printer printbench-run; do
  [ ! -e "/usr/bin/$program" ] || fail "/usr/bin/$program is still there after apt-get remove"
done
[ ! -e /usr/lib/udev/rules.d/60-printbench-usb-printers.rules ] || fail "the udev rule is still there after apt-get remove"
case "$(status)" in
  "" | un) ;;
  rc) "${apt[@]}" purge printbench >/dev/null 2>&1 || fail "apt-get purge printbench" ;;
  *) fail "dpkg says printbench is $(status) after apt-get remove" ;;
esac
installed_here=0
echo "package: installed and removed cleanly"
