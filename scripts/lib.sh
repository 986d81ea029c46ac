# Shared set-up for the scripts: the Debian packages the project needs, installed only when
# missing (apt-get update runs once, and only if something has to be installed).

MORLENTA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Build and test dependencies (help2man makes morlenta-cli's manual page at build time).
MORLENTA_PACKAGES=(
  build-essential cmake
  qtbase5-dev qtbase5-dev-tools
  libqt5serialport5-dev libqt5serialbus5-dev libqt5serialbus5-plugins
  socat
  fonts-dejavu-core
  help2man
)

ensure_packages() {
  local missing=() pkg
  for pkg in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$pkg")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "== installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

# Configures and builds one build tree: build_tree <dir> [cmake options...]
build_tree() {
  local dir=$1
  shift
  cmake -S "$MORLENTA_ROOT" -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j"$(nproc)"
}
