#!/usr/bin/env bash
# Installs the build tree into a temporary prefix and checks the layout a
# user and the desktop rely on.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
cleanup() { chattr -i "$prefix/lib/pocosa" 2>/dev/null || true; rm -rf "$prefix"; }
trap cleanup EXIT
export HOME="$prefix/home" XDG_CONFIG_HOME="$prefix/home/.config" XDG_RUNTIME_DIR="$prefix/run"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
cmake --install "$build" --prefix "$prefix" >/dev/null

fail=0
check() { if ! eval "$2"; then echo "FAIL: $1"; fail=1; else echo "ok: $1"; fi; }

check "program in lib/pocosa" '[ -x "$prefix/lib/pocosa/pocosa" ] && [ ! -L "$prefix/lib/pocosa/pocosa" ]'
check "sound module beside it" '[ -f "$prefix/lib/pocosa/pocosa-sound.so" ]'
check "timer.wav beside it" '[ -s "$prefix/lib/pocosa/timer.wav" ]'
check "backimage/ beside it" '[ -d "$prefix/lib/pocosa/backimage" ]'
check "resource/ beside it" '[ -d "$prefix/lib/pocosa/resource" ]'
check "bin/pocosa is a relative symlink" '[ -L "$prefix/bin/pocosa" ] && [ "$(readlink "$prefix/bin/pocosa")" = "../lib/pocosa/pocosa" ]'
check "bin/pocosa resolves" '[ "$(readlink -f "$prefix/bin/pocosa")" = "$(readlink -f "$prefix/lib/pocosa/pocosa")" ]'
for tool in pocosa-picture pocosa-archive; do
  if [ -x "$build/bin/$tool" ]; then
    check "$tool in bin" '[ -x "$prefix/bin/$tool" ]'
  fi
done
check "bin/pocosa --version" '[ "$("$prefix/bin/pocosa" --version)" = "Pocosa 0.9.0.0" ]'
desktop="$prefix/share/applications/org.velmora.Pocosa.desktop"
check "desktop entry" '[ -f "$desktop" ]'
if command -v desktop-file-validate >/dev/null; then
  check "desktop entry validates" 'desktop-file-validate "$desktop"'
fi
metainfo="$prefix/share/metainfo/org.velmora.Pocosa.metainfo.xml"
check "metainfo" '[ -f "$metainfo" ]'
if command -v appstreamcli >/dev/null; then
  check "metainfo validates" 'appstreamcli validate --no-net "$metainfo" >/dev/null'
fi
check "metainfo names a screenshot" 'grep -q "<screenshot" "$metainfo"'
check "manual page" '[ -f "$prefix/share/man/man1/pocosa.1" ]'
check "icon in the hicolor theme" 'ls "$prefix"/share/icons/hicolor/*/apps/pocosa.* >/dev/null 2>&1'
conf="$prefix/etc/xdg/velmora/pocosa.ini"
check "machine-wide record of the install folder" 'grep -qx "AppDir=$prefix/lib/pocosa" "$conf"'
# An installed copy whose folder refuses new files keeps its settings in the
# user's configuration folder. The folder is made immutable, which holds even
# for root; where the file system has no such attribute this check is skipped.
if chattr +i "$prefix/lib/pocosa" 2>/dev/null; then
  QT_QPA_PLATFORM=offscreen "$prefix/bin/pocosa" >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 1 100); do
    [ -d "$HOME/.config/Velmora/Pocosa" ] && break  # made when the history is read
    sleep 0.1
  done
  sleep 0.5
  kill -TERM $pid 2>/dev/null || true
  wait $pid || true
  chattr -i "$prefix/lib/pocosa"
  check "read-only install keeps settings in ~/.config/Velmora/Pocosa" \
    'grep -q "^\[BACK\]" "$HOME/.config/Velmora/Pocosa/application.ini"'
  check "nothing written beside the installed program" '[ ! -e "$prefix/lib/pocosa/Data" ]'
else
  echo "skipped: read-only install (no immutable attribute on this file system)"
fi
exit $fail
