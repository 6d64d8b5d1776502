#!/usr/bin/env bash
# Writes the Windows Installer package of one built program and prints its
# path: <program-build>/QuilletTool-<version>-<win32|win64>.msi. It holds the
# files of the ZIP (CMake's install rules, stripped), laid out by
# packaging/QuilletTool.wxs and built by wixl; msibuild then sets what wixl
# cannot say (see the comment at the top of the .wxs).
#   scripts/package-msi.sh <program-build> [version]
# A version given replaces the build's; the upgrade test packs the same
# files as a newer version that way.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:?usage: package-msi.sh <program-build> [version]}")
[ -f "$build/package.env" ] || { echo "package-msi: $build is no configured build" >&2; exit 1; }
. "$build/package.env"
version=${2:-$QUILLET_VERSION}
case "$QUILLET_ARCH" in
  win32) arch=x86 ;;
  win64) arch=x64 ;;
  *) echo "package-msi: unknown build '$QUILLET_ARCH'" >&2; exit 1 ;;
esac
command -v wixl >/dev/null && command -v msibuild >/dev/null ||
  { echo "package-msi: wixl and msibuild are missing (Debian packages wixl and msitools; scripts/bootstrap.sh installs them)" >&2; exit 1; }

stage="$build/msi-stage"
rm -rf "$stage"
cmake --install "$build" --prefix "$stage" --strip >/dev/null
cp "$here/res/app.ico" "$stage/app.ico"
msi="$build/QuilletTool-$version-$QUILLET_ARCH.msi"
rm -f "$msi"
if ! log=$(cd "$stage" && wixl -a "$arch" -D Arch="$arch" -D Version="$version" \
             -D ProductName="$QUILLET_PRODUCT_NAME" -D Manufacturer="$QUILLET_VENDOR" \
             -o "$msi" "$here/packaging/QuilletTool.wxs" 2>&1) || [ ! -f "$msi" ]; then
  echo "$log" >&2
  echo "package-msi: wixl wrote no package" >&2
  exit 1
fi
japanese=$(msiinfo export "$msi" Component | tr -d '\r' | awk -F '\t' '$1 == "JapaneseTexts" { print $2 }')
[ -n "$japanese" ] || { echo "package-msi: no JapaneseTexts component in $msi" >&2; exit 1; }
for query in \
  "CREATE TABLE CompLocator (Signature_ CHAR(72) NOT NULL, ComponentId CHAR(38) NOT NULL, Type SHORT PRIMARY KEY Signature_)" \
  "INSERT INTO CompLocator (Signature_, ComponentId, Type) VALUES ('JapaneseTexts', '$japanese', 1)" \
  "INSERT INTO AppSearch (Property, Signature_) VALUES ('JAPANESEINSTALLED', 'JapaneseTexts')" \
  "INSERT INTO InstallExecuteSequence (Action, Sequence) VALUES ('AppSearch', 50)" \
  "INSERT INTO InstallUISequence (Action, Sequence) VALUES ('AppSearch', 50)" \
  "UPDATE Component SET Condition = 'NOT (LANGUAGE ~= \"ja\")' WHERE Component = 'EnglishTexts'" \
  "UPDATE Component SET Condition = 'LANGUAGE ~= \"ja\"' WHERE Component = 'JapaneseTexts'" \
  "UPDATE Property SET Value = 'WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED;LANGUAGE' WHERE Property = 'SecureCustomProperties'" \
  "UPDATE InstallExecuteSequence SET Sequence = 1403 WHERE Action = 'RemoveExistingProducts'"; do
  msibuild "$msi" -q "$query" 2>/dev/null || { echo "package-msi: msibuild failed: $query" >&2; exit 1; }
done
# The upgrade row's attributes are part of its key, so the table is
# rewritten: 513 is 512, an installed package of the same version counts
# as older, plus 1, the features' states carry over.
msiinfo export "$msi" Upgrade | awk -F '\t' -v OFS='\t' 'NR > 3 && $7 ~ /^WIX_UPGRADE_DETECTED\r?$/ { $5 = 513 } 1' \
  >"$stage/Upgrade.idt"
grep -q '	513		WIX_UPGRADE_DETECTED' "$stage/Upgrade.idt" || { echo "package-msi: no upgrade row in $msi" >&2; exit 1; }
(cd "$stage" && msibuild "$msi" -i Upgrade.idt 2>/dev/null) || { echo "package-msi: msibuild could not import the upgrade table" >&2; exit 1; }
rm -rf "$stage"
echo "$msi"
