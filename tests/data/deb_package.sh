#!/usr/bin/env bash
# Builds the Debian package from this build into a temporary folder, unpacks it there and starts
# the program from the unpacked usr/ offscreen: it must run with its files where the package puts
# them and keep the user's files in the user's data folder, never in usr/bin.
# Usage: deb_package.sh BUILD_DIR [SANITIZED]    (exit 77: the tools are missing, the test is skipped)
set -euo pipefail
build=$1
sanitized=${2:-OFF}
for tool in cpack dpkg-deb dpkg-shlibdeps; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
tmp=$(mktemp -d)
pid=
cleanup() {
  [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1 ||
  { cat "$tmp/cpack.log"; fail "cpack"; }
debs=("$tmp"/out/zorkan_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "no single zorkan_*.deb in $tmp/out"
deb=${debs[0]}

root=$tmp/root
dpkg-deb -x "$deb" "$root"
for f in usr/bin/zorkan usr/share/zorkan/Readme.rtf usr/share/zorkan/sample.txt \
         usr/share/applications/zorkan.desktop usr/share/metainfo/zorkan.metainfo.xml \
         usr/share/icons/hicolor/scalable/apps/zorkan.svg \
         usr/share/icons/hicolor/256x256/apps/zorkan.png usr/share/man/man1/zorkan.1.gz \
         usr/share/doc/zorkan/copyright usr/share/doc/zorkan/changelog.gz \
         usr/share/doc/zorkan/README.md; do
  [ -f "$root/$f" ] || fail "the package lacks $f"
done
gzip -t "$root/usr/share/man/man1/zorkan.1.gz" "$root/usr/share/doc/zorkan/changelog.gz"
depends=$(dpkg-deb -f "$deb" Depends)
recommends=$(dpkg-deb -f "$deb" Recommends)
[[ $depends == *libqt6widgets6* && $depends == *qt6-qpa-plugins* ]] ||
  fail "Depends lacks the linked libraries or the platform plug-in: $depends"
[[ $recommends == *libreoffice-writer* ]] || fail "Recommends lacks LibreOffice: $recommends"

# A sanitizer build is no package to ship: lintian judges the real one.
if [ "$sanitized" != ON ] && command -v lintian >/dev/null; then
  lintian --fail-on error "$deb" 2>/dev/null || fail "lintian finds errors"
fi

# A user of its own: no settings, no journal, no running instance to hand over to.
home=$tmp/home
run=$tmp/run
mkdir -p "$home" "$run"
chmod 700 "$run"
instance=zk-deb-test-$$
env -i PATH=/usr/bin:/bin ASAN_OPTIONS="${ASAN_OPTIONS:-}" UBSAN_OPTIONS="${UBSAN_OPTIONS:-}" \
  HOME="$home" XDG_RUNTIME_DIR="$run" XDG_DATA_HOME="$home/data" \
  XDG_CONFIG_HOME="$home/config" QT_QPA_PLATFORM=offscreen ZK_INSTANCE_NAME="$instance" \
  "$root/usr/bin/zorkan" "$root/usr/share/zorkan/sample.txt" >"$tmp/zorkan.log" 2>&1 &
pid=$!
# Listening for a later start means the window is up.
for _ in $(seq 600); do
  [ -S "$run/zorkan/$instance" ] && break
  kill -0 "$pid" 2>/dev/null || { cat "$tmp/zorkan.log"; fail "the program ended at start"; }
  sleep 0.1
done
[ -S "$run/zorkan/$instance" ] || fail "the program did not come up within a minute"
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
pid=
[ "$status" -eq 0 ] || { cat "$tmp/zorkan.log"; fail "exit status $status after SIGTERM"; }

data=$home/data/zorkan/zorkan
[ -s "$data/ZKData" ] && [ -s "$data/LastEdit" ] || fail "no ZKData and LastEdit in $data"
stray=$(find "$root" -name ZKData -o -name LastEdit -o -name Journal.sqlite)
[ -z "$stray" ] || fail "the program wrote into its installed folders: $stray"
echo "ok: $(basename "$deb")"
