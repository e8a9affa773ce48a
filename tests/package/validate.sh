#!/usr/bin/env bash
# Validates the generated menu entry, AppStream metainfo, polkit action and
# man pages with the tools a distribution checks them with, checks that the
# menu entry and the polkit action name the same program, and runs the
# package's postrm on a scratch root (DPKG_ROOT): purging removes the working
# files and the data directory and nothing above it.
#   validate.sh DESKTOP METAINFO POLICY OUTDIR DATADIR
set -uo pipefail
desktop=$1 metainfo=$2 policy=$3 outdir=$4 datadir=${5%/}
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

# postrm ACTION on a scratch root whose data directory holds SETUP; the check
# lists what must exist afterwards (+path) and what must not (-path), relative
# to the data directory.
postrm() {
  local action=$1 setup=$2 expect=$3 root d p t
  root=$(mktemp -d) d=$root$datadir
  mkdir -p "$d" "$root/elsewhere"
  for f in result.log tongji.log daily.log temp_report all_report.log kvr-auditreport.lock; do
    : >"$root/elsewhere/$f"
  done
  case $setup in
    working) cp "$root"/elsewhere/* "$d/" ;;
    foreign) cp "$root"/elsewhere/* "$d/"; : >"$d/notes.txt" ;;
    link) rmdir "$d"; ln -s "$root/elsewhere" "$d" ;;
  esac
  local said
  said=$(DPKG_ROOT=$root sh "$outdir/debian/postrm" "$action" 2>&1) || { echo "FAIL: postrm $action ($setup) failed: $said"; status=1; }
  local bad=()
  for p in $expect; do
    t=$(realpath -m -s "$d/${p#?}")
    case $p in
      +*) [ -e "$t" ] || [ -L "$t" ] || bad+=("missing $p") ;;
      -*) [ ! -e "$t" ] && [ ! -L "$t" ] || bad+=("left $p") ;;
    esac
  done
  if [ ${#bad[@]} -eq 0 ]; then echo "ok: postrm $action with $setup files"; else
    echo "FAIL: postrm $action with $setup files: ${bad[*]}"; status=1; fi
  rm -rf "$root"
}
postrm remove working "+result.log +kvr-auditreport.lock"
postrm purge working "-result.log -temp_report -kvr-auditreport.lock -. +.."
postrm purge foreign "-tongji.log +notes.txt"
postrm purge link "+. +result.log"
exit $status
