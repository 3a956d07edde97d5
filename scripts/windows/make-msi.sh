#!/usr/bin/env bash
# Builds the Windows Installer package of the Windows program's folder with wixl:
#   make-msi.sh [FOLDER [OUTPUT.msi]]
# FOLDER defaults to build-windows/murmlet-<version>-windows-x64, OUTPUT to the same name
# with .msi beside the folder. Maker, product and version come from the version record of
# FOLDER/murmlet.exe; every file of FOLDER goes into the package.
#   MURMLET_MSI_VERSION  major.minor[.build]: the package's version instead of the
#                        record's, and in the file name (a later package of the same files)
# Signing is the caller's: scripts/windows/sign.sh, after this.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
. "$root/scripts/lib.sh"
build=${MURMLET_WINDOWS_BUILD:-$root/build-windows}
dist=$(cd "${1:-$build/$(windows_dist_name)}" && pwd)
[ -f "$dist/murmlet.exe" ] || { echo "no murmlet.exe in $dist" >&2; exit 1; }

record=$(python3 "$root/scripts/windows/version_strings.py" "$dist/murmlet.exe")
field() { sed -n "s/^$1=//p" <<<"$record"; }
company=$(field CompanyName)
product=$(field ProductName)
if [ -n "${MURMLET_MSI_VERSION:-}" ]; then
  version=$MURMLET_MSI_VERSION
  name_version=$version
else
  version=$(field FixedProductVersion | cut -d. -f1-3) # Windows Installer compares three
  name_version=$(murmlet_version)
fi
if ! [[ $version =~ ^[0-9]{1,3}\.[0-9]{1,3}(\.[0-9]{1,5})?$ ]] || [ -z "$company" ] || [ -z "$product" ]; then
  echo "no usable maker, product or version: \"$company\", \"$product\", \"$version\"" >&2
  exit 1
fi
output=${2:-$(dirname "$dist")/murmlet-$name_version-windows-x64.msi}
output=$(cd "$(dirname "$output")" && pwd)/$(basename "$output")

# wixl takes sources only by paths relative to where it runs: a scratch folder holding the
# program's folder (linked), the icon and the empty marker file.
work=$(mktemp -d /tmp/murmlet-msi.XXXXXX)
at_exit rm -rf "$work"
ln -s "$dist" "$work/program"
: >"$work/chk.tmp"
# Apps & features shows the program's own icon, drawn as the build draws murmlet.exe's.
icons=()
for size in 16 24 32 48 256; do
  rsvg-convert -w "$size" -h "$size" -o "$work/icon-$size.png" "$root/resources/icons/murmlet.svg"
  icons+=("$work/icon-$size.png")
done
convert "${icons[@]}" "$work/murmlet.ico"
python3 "$root/scripts/windows/msi_files.py" "$dist" program/ "$work/files.wxs"

rm -f "$output"
(cd "$work" && wixl -a x64 -o "$output" \
  -D "Version=$version" -D "Manufacturer=$company" -D "ProductName=$product" \
  -D "HelpUrl=https://$(murmlet_web_host "$build")/" \
  -D IconFile=murmlet.ico -D MarkerFile=chk.tmp \
  "$root/packaging/windows/murmlet.wxs" files.wxs)

# What wixl's WiX dialect cannot say, set in the tables it wrote:
# - chk.tmp is read-only (msidbFileAttributesReadOnly 1, beside Vital 512);
# - a package of the same version replaces the installed one too, as WiX's
#   AllowSameVersionUpgrades does: every build has a new product code, and a second
#   entry in Apps & features would otherwise own the same files. The upgrade row's
#   attributes are part of its key, so the row is written anew with the maximum
#   included (MigrateFeatures 1 + VersionMaxInclusive 512).
msi_sql() {
  msibuild "$output" -q "$1" >/dev/null || { echo "msibuild failed: $1" >&2; exit 1; }
}
upgrade_code=$(msiinfo export "$output" Property | tr -d '\r' | awk -F'\t' '$1 == "UpgradeCode" { print $2 }')
msi_sql "UPDATE File SET Attributes = 513 WHERE File = 'ChkTmp'"
msi_sql "DELETE FROM Upgrade WHERE ActionProperty = 'WIX_UPGRADE_DETECTED'"
msi_sql "INSERT INTO Upgrade (UpgradeCode, VersionMax, Attributes, ActionProperty) VALUES ('$upgrade_code', '$version', 513, 'WIX_UPGRADE_DETECTED')"

echo "Windows Installer package: $output ($(stat -c %s "$output") bytes, $product $version of $company)"
