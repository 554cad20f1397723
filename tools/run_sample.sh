#!/usr/bin/env bash
# Builds the program, lays out a sample product installation in sample/ and runs the
# program there (standalone; pass arguments such as "/EXTERNAL SILENT" to choose a mode).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset default >/dev/null
cmake --build --preset default -j2 --target Tolvane_Config jetdb >/dev/null
jetdb=build/tools/jetdb/jetdb

top="$PWD/sample"
prod="$top/Prod"
rm -rf "$top"
mkdir -p "$prod/parameter" "$prod/Tolvane" "$top/Save/parameter"
crlf() { sed 's/$/\r/'; }
crlf > "$prod/parameter/zrbconfiguration.ini" <<INI
[Common]
NameM1=M1
NameM2=-
SaveAndRestore=$top/Save
INI
crlf > "$prod/parameter/Program.ini" <<INI
[Project]
NumberOfMachines=1
VWStudio=false
[Machine1]
MachineName=M1
INI
cp "$prod/parameter/Program.ini" "$top/Save/parameter/program.ini"
crlf > "$prod/Tolvane/Tolvane.cfg" <<INI
[Project]
ValidMachines=ALL
ForMachine1=true
INI
cp build/src/Tolvane_Config "$prod/Tolvane/Tolvane_Config"
# The template database, written through the project's engine.
tmpl="$prod/Tolvane/Tolvane_Source.mdb"
$jetdb "$tmpl" create
$jetdb "$tmpl" import Source_PRESET_DEFS tools/sample/Source_PRESET_DEFS.csv >/dev/null
$jetdb "$tmpl" import Source_DEFS tools/sample/Source_DEFS.csv >/dev/null

export WEXEL_SERVICE_PACK_LOG="$top/WexelServicePack.log"
set +e
(cd "$top" && "$prod/Tolvane/Tolvane_Config" "$@" </dev/null)
code=$?
set -e
echo "exit code: $code"
echo "--- $prod/Tolvane/Tolvane.cfg"
tr -d '\r' < "$prod/Tolvane/Tolvane.cfg"
for f in "$prod/ZRBcfglog.txt" "$WEXEL_SERVICE_PACK_LOG"; do
  [ -f "$f" ] && { echo "--- $f"; tr -d '\r' < "$f"; }
done
if [ -f "$prod/Tolvane/Tolvane.mdb" ]; then
  echo "--- PRESET_DEFS of $prod/Tolvane/Tolvane.mdb"
  $jetdb "$prod/Tolvane/Tolvane.mdb" export PRESET_DEFS
fi
echo "--- language file: $prod/Tolvane/Tolvane_Config.ini ($(wc -l < "$prod/Tolvane/Tolvane_Config.ini") lines)"
exit $code
