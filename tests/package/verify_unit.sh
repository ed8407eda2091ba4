#!/usr/bin/env bash
# Installs a build tree into a scratch prefix and checks the installed
# live-standings unit with systemd's own verifier (every setting known,
# the program there, the instance resolved). Status 77 when
# systemd-analyze is missing or cannot run here.
#
#   tests/package/verify_unit.sh BUILD_DIR
set -euo pipefail
build=$(realpath "$1")
command -v systemd-analyze >/dev/null && systemd-analyze --version >/dev/null 2>&1 ||
  { echo "systemd-analyze cannot run here: the unit is not verified"; exit 77; }
scratch=$(mktemp -d "${TMPDIR:-/tmp}/vexlane-unit-XXXXXX")
trap 'rm -rf "$scratch"' EXIT
cmake --install "$build" --prefix "$scratch/usr" >/dev/null
unit="$scratch/usr/lib/systemd/system/vexlane-stats@.service"
grep -q "^ExecStart=$scratch/usr/bin/vexlane-stats --follow " "$unit"
# A wrong settings file (status 2) is said once, not restarted forever.
grep -qx "RestartPreventExitStatus=2" "$unit"
# The verifier loads an instance from the template beside it.
mkdir "$scratch/units"
cp "$unit" "$scratch/units/"
systemd-analyze verify --man=no "$scratch/units/vexlane-stats@battle.service"
echo "unit: vexlane-stats@.service verifies"
