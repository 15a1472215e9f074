# Sourced by the set-up scripts: ensure_packages PACKAGE... installs the Debian packages that
# are missing (with sudo when not root). A user who can do neither is told the one apt-get
# command to run as root, and the calling script stops. Each script defines say() first.
ensure_packages() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local SUDO=()
  if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null 2>&1; then
      say "these Debian packages are missing: ${missing[*]}"
      say "this user cannot install them (not root, no sudo). As root, run:"
      echo "  apt-get update && apt-get install -y --no-install-recommends ${missing[*]}" >&2
      say "then run this command again."
      exit 1
    fi
    SUDO=(sudo)
  fi
  say "installing ${#missing[@]} Debian packages and what they need (${missing[*]});"
  say "on a fresh machine this takes a few minutes"
  "${SUDO[@]}" apt-get update -qq
  # apt's own lines are many; show one line per ten packages set up, all of them on failure.
  local log
  log=$(mktemp)
  if ! DEBIAN_FRONTEND=noninteractive "${SUDO[@]}" apt-get install -y --no-install-recommends \
         "${missing[@]}" 2>&1 | tee "$log" |
       awk -v p="$(say "" 2>&1)" \
           '/^Setting up /{n++; if (n % 10 == 0) {printf "%s  %d packages set up\n", p, n > "/dev/stderr"}}
            /^[0-9]+ upgraded, [0-9]+ newly installed/{print p "  " $0 > "/dev/stderr"}'; then
    tail -n 30 "$log" >&2
    rm -f "$log"
    say "package installation failed (see the lines above)"
    exit 1
  fi
  rm -f "$log"
  say "packages installed"
}
