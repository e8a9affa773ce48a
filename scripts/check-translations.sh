#!/usr/bin/env bash
# Checks that translations/*.ts hold every text the window's sources mark for
# translation, each translated: runs lupdate over src/ into copies of the .ts
# files and compares them with the committed ones (locations aside). A text
# that lupdate cannot see (passed to translate() through a variable) would be
# dropped by the update target, and a new text would be shown untranslated.
#   scripts/check-translations.sh [LUPDATE]
# Exit 0 when they are current, 1 when not (with the difference), 2 when
# lupdate is missing. Refresh them with
#   cmake --build build --target update_translations
set -euo pipefail
cd "$(dirname "$0")/.."
lupdate=${1:-/usr/lib/qt6/bin/lupdate}
[ -x "$lupdate" ] || { echo "check-translations: $lupdate is missing" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/translations"
cp translations/*.ts "$work/translations/"
files=()
while IFS= read -r -d '' f; do files+=("$PWD/$f"); done \
    < <(git ls-files -z --cached --others --exclude-standard -- 'src/*.cpp' 'src/*.h' 'src/*.ui')
"$lupdate" -silent -no-obsolete -I "$PWD/src" "${files[@]}" -ts "$work"/translations/*.ts
status=0
for ts in translations/*.ts; do
    if ! diff -u <(grep -v '<location ' "$ts") <(grep -v '<location ' "$work/$ts") >"$work/diff"; then
        echo "check-translations: $ts is not what lupdate makes of the sources:"
        cat "$work/diff"
        status=1
    fi
    if grep -q 'type="unfinished"' "$ts"; then
        echo "check-translations: $ts has untranslated texts"
        status=1
    fi
done
[ "$status" = 0 ] && echo "check-translations: both .ts files are current and translated"
exit "$status"
