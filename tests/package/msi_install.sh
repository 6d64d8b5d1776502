#!/bin/sh
# The installer of one build as a shop installs it: msiexec, silent, in a
# clean Wine prefix of its own.
# 1. Install; the program starts from its Start-menu shortcut; uninstall
#    leaves no file, shortcut, uninstall entry or key of ours (not even an
#    empty ZORVA key), and keeps the user's frames and parked frame.
# 2. Install again with LANGUAGE=ja (the Japanese language file in place),
#    start, then install a newer package (the same files as the next patch
#    version) without it: one entry in the installed programs, the settings
#    and the language kept; an older package is refused. Uninstall then removes our key only: another
#    ZORVA program's setting stays, and so do the frame library, the
#    companion's folder and its frames.
#   msi_install.sh <source-dir> <program-build>
set -eu
here=$1 build=$2
. "$build/package.env"
old_version=$QUILLET_VERSION
new_version=${old_version%.*}.$((${old_version##*.} + 1))
old_msi=$("$here/scripts/package-msi.sh" "$build")
new_msi=$("$here/scripts/package-msi.sh" "$build" "$new_version")

export QUILLET_WINEPREFIX="$build/wine-msi"
rm -rf "$QUILLET_WINEPREFIX"
run="$build/wine-run.sh"
. "$here/scripts/xvfb.sh"
start_display
trap 'stop_wineserver "$build"; stop_display; rm -f "$new_msi"' EXIT
"$run" cmd /c exit >/dev/null 2>&1 </dev/null || true

fail() {
  echo "msi test: $*" >&2
  [ -f "$log" ] && grep -a -i -E 'error|return value 3' "$log" | tail -n 20 >&2
  exit 1
}
drive_c="$QUILLET_WINEPREFIX/drive_c"
app="$drive_c/Program Files/$QUILLET_PRODUCT_NAME"
ours="HKCU\\Software\\ZORVA\\ZORVA Quillet Tool1.1"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'

# msiexec, silent, with its log kept in the build folder for a failure.
log="$build/msi-test.log"
msiexec() {
  rm -f "$log"
  "$run" msiexec "$@" /qn /l*v "$(windows_path "$log")" </dev/null >/dev/null 2>&1
}
windows_path() { printf 'Z:%s\n' "$1" | tr / '\\'; }
key_exists() { "$run" reg query "$1" </dev/null >/dev/null 2>&1; }
# The Start-menu shortcut: in the all-users Start menu as Windows puts it,
# or in the user's, where Wine's installer puts every shortcut.
shortcut() {
  for lnk in "$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/$QUILLET_PRODUCT_NAME.lnk" \
             "$drive_c"/users/*/"AppData/Roaming/Microsoft/Windows/Start Menu/Programs/$QUILLET_PRODUCT_NAME.lnk"; do
    [ -f "$lnk" ] && { echo "$lnk"; return 0; }
  done
  return 1
}
# The entries of the installed programs list that are ours.
entries() {
  "$run" reg query "$uninstall_key" /s </dev/null 2>/dev/null | tr -d '\r' |
    grep -c "DisplayName    REG_SZ    $QUILLET_PRODUCT_NAME\$" || true
}
start_from_shortcut() {
  lnk=$(shortcut) || fail "no Start-menu shortcut after the install ($1)"
  title=$(sed -n 's/^TITLE_APP=//p' "$app/QuilletTool.INI" | tr -d '\r')
  "$run" start /wait /unix "$lnk" </dev/null >/dev/null 2>&1 &
  pid=$!
  if ! "$run" "$build/window_ctl.exe" wait "$title" 60 </dev/null >/dev/null 2>&1; then
    kill "$pid" 2>/dev/null || true
    fail "the program did not open from its shortcut ($1)"
  fi
  "$run" "$build/window_ctl.exe" close "$title" 30 </dev/null >/dev/null 2>&1 || fail "the window did not close ($1)"
  wait "$pid" || true
  key_exists "$ours" || fail "the program stored no settings ($1)"
}
installed_files() {
  [ -f "$app/QuilletTool.exe" ] && [ -f "$app/lang/ja/QuilletTool.INI" ] && [ -f "$app/LICENSE.txt" ] &&
    [ -f "$app/licenses/libjpeg-turbo/LICENSE.md" ] && [ -f "$app/licenses/sqlite/LICENSE.md" ] ||
    fail "files are missing in $app after the install ($1)"
}
removed() {
  [ ! -e "$app" ] || fail "the uninstall left $(cd "$app" && find . -mindepth 1 | head -n 5 | tr '\n' ' ')($1)"
  shortcut >/dev/null && fail "the uninstall left the Start-menu shortcut ($1)"
  [ "$(entries)" = 0 ] || fail "the uninstall left an entry in the installed programs ($1)"
  ! key_exists "$ours" || fail "the uninstall left $ours ($1)"
  [ ! -e "$local/FrameCache.db" ] || fail "the uninstall left the frame cache ($1)"
  [ "$(ls "$local")" = Parked ] || fail "the uninstall left $(ls "$local" | tr '\n' ' ')in $local ($1)"
}

# The user's things, which no install or uninstall may touch: a frame
# library, a frame in the companion's folder, and a frame parked by a
# replace on a card that was stopped (made before each uninstall: a start
# with the card in its reader would put it back).
library="$drive_c/users/Public/Documents/Frames"
zel="$drive_c/Program Files/Common Files/ZEL"
mkdir -p "$library/frame1" "$zel/frame2"
printf '[HEADER]\r\nTITLE=One\r\n' >"$library/frame1.USD"
printf 'picture' >"$library/frame1/thumb.jpg"
printf '[HEADER]\r\nTITLE=Two\r\n' >"$zel/frame2.USD"
user_dir=$(ls -d "$drive_c"/users/*/AppData/Local | grep -v /Public/ | head -n 1)
local="$user_dir/QuilletTool"
park_a_frame() {
  mkdir -p "$local/Parked/p1/frame3"
  printf '[HEADER]\r\n' >"$local/Parked/p1/frame3.USD"
  printf '[QuilletTool parked 1]\r\nframe=Q:\\VOZEL\\frame3.USD\r\nattributes=16\r\n' >"$local/Parked/p1/~qtpark.ini"
}
user_things() {
  [ -f "$library/frame1.USD" ] && [ -f "$library/frame1/thumb.jpg" ] && [ -f "$zel/frame2.USD" ] &&
    [ -f "$local/Parked/p1/frame3.USD" ] || fail "the user's frames were touched ($1)"
}

# 1. Install, start, uninstall.
msiexec /i "$(windows_path "$old_msi")" || fail "the install of $(basename "$old_msi") failed (exit $?)"
installed_files "first install"
cmp -s "$app/QuilletTool.INI" "$here/lang/QuilletTool.INI" || fail "the default install did not put the English language file in place"
[ "$(entries)" = 1 ] || fail "the installed programs list has $(entries) entries of ours after one install"
start_from_shortcut "first install"
park_a_frame
msiexec /x "$(windows_path "$old_msi")" || fail "the uninstall failed (exit $?)"
removed "first uninstall"
! key_exists 'HKCU\Software\ZORVA' || fail "the uninstall left an empty HKCU\\Software\\ZORVA"
user_things "first uninstall"
rm -rf "$local/Parked"

# 2. Install in Japanese, start, upgrade, refuse the older package, uninstall.
msiexec /i "$(windows_path "$old_msi")" LANGUAGE=ja || fail "the second install failed (exit $?)"
cmp -s "$app/QuilletTool.INI" "$here/lang/ja/QuilletTool.INI" || fail "LANGUAGE=ja did not put the Japanese language file in place"
start_from_shortcut "second install"
"$run" reg add "$ours\\Setting" /v SortMode /t REG_DWORD /d 2 /f </dev/null >/dev/null 2>&1
"$run" reg add 'HKCU\Software\ZORVA\Another Program' /v Kept /d yes /f </dev/null >/dev/null 2>&1
msiexec /i "$(windows_path "$new_msi")" || fail "the upgrade to $new_version failed (exit $?)"
installed_files "upgrade"
[ "$(entries)" = 1 ] || fail "the installed programs list has $(entries) entries of ours after the upgrade"
"$run" reg query "$uninstall_key" /s </dev/null 2>/dev/null | tr -d '\r' | grep -q "DisplayVersion    REG_SZ    $new_version\$" ||
  fail "the installed programs list does not show $new_version"
cmp -s "$app/QuilletTool.INI" "$here/lang/ja/QuilletTool.INI" || fail "the upgrade did not keep the Japanese language file"
"$run" reg query "$ours\\Setting" /v SortMode </dev/null 2>/dev/null | grep -q 0x2 || fail "the upgrade lost the settings"
start_from_shortcut "upgrade"
if msiexec /i "$(windows_path "$old_msi")"; then fail "the older package installed over $new_version"; fi
"$run" reg query "$uninstall_key" /s </dev/null 2>/dev/null | tr -d '\r' | grep -q "DisplayVersion    REG_SZ    $new_version\$" ||
  fail "the older package replaced $new_version"
park_a_frame
msiexec /x "$(windows_path "$new_msi")" || fail "the uninstall of $new_version failed (exit $?)"
removed "uninstall after the upgrade"
"$run" reg query 'HKCU\Software\ZORVA\Another Program' /v Kept </dev/null >/dev/null 2>&1 ||
  fail "the uninstall removed another program's setting"
user_things "uninstall after the upgrade"
echo "msi test: $(basename "$old_msi") installed, started from its shortcut, installed in Japanese and upgraded to $new_version keeping the language and settings, uninstalled cleanly"
