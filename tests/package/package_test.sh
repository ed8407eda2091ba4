#!/usr/bin/env bash
# Builds the .deb from a release tree, unpacks it into a scratch root and
# runs the installed program: --version, and the sample log with Enter at
# every question. Also checks that the man page renders without warnings.
#
#   tests/package/package_test.sh BUILD_DIR
set -euo pipefail
root_dir=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath "$1")
scratch=$(mktemp -d "${TMPDIR:-/tmp}/vexlane-package-XXXXXX")
trap 'rm -rf "$scratch"' EXIT

(cd "$build" && cpack -G DEB >"$scratch/cpack.log" 2>&1) || { cat "$scratch/cpack.log"; exit 1; }
deb=$(ls "$build"/vexlane-stats_*.deb | head -n 1)
dpkg -x "$deb" "$scratch/root"
installed="$scratch/root/usr/bin/vexlane-stats"

[ "$("$installed" --version)" = "vexlane-stats 1.9" ]
[ -f "$scratch/root/usr/share/man/man1/vexlane-stats.1" ]
[ -f "$scratch/root/usr/share/doc/vexlane-stats/README.md" ]
[ -f "$scratch/root/usr/share/doc/vexlane-stats/vexlane-stats.toml" ]
grep -q '^ExecStart=/usr/bin/vexlane-stats --follow ' \
  "$scratch/root/usr/lib/systemd/system/vexlane-stats@.service"
completion="$scratch/root/usr/share/bash-completion/completions/vexlane-stats"
[ -f "$completion" ]
# The completion offers every option that --help lists.
options=$(bash -c "source '$completion'; COMP_WORDS=(vexlane-stats -); COMP_CWORD=1;
  _vexlane_stats; echo \"\${COMPREPLY[*]}\"")
for option in $("$installed" --help | grep -o -E -- '--[a-z-]+' | sort -u); do
  [[ " $options " == *" $option "* ]] || { echo "completion lacks $option"; exit 1; }
done

mkdir "$scratch/run"
cp "$root_dir/examples/#battle.log" "$scratch/run/"
(cd "$scratch/run" && printf '\n\n\n\n\n\n' | "$installed" >console.txt)
grep -q "Output file Battle01.txt was made successfully." "$scratch/run/console.txt"
grep -q "Event 7: Final by Kim" "$scratch/run/Battle01.txt"
# Unattended: the same report from options, its path on standard output.
(cd "$scratch/run" && SOURCE_DATE_EPOCH=0 "$installed" -o a.txt >path.txt &&
  printf '\n\n\n\n\n\n' | SOURCE_DATE_EPOCH=0 "$installed" >/dev/null)
[ "$(cat "$scratch/run/path.txt")" = a.txt ]
cmp "$scratch/run/a.txt" "$scratch/run/Battle02.txt"

warnings=$(groff -ww -z -man "$root_dir/man/vexlane-stats.1" 2>&1)
[ -z "$warnings" ] || { echo "$warnings"; exit 1; }
echo "package: $(basename "$deb") installs and runs; man page renders cleanly"
