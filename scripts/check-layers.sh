#!/usr/bin/env bash
# Checks that the sources and the CMake link graph keep to the layers.
#   bash scripts/check-layers.sh [TREE]     (TREE: the repository by default)
#
# Layers, lowest first; each may use its own layer and the layers below it:
#   foundation, rtl   side by side: neither uses the other
#   framework
#   dialogs
#   hotkeys           (when the folder exists)
#   app
# resources/ (resource ids, resources/resource.h, and scripts) is shared data
# that anyone may include; it includes no layer.
#
# Includes: a file in a layer folder includes headers of its own and lower
# layers, written as #include "layer/File.h". tests/<layer>/ may include what
# <layer> may, plus the shared test support (support/... or tests/support/...)
# and local quoted headers of its own folder (tests/<layer>/ and below).
# Link graph: in the layer folders' CMakeLists.txt, a target of a layer (the
# library vaylo_<layer> or a program built there) links only lower layers'
# vaylo_<layer> libraries (and vaylo_resources), compiles no source of
# another layer's folder, and no two libraries depend on each other.
#
# Prints each offending line as FILE:LINE: text -- reason, and exits 1.
set -euo pipefail
root="$(cd "${1:-$(dirname "$0")/..}" && pwd)"
cd "$root"

declare -A rank=([foundation]=0 [rtl]=0 [framework]=1 [dialogs]=2 [hotkeys]=3 [app]=4)
layers=(foundation rtl framework dialogs hotkeys app)
order="foundation, rtl < framework < dialogs < hotkeys < app"
problems=()
files=0

problem() { problems+=("$1"); }

# Whether layer $1 may use layer $2: itself or a lower one.
may_use() { [ "$1" = "$2" ] || [ "${rank[$2]}" -lt "${rank[$1]}" ]; }

is_layer() { [ -n "${1:-}" ] && [ -n "${rank[$1]+x}" ]; }

# Whether $2 names a file in folder $1 or in one of its parents up to $3.
found_upwards() {
  local dir="$1" name="$2" top="$3"
  while :; do
    [ -f "$dir/$name" ] && return 0
    [ "$dir" = "$top" ] && return 1
    case "$dir" in "$top"/*) dir="${dir%/*}" ;; *) return 1 ;; esac
  done
}

# Why file $1 of kind $2 (layer|tests|support|resources) and layer $3 may not
# include $4 written with delimiter $5; prints nothing when it may.
include_reason() {
  local file="$1" kind="$2" layer="$3" path="$4" delim="$5" first dir top
  reason=""
  path="${path#./}"
  first="${path%%/*}"
  [ "$first" = "$path" ] && first=""
  # <...> names a system or third-party header unless it names a project folder.
  if [ "$delim" = "<" ] && ! is_layer "$first" && [ "$first" != resources ] && [ "$first" != tests ] &&
    [ "$first" != support ]; then
    return 0
  fi
  case "/$path/" in
    //* | */../*) reason="a path out of the folder: write it as \"layer/File.h\""; return 0 ;;
  esac
  [ "$first" = resources ] && return 0
  dir="${file%/*}"
  case "$kind" in
    layer)
      if is_layer "$first"; then
        may_use "$layer" "$first" || reason="$layer/ may not include $first/"
      elif [ "$first" = tests ] || [ "$first" = support ]; then
        reason="product code includes test code"
      elif [ -z "$first" ] && [ -f "$layer/$path" ]; then
        reason="write it as \"$layer/$path\" (headers are named with their layer's folder)"
      elif [ -z "$first" ]; then
        reason="a quoted include names a layer's header as \"layer/File.h\""
      else
        reason="$first/ is no layer and not resources/"
      fi
      ;;
    resources)
      if is_layer "$first" || [ "$first" = tests ] || [ "$first" = support ]; then
        reason="resources/ is shared data and includes no layer or test"
      fi
      ;;
    tests | support)
      top="tests/${layer:-support}"
      case "$path" in
        support/* | tests/support/*) return 0 ;;
        tests/"$layer"/*) [ "$kind" = tests ] && return 0 ;;
      esac
      if is_layer "$first"; then
        [ "$kind" = support ] && return 0
        may_use "$layer" "$first" ||
          reason="tests/$layer/ may include what $layer/ may, not $first/"
      elif [ "$first" = tests ] && [ "$kind" = support ]; then
        reason="tests/support/ is shared and includes no layer's tests"
      elif [ "$first" = tests ]; then
        reason="tests include another layer's tests only through tests/support/"
      elif found_upwards "$dir" "$path" "$top" || [ -f "resources/$path" ]; then
        return 0
      else
        reason="not a header of $top/ (nor a layer's, resources/ or tests/support/)"
      fi
      ;;
  esac
  return 0
}

check_includes() { # file kind layer
  local file="$1" kind="$2" layer="$3" hit num text reason
  local pattern='^[[:space:]]*#[[:space:]]*include[[:space:]]*([<"])([^>"]*)[>"]'
  files=$((files + 1))
  while IFS= read -r hit; do
    num="${hit%%:*}"
    text="${hit#*:}"
    text="${text%$'\r'}"
    [[ $text =~ $pattern ]] || continue
    include_reason "$file" "$kind" "$layer" "${BASH_REMATCH[2]}" "${BASH_REMATCH[1]}"
    [ -z "$reason" ] || problem "$file:$num: $text -- $reason"
  done < <(grep -n '^[[:space:]]*#[[:space:]]*include' "$file" || true)
}

sources() { # folder...: the C, C++ and resource script files under them
  find "$@" -type f \( -name '*.cpp' -o -name '*.cc' -o -name '*.c' -o -name '*.h' -o -name '*.hpp' \
    -o -name '*.inl' -o -name '*.rc' \) 2>/dev/null | LC_ALL=C sort
}

# The product's layer folders and resources/.
for layer in "${layers[@]}"; do
  [ -d "$layer" ] || continue
  while IFS= read -r f; do check_includes "$f" layer "$layer"; done < <(sources "$layer")
done
if [ -d resources ]; then
  while IFS= read -r f; do check_includes "$f" resources ""; done < <(sources resources)
fi

# The tests mirror the layers.
if [ -d tests ]; then
  for dir in tests/*/; do
    dir="${dir%/}"
    name="${dir#tests/}"
    if [ "$name" = support ]; then
      while IFS= read -r f; do check_includes "$f" support ""; done < <(sources "$dir")
    elif is_layer "$name"; then
      while IFS= read -r f; do check_includes "$f" tests "$name"; done < <(sources "$dir")
    elif [ -n "$(sources "$dir")" ]; then
      problem "$dir/: mirrors no layer ($order) and is not tests/support/"
    fi
  done
fi

# The link graph. Each CMakeLists.txt line is read by awk as
#   D line name          add_library/add_executable(name
#   L line target item   a vaylo_ library that target_link_libraries(target links
#   S line folder        a source path into folder (${..._SOURCE_DIR}/folder/ or ../folder/)
cmake_facts() {
  awk '
    {
      line = $0
      sub(/#.*/, "", line)
      rest = line
      while (match(rest, /SOURCE_DIR}\/[A-Za-z0-9_]+\/|\.\.\/[A-Za-z0-9_]+\//)) {
        folder = substr(rest, RSTART, RLENGTH - 1)
        sub(/.*\//, "", folder)
        print "S", NR, folder
        rest = substr(rest, RSTART + RLENGTH)
      }
      if (!inside && match(tolower(line), /add_(library|executable)[ \t]*\([ \t]*[A-Za-z0-9_.+-]+/)) {
        name = substr(line, RSTART, RLENGTH)
        sub(/^[^(]*\([ \t]*/, "", name)
        print "D", NR, name
      }
      while (length(line) > 0) {
        if (!inside) {
          if (!match(tolower(line), /target_link_libraries[ \t]*\(/)) break
          inside = 1
          target = ""
          line = substr(line, RSTART + RLENGTH)
        } else {
          close_at = index(line, ")")
          chunk = close_at ? substr(line, 1, close_at - 1) : line
          n = split(chunk, tokens, /[ \t]+/)
          for (i = 1; i <= n; i++) {
            token = tokens[i]
            if (token == "") continue
            if (target == "") { target = token; continue }
            while (match(token, /vaylo_[A-Za-z0-9_]+/)) {
              print "L", NR, target, substr(token, RSTART, RLENGTH)
              token = substr(token, RSTART + RLENGTH)
            }
          }
          if (!close_at) break
          inside = 0
          line = substr(line, close_at + 1)
        }
      }
    }' "$1"
}

declare -A owner=()     # target -> layer whose folder defines it
declare -A depends=()   # target -> its vaylo_ libraries, space-separated
links=0
cmake_files=()
[ -f CMakeLists.txt ] && cmake_files+=(CMakeLists.txt)
for layer in "${layers[@]}" resources; do
  [ -d "$layer" ] || continue
  while IFS= read -r f; do cmake_files+=("$f"); done < <(find "$layer" -name CMakeLists.txt | LC_ALL=C sort)
done

for f in "${cmake_files[@]}"; do
  folder="${f%%/*}"
  while read -r kind num a _; do
    [ "$kind" = D ] && is_layer "$folder" && owner[$a]="$folder"
  done < <(cmake_facts "$f")
done
for f in "${cmake_files[@]}"; do
  folder="${f%%/*}"
  while read -r kind num a b; do
    text="$(sed -n "${num}p" "$f" | sed 's/^[[:space:]]*//')"
    case "$kind" in
      S)
        if is_layer "$folder" && is_layer "$a" && [ "$a" != "$folder" ]; then
          problem "$f:$num: $text -- $folder/ builds a source of $a/ (each layer compiles its own folder)"
        fi
        ;;
      L)
        target="$a" used="${b#vaylo_}"
        if [[ $target =~ ^vaylo_(.*)$ ]] && is_layer "${BASH_REMATCH[1]}"; then
          from="${BASH_REMATCH[1]}"
        elif [ -n "${owner[$target]+x}" ]; then
          from="${owner[$target]}"
        else
          continue
        fi
        is_layer "$used" || continue
        links=$((links + 1))
        case " ${depends[$target]:-} " in *" $b "*) ;; *) depends[$target]="${depends[$target]:-} $b" ;; esac
        if [ "$target" = "$b" ]; then
          problem "$f:$num: $text -- $target links itself"
        elif ! may_use "$from" "$used"; then
          problem "$f:$num: $text -- $target ($from) may link only lower layers' libraries, not $b"
        fi
        ;;
    esac
  done < <(cmake_facts "$f")
done

# Libraries that depend on each other, directly or through others.
reaches() { # from to: whether from depends on to
  local -A seen=()
  local todo=("$1") node next
  while [ ${#todo[@]} -gt 0 ]; do
    node="${todo[0]}"
    todo=("${todo[@]:1}")
    for next in ${depends[$node]:-}; do
      [ "$next" = "$2" ] && return 0
      [ -n "${seen[$next]+x}" ] && continue
      seen[$next]=1
      todo+=("$next")
    done
  done
  return 1
}
mapfile -t nodes < <(printf '%s\n' "${!depends[@]}" | LC_ALL=C sort)
for ((i = 0; i < ${#nodes[@]}; i++)); do
  for ((j = i + 1; j < ${#nodes[@]}; j++)); do
    if reaches "${nodes[i]}" "${nodes[j]}" && reaches "${nodes[j]}" "${nodes[i]}"; then
      problem "CMake: ${nodes[i]} and ${nodes[j]} depend on each other"
    fi
  done
done

if [ ${#problems[@]} -gt 0 ]; then
  echo "check-layers: ${#problems[@]} line(s) break the layering ($order; resources/ for anyone):"
  printf '  %s\n' "${problems[@]}"
  exit 1
fi
echo "check-layers: ok ($files files, $links links between layers)"
