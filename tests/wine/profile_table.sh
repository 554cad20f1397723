#!/usr/bin/env bash
# The INI case table against the real Windows profile functions, under Wine, as an ordinary
# user (root's Wine writes read-only files). Skips (77) without Wine or the Windows build.
set -u
exe="$1"
command -v wine >/dev/null 2>&1 || { echo "wine is not installed: skipped"; exit 77; }
[ -f "$exe" ] || { echo "no Windows build at $exe: skipped"; exit 77; }
run_as=()
if [ "$(id -u)" = 0 ]; then
  command -v setpriv >/dev/null 2>&1 || { echo "setpriv missing: skipped"; exit 77; }
  run_as=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
home=$(mktemp -d)
cp "$exe" "$home/profile_table.exe"
chmod 755 "$home/profile_table.exe"
[ ${#run_as[@]} -gt 0 ] && chown -R 65534:65534 "$home"
trap 'rm -rf "$home"' EXIT
cd "$home"
out=$("${run_as[@]}" env HOME="$home" WINEPREFIX="$home/.wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
  timeout 600 wine "$home/profile_table.exe" --wine 2>&1)
code=$?
echo "$out" | tail -n 20
[ $code = 0 ] || exit 1
echo "$out" | grep -Eq '(^|[^0-9])0 failed' || exit 1
