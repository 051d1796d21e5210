#!/usr/bin/env bash
# check_package.sh DEB VERSION: what CI asks of the Debian package (scripts/package --check).
# The package is unpacked into a throw-away root instead of installed: installing it would
# change the machine that runs the checks (udev rules, /usr/bin) for every later job.
set -euo pipefail
deb="$1"
version="$2"
step() { printf '\n== %s\n' "$*"; }
fail() { echo "check_package: $*" >&2; exit 1; }

step "lintian $(basename "$deb")"
# Pedantic and informational tags are shown; errors and warnings fail.
lint=0
lintian --fail-on error,warning --display-info --pedantic "$deb" 2>&1 |
  grep -v '^running with root privileges' || lint=${PIPESTATUS[0]}
((lint == 0)) || fail "lintian found errors or warnings"
dpkg-deb --field "$deb" Package Version Depends Recommends
[[ "$(dpkg-deb --field "$deb" Version)" == "$version" ]] || fail "package version is not $version"

step "Depends resolvable by apt on this system"
apt-get install --simulate --no-install-recommends "$deb" >/dev/null 2>&1 ||
  { apt-get install --simulate --no-install-recommends "$deb" 2>&1 | tail -20; fail "apt cannot install it"; }
echo ok

root="$(mktemp -d)"
emulator_pid=""
cleanup() {
  [[ -n "$emulator_pid" ]] && kill "$emulator_pid" 2>/dev/null || true
  rm -rf "$root"
}
trap cleanup EXIT
dpkg-deb -x "$deb" "$root"
bin="$root/usr/bin"
share="$root/usr/share"

step "installed files"
for f in bin/tolva-dsp bin/tolva-dsp-cli bin/tolva-dsp-emulator lib/udev/rules.d/60-tolva-dsp.rules \
  share/applications/org.tolva.tolvadsp.desktop share/metainfo/org.tolva.tolvadsp.metainfo.xml \
  share/mime/packages/org.tolva.tolvadsp.mime.xml share/icons/hicolor/scalable/apps/org.tolva.tolvadsp.svg \
  share/man/man1/tolva-dsp.1.gz share/man/man1/tolva-dsp-cli.1.gz share/man/man1/tolva-dsp-emulator.1.gz \
  share/bash-completion/completions/tolva-dsp-cli share/doc/tolva-dsp/copyright share/doc/tolva-dsp/README.md; do
  [[ -e "$root/usr/$f" ]] || fail "missing /usr/$f"
done
desktop-file-validate "$share/applications/org.tolva.tolvadsp.desktop"
appstreamcli validate --no-net --pedantic "$share/metainfo/org.tolva.tolvadsp.metainfo.xml"
grep -q "<release version=\"$version\"" "$share/metainfo/org.tolva.tolvadsp.metainfo.xml" ||
  fail "the metainfo's release list lacks $version"
for page in "$share"/man/man1/*.1.gz; do
  warnings="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)"
  [[ -z "$warnings" ]] || fail "$(basename "$page"): $warnings"
done
echo "manual pages render without warnings"

step "installed programs from PATH, against the emulated unit"
work="$root/work"
mkdir -p "$work"
cd "$work"
export PATH="$bin:$PATH"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
# The command, then what it prints, as a transcript.
run() { printf '$ %s\n' "$*" >&2; "$@"; }
for program in tolva-dsp tolva-dsp-cli tolva-dsp-emulator; do
  said="$(run "$program" --version)"
  echo "$said"
  [[ "$said" == "$program $version" ]] || fail "$program --version does not say $version"
done
run tolva-dsp --help | head -3
status=0
run tolva-dsp-cli doctor || status=$?
# No unit is plugged into a CI machine: doctor says so and exits 3.
((status == 0 || status == 3)) || fail "tolva-dsp-cli doctor exited $status"
run tolva-dsp-cli --device emulator info
sock="$work/unit.sock"
tolva-dsp-emulator --socket "$sock" --state "$work/unit.json" 2>/dev/null &
emulator_pid=$!
for _ in $(seq 50); do [[ -S "$sock" ]] && break; sleep 0.1; done
run tolva-dsp-cli --device "socket:$sock" set mainVolume=-12 channels/1/crossover/hp/fs=80
said="$(run tolva-dsp-cli --device "socket:$sock" get mainVolume)"
echo "$said"
[[ "$said" == "-12" ]] || fail "the emulated unit does not hold what was set"
run tolva-dsp-cli --device "socket:$sock" read "$work/live.spf"
kill "$emulator_pid"
wait "$emulator_pid" || fail "tolva-dsp-emulator did not stop cleanly"
emulator_pid=""
[[ -s "$work/unit.json" ]] || fail "tolva-dsp-emulator kept no state"

step "bash completion"
completions="$(bash -c 'source /usr/share/bash-completion/bash_completion
  source "$1"
  COMP_WORDS=(tolva-dsp-cli scene ""); COMP_CWORD=2; _tolva_dsp_cli; echo "${COMPREPLY[*]}"' \
  _ "$share/bash-completion/completions/tolva-dsp-cli")"
echo "tolva-dsp-cli scene <TAB>: $completions"
[[ "$completions" == "load save delete" ]] || fail "completion offers \"$completions\""

step "package ok: $(basename "$deb"), $(stat -c %s "$deb") bytes"
