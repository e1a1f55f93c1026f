#!/usr/bin/env bash
# Packs the Windows build's programs into the MSI:
#   packaging/windows/make-msi.sh BIN_DIR VERSION MSI
# The files are the ones zelt-utility.wxs names from BIN_DIR; the programs go in stripped, as
# in the .deb. wixl has no element for some things the package needs, so they are written
# into its tables afterwards with msibuild: zeltctl's folder on the system's PATH (removed
# again on uninstall), MFG.ini's never-overwrite bit, and the removal of an older version only
# after the new one is in place, so the components both share (MFG.ini's among them) stay.
# Another build of the same version replaces the installed one too (a product code is new at
# every build), rather than being listed beside it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=$1 version=$2 msi=$3
stage=$(mktemp -d)
trap 'rm -rf "$stage" "$msi.part"' EXIT
missing=()
for name in $(grep -o 'Source="$(var.BinDir)/[^"]*"' "$here/zelt-utility.wxs" | sed 's|.*/||; s|"$||'); do
    if [[ ! -f $bin/$name ]]; then
        missing+=("$name")
    elif [[ $name == *.exe ]]; then
        x86_64-w64-mingw32-strip -o "$stage/$name" "$bin/$name"
    else
        cp "$bin/$name" "$stage/"
    fi
done
if ((${#missing[@]})); then
    echo "package-windows: cannot pack the MSI, $bin has no ${missing[*]}" >&2
    exit 1
fi
# wixl takes source paths relative to the folder it runs in.
cp "$here/zelt-utility.ico" "$stage/"
(cd "$stage" && wixl -a x64 -D Version="$version" -D BinDir=. -D SourceDir=. -o msi \
    "$here/zelt-utility.wxs")
mv "$stage/msi" "$msi.part"
upgrade_code=$(grep -o 'UpgradeCode="[^"]*"' "$here/zelt-utility.wxs" | cut -d'"' -f2)
msibuild "$msi.part" \
    -q 'CREATE TABLE `Environment` (`Environment` CHAR(72) NOT NULL, `Name` CHAR(255) NOT NULL LOCALIZABLE, `Value` CHAR(255) LOCALIZABLE, `Component_` CHAR(72) NOT NULL PRIMARY KEY `Environment`)' \
    -q "INSERT INTO \`Environment\` (\`Environment\`, \`Name\`, \`Value\`, \`Component_\`) VALUES ('ZeltctlPath', '=-*PATH', '[~];[INSTALLDIR]', 'ZeltctlOnPath')" \
    -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('RemoveEnvironmentStrings', 3300)" \
    -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('WriteEnvironmentStrings', 5200)" \
    -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('InstallExecute', 6500)" \
    -q "UPDATE \`InstallExecuteSequence\` SET \`Sequence\` = 6550 WHERE \`Action\` = 'RemoveExistingProducts'" \
    -q "UPDATE \`Component\` SET \`Attributes\` = 384 WHERE \`Component\` = 'MfgIni'" \
    -q "DELETE FROM \`Upgrade\` WHERE \`ActionProperty\` = 'WIX_UPGRADE_DETECTED'" \
    -q "INSERT INTO \`Upgrade\` (\`UpgradeCode\`, \`VersionMax\`, \`Attributes\`, \`ActionProperty\`) VALUES ('{$upgrade_code}', '$version', 513, 'WIX_UPGRADE_DETECTED')"
mv "$msi.part" "$msi"
