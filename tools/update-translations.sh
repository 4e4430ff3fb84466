#!/bin/sh
# Brings the catalogs resources/translations/*.ts up to date with the texts
# of the sources (lupdate), without source locations so that moving code
# leaves them alone. Fill in every text it marks unfinished, then commit.
#
#   tools/update-translations.sh [--check] [LUPDATE]
#
# --check changes nothing: it runs lupdate over copies of the catalogs and
# fails, naming them, when a text of the sources has no translation (new or
# unfinished) or a catalog holds a text the sources no longer have (vanished
# or obsolete), and naming the text when a translation does not match its
# source: other placeholders (%1, %n), another number of & shortcuts (&&
# is a plain &), or Japanese in the English catalog; and naming a text a
# catalog holds twice in one context (lupdate keeps one of the two, so the
# other's translation is lost). LUPDATE defaults to Qt's lupdate (Debian
# qt6-l10n-tools); the comparison needs python3.
set -eu
check=0
if [ "${1:-}" = "--check" ]; then
  check=1
  shift
fi
lupdate=${1:-/usr/lib/qt6/bin/lupdate}
top=$(cd "$(dirname "$0")/.." && pwd)
sources="app components graphics env tools"

update() { # catalog language
  (cd "$top" && "$lupdate" -silent -locations none -target-language "$2" $sources -ts "$1")
}

if [ $check -eq 0 ]; then
  for ts in "$top"/resources/translations/pocosa_*.ts; do
    lang=$(basename "$ts" .ts | sed 's/^pocosa_//')
    update "$ts" "$lang"
  done
  exit 0
fi

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
status=0
for ts in "$top"/resources/translations/pocosa_*.ts; do
  name=$(basename "$ts")
  lang=$(basename "$ts" .ts | sed 's/^pocosa_//')
  cp "$ts" "$tmp/$name"
  update "$tmp/$name" "$lang"
  if grep -B 3 -E 'type="(unfinished|vanished|obsolete)"' "$tmp/$name"; then
    echo "$name: the texts above are untranslated or gone from the sources; run tools/update-translations.sh" >&2
    status=1
  fi
  python3 - "$tmp/$name" "$lang" "$ts" <<'EOF' || status=1
import re, sys, xml.etree.ElementTree as tree
path, lang, committed = sys.argv[1], sys.argv[2], sys.argv[3]
holders = lambda t: sorted(set(re.findall(r"%(?:L?[0-9]+|n)", t)))
shortcuts = lambda t: t.replace("&&", "").count("&")
japanese = re.compile("[\u3000-\u30ff\u3400-\u9fff\uff01-\uff9f]")
bad = 0
seen = set()
for c in tree.parse(committed).iter("context"):
    for m in c.iter("message"):
        key = (c.findtext("name"), m.findtext("source"), m.findtext("comment"))
        if key in seen:  # only one of the two translations would ever be used
            print(f"{path.split('/')[-1]}: {key[1]!r} is held twice in {key[0]}", file=sys.stderr)
            bad = 1
        seen.add(key)
for m in tree.parse(path).iter("message"):
    source, node = m.findtext("source") or "", m.find("translation")
    forms = [f.text or "" for f in node.iter("numerusform")] or [node.text or ""]
    for text in filter(None, forms):
        why = [w for w, broken in (("other placeholders", holders(text) != holders(source)),
                                   ("another number of & shortcuts", shortcuts(text) != shortcuts(source)),
                                   ("Japanese in English", lang == "en" and japanese.search(text))) if broken]
        if why:
            print(f"{path.split('/')[-1]}: {source!r} -> {text!r}: {', '.join(why)}", file=sys.stderr)
            bad = 1
sys.exit(bad)
EOF
done
exit $status
