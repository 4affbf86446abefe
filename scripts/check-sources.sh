#!/usr/bin/env bash
# Checks that need no build: formatting, a core free of Qt, and includes that follow the
# layers. With --self-test, feeds the layer check sources that break it and expects it to
# refuse them.
set -euo pipefail
cd "$(dirname "$0")/.."

# The core's folders, lowest first: a folder includes only its own and lower folders.
# The front ends (src/cli, src/ui) may include any core folder, the core includes
# neither, and the front ends do not include each other.
layers="platform model units expressions geometry files solver mesh run results editing"

# Prints every include under $1/src/{core,cli,ui} that breaks the layers and returns
# non-zero when there is one.
check_layers() {
    local root=$1
    local dirs=()
    for d in src/core src/cli src/ui; do [ -d "$root/$d" ] && dirs+=("$root/$d"); done
    [ ${#dirs[@]} -eq 0 ] && return 0
    {
        find "${dirs[@]}" -type f \( -name '*.cpp' -o -name '*.hpp' -o -name '*.h' \) -print0 |
            xargs -0 -r grep -HnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"]*"' || true
    } | awk -v root="$root/" -v layers="$layers" '
            BEGIN {
                n = split(layers, names, " ")
                for (i = 1; i <= n; ++i) rank[names[i]] = i
                bad = 0
            }
            {
                # file:line:#include "target"
                split($0, parts, ":")
                file = substr(parts[1], length(root) + 1)
                line = parts[2]
                target = $0
                sub(/^[^"]*"/, "", target)
                sub(/".*$/, "", target)
                to = target
                if (index(to, "/") == 0) next  # a header beside the file
                sub(/\/.*$/, "", to)
                split(file, path, "/")  # src, core|cli|ui, folder, ...
                part = path[2]
                why = ""
                if (part == "core") {
                    from = path[3]
                    if (to == "ui" || to == "cli") {
                        why = "the core includes no front end"
                    } else if ((to in rank) && (from in rank) && rank[to] > rank[from]) {
                        why = from " is below " to
                    }
                } else if (part == "cli" && to == "ui") {
                    why = "the command line does not include the desktop"
                } else if (part == "ui" && to == "cli") {
                    why = "the desktop does not include the command line"
                }
                if (why == "") next
                printf "%s:%s: includes %s against the layers (%s)\n", file, line, target, why
                bad = 1
            }
            END { exit bad }' >&2
}

# Builds small trees that break the layers and one that keeps them; the check must refuse
# every broken tree and pass the good one.
self_test() {
    local tmp
    tmp=$(mktemp -d)
    local failures=0
    expect() {  # expect pass|fail NAME FILE INCLUDE
        local want=$1 name=$2 file=$3 include=$4 dir="$tmp/$2"
        mkdir -p "$dir/$(dirname "$file")"
        printf '#include "%s"\n' "$include" >"$dir/$file"
        local got=pass
        check_layers "$dir" 2>/dev/null || got=fail
        if [ "$got" != "$want" ]; then
            echo "self-test $name: expected $want, got $got" >&2
            failures=$((failures + 1))
        fi
    }
    expect fail backward src/core/model/problem.cpp "geometry/region.hpp"
    expect fail skip-up src/core/geometry/deletion.cpp "files/undo_snapshots.hpp"
    expect fail core-ui src/core/editing/commands.cpp "ui/main_window.hpp"
    expect fail cli-ui src/cli/main.cpp "ui/main_window.hpp"
    expect fail ui-cli src/ui/main_window.cpp "cli/commands.hpp"
    expect pass forward src/core/editing/commands.cpp "geometry/region.hpp"
    expect pass same src/core/model/problem.cpp "model/types.hpp"
    expect pass front-end src/cli/main.cpp "editing/mesh_commands.hpp"
    expect pass local src/cli/main.cpp "commands.hpp"
    rm -rf "$tmp"
    if [ "$failures" -ne 0 ]; then
        echo "layer check self-test failed" >&2
        return 1
    fi
    echo "layer check self-test ok"
}

if [ "${1:-}" = "--self-test" ]; then
    self_test
    exit
fi

files=$(git ls-files -co --exclude-standard -- '*.cpp' '*.hpp' '*.h')
if [ -n "$files" ]; then
  # shellcheck disable=SC2086
  clang-format --dry-run -Werror $files
fi
if grep -rlE '#include *[<"](Q[A-Z]|Qt)' src/core; then
  echo "Qt headers under src/core: the core is standard C++ only" >&2
  exit 1
fi
if ! check_layers .; then
  echo "includes against the layers (order: $layers)" >&2
  exit 1
fi
echo "sources ok"
