# Shared by scripts/run and scripts/test.
set -euo pipefail

TOLVA_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

# Installs the packages of scripts/packages.txt that are not installed yet.
tolva_install_missing_packages() {
  local missing=()
  local pkg
  while read -r pkg; do
    [[ -z "$pkg" || "$pkg" == \#* ]] && continue
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$pkg")
    fi
  done < "$TOLVA_ROOT/scripts/packages.txt"
  ((${#missing[@]} == 0)) && return 0
  echo "Installing missing packages: ${missing[*]}" >&2
  local sudo=()
  if [[ $(id -u) -ne 0 ]]; then sudo=(sudo); fi
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# Configures and builds one preset: the targets named after it, or everything.
tolva_build() {
  local preset="$1"
  shift
  local targets=()
  (($# > 0)) && targets=(--target "$@")
  # Paths relative to the checkout and no working directory in the hash: a second clone or
  # worktree reuses the compiler cache instead of building everything again.
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$TOLVA_ROOT}" CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-1}"
  cmake --preset "$preset" -S "$TOLVA_ROOT" >/dev/null
  cmake --build --preset "$preset" -j "$(nproc)" "${targets[@]}"
}
