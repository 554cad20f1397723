#!/usr/bin/env bash
# The Windows build, run under Wine in a product tree: each start mode ends with its exit
# code and leaves the files it should. Skips (77) without Wine or without the Windows build.
set -u
exe="$1"
jetdb="${2:-}"
command -v wine >/dev/null 2>&1 || { echo "wine is not installed: skipped"; exit 77; }
[ -f "$exe" ] || { echo "no Windows build at $exe (bash tools/run_tests.sh makes it): skipped"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export WINEPREFIX="${TOLVANE_WINEPREFIX:-$HOME/.tolvane-wine}" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
fail=0
check() { if [ "$2" = "$3" ]; then echo "ok: $1"; else echo "FAILED: $1: expected [$3], got [$2]"; fail=1; fi; }

prod="$work/Prod"
mkdir -p "$prod/Tolvane" "$prod/parameter"
cp "$exe" "$prod/Tolvane/Tolvane_Config.exe"
printf '[Project]\r\nNumberOfMachines=1\r\n[Machine1]\r\nMachineName=M1\r\n' > "$prod/parameter/Program.ini"
printf '[Common]\r\nNameM1=M1\r\nNameM2=-\r\n' > "$prod/parameter/zrbconfiguration.ini"
cfg="$prod/Tolvane/Tolvane.cfg"
base=$'[Project]\r\nValidMachines=ALL\r\nForMachine1=true\r\n'

run() { (cd "$work" && timeout 300 wine "$prod/Tolvane/Tolvane_Config.exe" "$@" </dev/null >/dev/null 2>&1); echo $?; }

printf '%s' "$base" > "$cfg"
check "silent run exit code" "$(run /EXTERNAL SILENT)" 0
check "silent stamp" "$(grep -a S_Prog "$cfg" | tr -d '\r')" "S_Prog=1.0.1 - Standalone"
lang="$prod/Tolvane/Tolvane_Config.ini"
check "language file lines" "$(wc -l < "$lang" 2>/dev/null | tr -d ' ')" 166
check "language code" "$(sed -n 2p "$lang" | tr -d '\r')" "Language=1031"

printf '%s' "$base" > "$cfg"
check "integrated run exit code" "$(run /EXTERNAL ZRBCFG /LOGFILE log.txt)" 0
check "integrated stamp" "$(grep -a S_Prog "$cfg" | tr -d '\r')" "S_Prog=1.0.1 - Integrated"

# The whole run on a template database written by the Linux build of the engine.
if [ -x "$jetdb" ]; then
  src="$(cd "$(dirname "$0")/../.." && pwd)/tools/sample"
  tmpl="$prod/Tolvane/Tolvane_Source.mdb"
  "$jetdb" "$tmpl" create
  "$jetdb" "$tmpl" import Source_PRESET_DEFS "$src/Source_PRESET_DEFS.csv" >/dev/null
  "$jetdb" "$tmpl" import Source_DEFS "$src/Source_DEFS.csv" >/dev/null
  printf '%s' "$base" > "$cfg"
  check "database run exit code" "$(run /EXTERNAL SILENT)" 0
  check "generated names" "$("$jetdb" "$prod/Tolvane/Tolvane.mdb" query "SELECT PRESET_DEFS.var_name FROM PRESET_DEFS ORDER BY PRESET_DEFS.ID" | tr -d '\r\n\"')" "var_nameM1.SpeedM1.TorqueZone1Zone2"
  "$jetdb" "$prod/Tolvane/Tolvane.mdb" update PRESET_DEFS 0 abs_min=7 >/dev/null
  check "second run exit code" "$(run /EXTERNAL SILENT)" 0
  check "value taken over" "$("$jetdb" "$prod/Tolvane/Tolvane.mdb" query "SELECT PRESET_DEFS.abs_min FROM PRESET_DEFS WHERE PRESET_DEFS.var_name = 'M1.Speed'" | tail -n 1 | tr -d '\r')" "7"
  check "indexes of the result" "$("$jetdb" "$prod/Tolvane/Tolvane.mdb" check-indexes >/dev/null 2>&1; echo $?)" 0
fi

rm -f "$cfg"
splog="$WINEPREFIX/drive_c/WexelServicePack.log"
rm -f "$splog"
check "missing cfg exit code" "$(run /EXTERNAL SILENT)" 1
check "missing cfg service-pack entry" "$(head -c 40 "$splog" 2>/dev/null)" "! Fault Tolvane_Config: File not found: "

exit $fail
