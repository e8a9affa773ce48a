#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need,
# only those that are missing. Needs root (or sudo).
set -euo pipefail

pkgs=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools qt6-translations-l10n
  libaudit-dev
  auditd            # the stock ausearch/aureport: reference oracle of the tests
  xvfb xauth x11-utils xdotool imagemagick fonts-wqy-microhei time
  clang-format      # scripts/check-format.sh
  libreoffice-calc-nogui  # reads the CSV export as a spreadsheet would (tst_writers)
  # The Debian package: CPack's shlibdeps (dpkg-shlibdeps, file) and the
  # hardening flags (dpkg-buildflags), validation of the menu entry, the
  # metainfo and the polkit action (its DTD ships in polkitd), pkexec, which
  # the menu entry runs, and lintian.
  dpkg-dev file desktop-file-utils appstream libxml2-utils polkitd pkexec lintian
  # the live-trail test's scenario runs these programs (scripts/live-test.sh)
  sudo passwd util-linux bsdutils psmisc e2fsprogs wget
)
[ "${KVR_WITH_FUZZER:-0}" = 1 ] && pkgs+=(clang libclang-rt-14-dev)

missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
# auditd's post-install tries to start the daemon; in a container that fails
# harmlessly, so keep the package manager from starting services at all.
DEBIAN_FRONTEND=noninteractive RUNLEVEL=1 $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
