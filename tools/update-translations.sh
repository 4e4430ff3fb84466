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
# or obsolete). LUPDATE defaults to Qt's lupdate (Debian qt6-l10n-tools).
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
done
exit $status
