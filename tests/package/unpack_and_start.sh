#!/bin/sh
# The release package of one build as a Windows user gets it: CPack writes
# the ZIP (as scripts/package.sh does), which is unpacked into an empty folder
# of a clean Wine prefix; the program there must carry the package's version
# and the build's processor in its name and manifest, find its language file
# and open its window, in English and, after the README's language switch, in
# Japanese (code page 932). A screenshot of the Japanese window is left in
# the build folder.
#   unpack_and_start.sh <source-dir> <program-build>
set -eu
here=$1 build=$2
zip=$("$here/scripts/package-one.sh" "$build")
name=$(basename "$zip" .zip)
version=${name#QuilletTool-}
arch=${version##*-}
version=${version%-*}
case "$arch" in
  win32) manifest_arch=x86 machine_type=014c bits="32-bit" ;;
  win64) manifest_arch=amd64 machine_type=8664 bits="64-bit" ;;
  *) echo "package test: $name.zip names no win32 or win64 build" >&2; exit 1 ;;
esac

export QUILLET_WINEPREFIX="$build/wine-package"
run="$build/wine-run.sh"
. "$here/scripts/xvfb.sh"
start_display
trap 'stop_wineserver "$build"; stop_display' EXIT
"$run" cmd /c exit >/dev/null 2>&1 </dev/null || true

fail() { echo "package test: $*" >&2; exit 1; }

unpacked="$QUILLET_WINEPREFIX/drive_c/users/Public/Unpacked"
rm -rf "$unpacked"
mkdir -p "$unpacked"
(cd "$unpacked" && cmake -E tar xf "$zip")
app="$unpacked/$name"
for f in QuilletTool.exe QuilletTool.INI README.txt LICENSE.txt lang/ja/QuilletTool.INI \
         licenses/libjpeg-turbo/LICENSE.md licenses/libjpeg-turbo/README.ijg licenses/sqlite/LICENSE.md; do
  [ -f "$app/$f" ] || fail "$f is missing from $name.zip"
done
[ "$(ls "$app" | wc -l)" = 6 ] || fail "unexpected files in the package: $(ls "$app")"
exe="C:\\users\\Public\\Unpacked\\$name\\QuilletTool.exe"

versions=$("$run" "$build/file_version.exe" "$exe" </dev/null | tr -d '\r')
[ "$versions" = "$version.0 $version" ] || fail "version resource '$versions' does not match $name"
# The exe's own header and its manifest say the same processor as the name.
pe=$(od -An -tu4 -j60 -N4 "$app/QuilletTool.exe" | tr -d ' ')
machine=$(od -An -tx2 -j$((pe + 4)) -N2 "$app/QuilletTool.exe" | tr -d ' ')
[ "$machine" = "$machine_type" ] || fail "QuilletTool.exe in $name.zip is not a $bits program (machine $machine)"
identities=$(grep -ao 'processorArchitecture="[a-z0-9]*"' "$app/QuilletTool.exe" | sort -u)
[ "$identities" = "processorArchitecture=\"$manifest_arch\"" ] ||
  fail "the manifest of $name.zip says $identities, not $manifest_arch"
grep -q "$arch package" "$app/README.txt" || fail "README.txt of $name.zip does not name the $arch package"
grep -q "$name," "$app/README.txt" || fail "README.txt of $name.zip does not name the folder the ZIP makes"
# Every text file Windows users open has CR LF line ends (Notepad before
# Windows 10 1809 shows bare LF text as one line).
cr=$(printf '\r')
for f in README.txt LICENSE.txt QuilletTool.INI lang/ja/QuilletTool.INI; do
  [ "$(grep -c "$cr\$" "$app/$f")" = "$(grep -c '' "$app/$f")" ] || fail "$f in $name.zip has lines without CR LF"
done

title=$(sed -n 's/^TITLE_APP=//p' "$app/QuilletTool.INI" | tr -d '\r')
[ -n "$title" ] || fail "no TITLE_APP in the packaged language file"

# Starts the unpacked program (first run: no settings), waits for its window,
# optionally saves a screenshot, then closes it.
start_and_close() {
  "$run" reg delete 'HKCU\Software\ZORVA' /f >/dev/null 2>&1 </dev/null || true
  (cd "$app" && "$run" "$exe" >/dev/null 2>&1 </dev/null) &
  pid=$!
  if ! "$run" "$build/window_ctl.exe" wait "$title" 60 >/dev/null 2>&1 </dev/null; then
    kill "$pid" 2>/dev/null || true
    fail "the main window did not open ($1)"
  fi
  if [ -n "${2:-}" ] && command -v import >/dev/null; then sleep 2; import -window root "$2"; fi
  "$run" "$build/window_ctl.exe" close "$title" 30 >/dev/null 2>&1 </dev/null || fail "the window did not close ($1)"
  wait "$pid" || true
}

start_and_close English
# Wine has none of the Japanese interface fonts Windows brings; it draws the
# menu bar with them, so they are mapped to an installed Japanese font.
for font in "MS UI Gothic" "MS Gothic" "MS PGothic" "MS Shell Dlg" "MS Shell Dlg 2"; do
  "$run" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$font" /d IPAGothic /f >/dev/null 2>&1 </dev/null || true
done
# The README's way to switch the language.
cp "$app/lang/ja/QuilletTool.INI" "$app/QuilletTool.INI"
# The locale the bootstrap made, where the machine has none of its own.
locales=$(realpath -m "$build/../locales")
(export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
 [ -f "$locales/ja_JP.UTF-8/LC_CTYPE" ] && export LOCPATH="$locales"
 start_and_close Japanese "$build/screenshot-ja.png")
echo "package test: $name.zip unpacked, version $version, opened in English and Japanese"
