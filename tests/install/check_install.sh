#!/usr/bin/env bash
# Installs the build tree into a temporary prefix and checks the layout a
# user and the desktop rely on.
#   check_install.sh BUILD            cmake --install into a scratch prefix
#   check_install.sh BUILD deb CPACK  builds the Debian package and checks it
#                                     unpacked with dpkg-deb -x (prefix /usr)
set -euo pipefail
build=$1
mode=${2:-install}
scratch=$(mktemp -d)
prefix=$scratch
cleanup() { chattr -i "$prefix/lib/pocosa" 2>/dev/null || true; rm -rf "$scratch"; }
trap cleanup EXIT
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config" XDG_RUNTIME_DIR="$scratch/run"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

fail=0
check() { if ! eval "$2"; then echo "FAIL: $1"; fail=1; else echo "ok: $1"; fi; }

if [ "$mode" = deb ]; then
  if ! command -v dpkg-deb >/dev/null; then
    echo "skipped: dpkg-deb not found, the Debian package is not checked"
    exit 77
  fi
  "$3" --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/pkg" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log"; exit 1; }
  deb="$scratch/pkg/pocosa_0.9.0.0_$(dpkg --print-architecture).deb"
  check "package file name" '[ -f "$deb" ]'
  [ -f "$deb" ] || exit 1
  dpkg-deb -x "$deb" "$scratch/root"
  prefix=$scratch/root/usr
  sysconf=$scratch/root/etc
  appdir=/usr/lib/pocosa
  check "machine-wide record is a conffile" \
    '[ "$(dpkg-deb --ctrl-tarfile "$deb" | tar -xOf - ./conffiles)" = /etc/xdg/velmora/pocosa.ini ]'
  # Found by dpkg-shlibdeps, and loaded at run time where it cannot look.
  depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//')
  for dep in libc6 libqt6widgets6 libpulse0 qt6-qpa-plugins fonts-ipafont-gothic fonts-roboto-unhinted; do
    check "depends on $dep" 'grep -qx "$dep" <<<"$depends"'
  done
  check "copyright" '[ -s "$prefix/share/doc/pocosa/copyright" ]'
  check "nothing outside /usr and /etc" '[ "$(ls "$scratch/root" | tr "\n" " ")" = "etc usr " ]'
else
  cmake --install "$build" --prefix "$prefix" >/dev/null
  sysconf=$prefix/etc
  appdir=$prefix/lib/pocosa
fi

check "program in lib/pocosa" '[ -x "$prefix/lib/pocosa/pocosa" ] && [ ! -L "$prefix/lib/pocosa/pocosa" ]'
check "sound module beside it" '[ -f "$prefix/lib/pocosa/pocosa-sound.so" ]'
check "timer.wav beside it" '[ -s "$prefix/lib/pocosa/timer.wav" ]'
check "backimage/ beside it" '[ -d "$prefix/lib/pocosa/backimage" ]'
for lang in en ja; do
  check "catalog pocosa_$lang.qm beside it" '[ -s "$prefix/lib/pocosa/translations/pocosa_$lang.qm" ]'
done
check "resource/ beside it" '[ -d "$prefix/lib/pocosa/resource" ]'
check "bin/pocosa is a relative symlink" '[ -L "$prefix/bin/pocosa" ] && [ "$(readlink "$prefix/bin/pocosa")" = "../lib/pocosa/pocosa" ]'
check "bin/pocosa resolves" '[ "$(readlink -f "$prefix/bin/pocosa")" = "$(readlink -f "$prefix/lib/pocosa/pocosa")" ]'
for tool in pocosa-picture pocosa-archive; do
  if [ -x "$build/bin/$tool" ]; then
    check "$tool in bin" '[ -x "$prefix/bin/$tool" ]'
    check "$tool manual page" 'ls "$prefix/share/man/man1/$tool.1"* >/dev/null 2>&1'
  fi
done
check "bin/pocosa --version" '[ "$("$prefix/bin/pocosa" --version)" = "Pocosa 0.9.0.0" ]'
# The program through its link, and a tool installed in bin/, find the catalogs.
check "bin/pocosa --help in Japanese" '(LANGUAGE=ja "$prefix/bin/pocosa" --help || true) | grep -q "キッチンタイマー"'
check "bin/pocosa-archive in Japanese" '(LANGUAGE=ja "$prefix/bin/pocosa-archive" 2>&1 || true) | grep -q "^使い方:"'
check "bin/pocosa-archive in English" '(LANGUAGE=en "$prefix/bin/pocosa-archive" 2>&1 || true) | grep -q "^usage:"'
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
check "manual page" 'ls "$prefix"/share/man/man1/pocosa.1* >/dev/null 2>&1'
# Each language's page shows that language's captions: the English one is
# plain ASCII, the Japanese one lies under ja/.
check "English manual page in English" '! zcat -f "$prefix"/share/man/man1/pocosa.1* | LC_ALL=C grep -q "[^ -~]"'
check "Japanese manual page" 'zcat -f "$prefix"/share/man/ja/man1/pocosa.1* | grep -q "ﾘｾｯﾄ"'
check "icon in the hicolor theme" 'ls "$prefix"/share/icons/hicolor/*/apps/pocosa.* >/dev/null 2>&1'
check "icon file the notification names" '[ -f "$prefix/lib/pocosa/../../share/icons/hicolor/128x128/apps/pocosa.png" ]'
conf="$sysconf/xdg/velmora/pocosa.ini"
check "machine-wide record of the install folder" 'grep -qx "AppDir=$appdir" "$conf"'
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
