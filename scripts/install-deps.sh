#!/bin/sh
# Installs the Debian packages that building, testing, linting, the demos and packaging need, when
# any is missing.
# Needs root (or sudo) only when something has to be installed.
set -eu

PACKAGES="cmake g++ make libgtest-dev nlohmann-json3-dev ipmitool openipmi freeipmi-tools clang libclang-rt-14-dev
  dpkg-dev file lintian groff man-db bash-completion strace time python3 ansible-core ansible-lint"

missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing="$missing $p"
done
[ -n "$missing" ] || exit 0

echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
# shellcheck disable=SC2086
$SUDO apt-get install -y -q --no-install-recommends $missing
