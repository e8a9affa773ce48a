#!/usr/bin/env bash
# Checks every C++ file of src/, tools/, tests/ and bench/ against
# .clang-format. Lists the files clang-format would change and exits 1 if
# there are any; exit 0 when all are formatted. Reformat one with
#   clang-format -i FILE
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "check-format: clang-format is not installed" >&2; exit 2; }
differ=()
while IFS= read -r -d '' file; do
    if ! clang-format --dry-run --Werror "$file" >/dev/null 2>&1; then
        differ+=("$file")
    fi
done < <(git ls-files -z --cached --others --exclude-standard -- \
             'src/*.cpp' 'src/*.h' 'tools/*.cpp' 'tools/*.h' \
             'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h')
if [ ${#differ[@]} -gt 0 ]; then
    echo "check-format: ${#differ[@]} file(s) differ from .clang-format:"
    printf '  %s\n' "${differ[@]}"
    exit 1
fi
echo "check-format: every C++ file is formatted"
