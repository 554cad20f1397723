#!/bin/bash
# Checks jetdb against two independent readers of Access files, mdbtools and npm's
# mdb-reader, on every file of the corpus: the same user tables in the same order, the same
# columns with the same types and sizes, and the same rows with the same values.
#   bash readers.sh JETDB CORPUS      exit 0 all agree, 1 a difference, 77 a reader missing
#
# Normalisations, each because the readers differ in what they show, not in what they read:
# - mdb-schema gives Memo and OLE a size of 255 that no column has; "(255)" is removed from
#   those two types. mdb-reader does not tell required columns (its "nullable" is true even
#   for Booleans), so "NOT NULL" is compared with mdbtools only.
# - In tables whose rows were moved by updates (overflow rows) mdbtools and mdb-reader show
#   a moved row where its copy lives; Access and jetdb show it where it was inserted (its
#   home, which the overflow pointer replaces). There the rows are compared as sorted sets.
set -u
JETDB=${1:?jetdb}
CORPUS=${2:?corpus}
for tool in mdb-tables mdb-schema mdb-export node; do
  command -v "$tool" >/dev/null || { echo "skip: $tool is not installed"; exit 77; }
done
node -e 'require("mdb-reader")' 2>/dev/null || { echo "skip: mdb-reader is not found through NODE_PATH"; exit 77; }
[ -d "$CORPUS/jet4" ] || { echo "skip: no corpus at $CORPUS"; exit 77; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# mdb-reader's view, printed in jetdb's formats: "tables", "schema TABLE", "export TABLE".
cat > "$tmp/dump.js" <<'JS'
const mod = require("mdb-reader");
const MDBReader = mod.default || mod;
const fs = require("fs");
const [file, jet, what, table] = process.argv.slice(2);
const r = new MDBReader(fs.readFileSync(file));
const out = [];
const put = (s) => out.push(Buffer.isBuffer(s) ? s : Buffer.from(s, "utf8"));
// C's %.<p>g, which mdb-export uses.
function g(v, p) {
  if (v === 0) return Object.is(v, -0) ? "-0" : "0";
  const [mant, e] = v.toExponential(p - 1).split("e");
  const x = parseInt(e, 10);
  const trim = (s) => (s.includes(".") ? s.replace(/0+$/, "").replace(/\.$/, "") : s);
  if (x < -4 || x >= p) return trim(mant) + "e" + (x < 0 ? "-" : "+") + String(Math.abs(x)).padStart(2, "0");
  return trim(v.toFixed(Math.max(0, p - 1 - x)));
}
const two = (n) => String(n).padStart(2, "0");
const quote = (s) => '"' + s.replace(/"/g, '""') + '"';
function typeName(c) {
  switch (c.type) {
    case "boolean": return "Boolean";
    case "byte": return "Byte";
    case "integer": return "Integer";
    case "long": return "Long Integer";
    case "currency": return "Currency";
    case "float": return "Single";
    case "double": return "Double";
    case "datetime": return "DateTime";
    case "binary": return `Binary (${c.size})`;
    case "text": return `Text (${jet === "4" ? c.size / 2 : c.size})`;
    case "ole": return "OLE";
    case "memo": return "Memo/Hyperlink";
    case "repid": return "Replication ID";
    case "numeric": return `Numeric (${c.precision}, ${c.scale})`;
    default: return "Unknown " + c.type;
  }
}
function cell(c, v) {
  if (v === null || v === undefined) return "";
  switch (c.type) {
    case "boolean": return v ? "1" : "0";
    case "float": return g(v, 7);
    case "double": return g(v, 15);
    case "datetime":
      return quote(`${two(v.getUTCMonth() + 1)}/${two(v.getUTCDate())}/${two(v.getUTCFullYear() % 100)} ` +
                   `${two(v.getUTCHours())}:${two(v.getUTCMinutes())}:${two(v.getUTCSeconds())}`);
    case "text": case "memo": return quote(v);
    case "repid": return quote(v.toUpperCase());
    case "binary": case "ole":
      return Buffer.concat([Buffer.from('"'), Buffer.from(v.toString("latin1").replace(/"/g, '""'), "latin1"), Buffer.from('"')]);
    default: return String(v);
  }
}
if (what === "tables") {
  for (const n of r.getTableNames()) put(n + "\n");
} else {
  const t = r.getTable(table);
  const cols = t.getColumns();
  if (what === "schema") {
    cols.forEach((c, i) => put(`\t[${c.name}]\t\t\t${typeName(c)}${i + 1 < cols.length ? ", " : ""}\n`));
  } else {
    put(cols.map((c) => c.name).join(",") + "\n");
    for (const row of t.getData()) {
      cols.forEach((c, i) => { if (i) put(","); put(cell(c, row[c.name])); });
      put("\n");
    }
  }
}
process.stdout.write(Buffer.concat(out));
JS

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
columns_of() { grep -P '^\t\[' | sed -e 's/^\(\t.*\(Memo\/Hyperlink\|OLE\)\) (255)/\1/'; }
same() {  # same NAME FILE_A FILE_B [sorted]
  if [ "${4:-}" = sorted ]; then
    cmp -s <(head -1 "$2") <(head -1 "$3") && cmp -s <(tail -n +2 "$2" | LC_ALL=C sort) <(tail -n +2 "$3" | LC_ALL=C sort)
  else
    cmp -s "$2" "$3"
  fi || { fail "$1"; diff <(head -c 4000 "$2") <(head -c 4000 "$3") | head -8; }
}

checked=0
for f in "$CORPUS"/jet3/*.mdb "$CORPUS"/jet4/*.mdb; do
  [ -e "$f" ] || continue
  jet=4; case "$f" in */jet3/*) jet=3 ;; esac
  name=${f#"$CORPUS"/}
  "$JETDB" "$f" tables > "$tmp/j.tables" 2> "$tmp/err" || { fail "$name: jetdb cannot list tables: $(cat "$tmp/err")"; continue; }
  mdb-tables -1 "$f" > "$tmp/m.tables"
  node "$tmp/dump.js" "$f" "$jet" tables > "$tmp/r.tables"
  same "$name: table list (mdbtools)" "$tmp/j.tables" "$tmp/m.tables"
  same "$name: table list (mdb-reader)" "$tmp/j.tables" "$tmp/r.tables"
  order=
  case "$name" in *overflowTest*) order=sorted ;; esac
  while IFS= read -r t; do
    "$JETDB" "$f" schema "$t" | columns_of > "$tmp/j.schema"
    mdb-schema -T "$t" "$f" 2>/dev/null | columns_of > "$tmp/m.schema"
    node "$tmp/dump.js" "$f" "$jet" schema "$t" > "$tmp/r.schema"
    same "$name $t: columns (mdbtools)" "$tmp/j.schema" "$tmp/m.schema"
    sed 's/ NOT NULL//' "$tmp/j.schema" > "$tmp/j.schema-r"
    same "$name $t: columns (mdb-reader)" "$tmp/j.schema-r" "$tmp/r.schema"
    "$JETDB" "$f" export "$t" > "$tmp/j.csv" 2> "$tmp/err" || fail "$name $t: jetdb export: $(cat "$tmp/err")"
    mdb-export "$f" "$t" > "$tmp/m.csv"
    node "$tmp/dump.js" "$f" "$jet" export "$t" > "$tmp/r.csv"
    same "$name $t: rows (mdbtools)" "$tmp/j.csv" "$tmp/m.csv" $order
    same "$name $t: rows (mdb-reader)" "$tmp/j.csv" "$tmp/r.csv" $order
    checked=$((checked + 1))
  done < "$tmp/j.tables"
done
echo "$checked tables compared, $failures differences"
[ "$failures" -eq 0 ]
