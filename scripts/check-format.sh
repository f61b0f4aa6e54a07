#!/usr/bin/env bash
# Checks that every tracked C++ source and header (*.cpp, *.h) is formatted as
# the repository's .clang-format says, with Debian's clang-format, and lists
# the files that are not.
#   bash scripts/check-format.sh [REPOSITORY]
set -euo pipefail
root="$(cd "${1:-$(dirname "$0")/..}" && pwd)"
cd "$root"
command -v clang-format >/dev/null || {
  echo "check-format: clang-format is missing (bash scripts/setup.sh installs it)" >&2
  exit 1
}

files=()
while IFS= read -r -d '' file; do
  [ -f "$file" ] && files+=("$file") # skips one deleted in the work tree, not yet in the index
done < <(git ls-files -z -- '*.cpp' '*.h')
[ ${#files[@]} -gt 0 ] || { echo "check-format: no tracked *.cpp or *.h files"; exit 0; }

status=0
out="$(clang-format --style=file --dry-run --Werror "${files[@]}" 2>&1)" || status=$?
mapfile -t unformatted < <(sed -n 's/^\(.*\):[0-9]*:[0-9]*: error: code should be clang-formatted.*/\1/p' <<<"$out" | uniq)
if [ ${#unformatted[@]} -gt 0 ]; then
  echo "check-format: ${#unformatted[@]} of ${#files[@]} files differ from .clang-format (clang-format -i FILE... formats them):"
  printf '  %s\n' "${unformatted[@]}"
  exit 1
elif [ "$status" -ne 0 ]; then
  echo "check-format: clang-format failed:" >&2
  echo "$out" >&2
  exit 1
fi
echo "check-format: ok (${#files[@]} files)"
