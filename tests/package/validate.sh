#!/usr/bin/env bash
# Validates the generated menu entry, AppStream metainfo, polkit action and
# man pages with the tools a distribution checks them with, and checks that
# the menu entry and the polkit action name the same program.
#   validate.sh DESKTOP METAINFO POLICY OUTDIR
set -uo pipefail
desktop=$1 metainfo=$2 policy=$3 outdir=$4
dtd=/usr/share/polkit-1/policyconfig-1.dtd   # Debian: package polkitd
for t in desktop-file-validate appstreamcli xmllint groff; do
  command -v "$t" >/dev/null || { echo "SKIP: $t is missing (bash scripts/install-deps.sh)"; exit 77; }
done
[ -r "$dtd" ] || { echo "SKIP: the polkit DTD $dtd is missing (package polkitd)"; exit 77; }

status=0
check() { local what=$1 said; shift; if said=$("$@" 2>&1); then echo "ok: $what"; else echo "FAIL: $what"; echo "$said"; status=1; fi; }
check "desktop-file-validate" desktop-file-validate "$desktop"
check "appstreamcli validate" appstreamcli validate --no-net "$metainfo"
check "polkit policy against $dtd" xmllint --noout --dtdvalid "$dtd" "$policy"
for page in "$outdir"/*.1; do
  # groff's warnings (-ww) on stderr mean a broken page; -k reads UTF-8 as man does.
  check "man page $(basename "$page")" bash -c "w=\$(groff -k -Tutf8 -man -ww -z '$page' 2>&1); [ -z \"\$w\" ] || { echo \"\$w\"; exit 1; }"
done

exec_path=$(sed -n 's/^Exec=pkexec \([^ ]*\).*/\1/p' "$desktop")
policy_path=$(sed -n 's/.*"org.freedesktop.policykit.exec.path">\([^<]*\)<.*/\1/p' "$policy")
if [ -n "$exec_path" ] && [ "$exec_path" = "$policy_path" ] \
   && grep -q '"org.freedesktop.policykit.exec.allow_gui">true<' "$policy"; then
  echo "ok: menu entry runs pkexec $exec_path, the program of the polkit action, with the display kept"
else
  echo "FAIL: menu entry runs '$exec_path', polkit action is for '$policy_path' (allow_gui needed)"; status=1
fi
grep -q '^Name\[zh_CN\]=' "$desktop" || { echo "FAIL: menu entry has no Chinese name"; status=1; }
exit $status
