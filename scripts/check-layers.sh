#!/usr/bin/env bash
# Checks that the source folders stay layers: a folder includes only the folders below it, Qt is
# included only by the widget folders, and no two files include each other in a circle.
# Prints every offending include as FILE:LINE and exits 1 when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."

# Each folder with the project folders it may include besides itself.
declare -A allowed=(
    [app]="shell dialogs commands cluster movie generation document surface colour engine settings"
    [shell]="dialogs commands cluster movie generation document surface colour engine settings"
    [dialogs]="commands cluster movie generation document surface colour engine settings"
    [commands]="cluster movie generation document surface colour engine settings"
    [cluster]="movie generation document surface colour engine settings"
    [movie]="generation document surface colour engine settings"
    [generation]="document surface colour engine settings"
    [document]="surface colour engine settings"
    [surface]="colour engine"
    [colour]="engine settings"
    [engine]=""
    [settings]=""
)
qt_folders=" app shell dialogs "

status=0
files=()
for folder in "${!allowed[@]}"; do
    while IFS= read -r file; do files+=("$file"); done \
        < <(find "$folder" -type f \( -name '*.h' -o -name '*.cpp' \) 2>/dev/null | sort)
done

for file in "${files[@]}"; do
    folder="${file%%/*}"
    while IFS=: read -r line text; do
        if [[ "$text" =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([a-z_]+)/ ]]; then
            target="${BASH_REMATCH[1]}"
            if [ "$target" != "$folder" ] && [[ " ${allowed[$folder]} " != *" $target "* ]]; then
                echo "$file:$line: $folder/ may not include $target/: $text"
                status=1
            fi
        elif [[ "$text" =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\<Q ]] &&
            [[ "$qt_folders" != *" $folder "* ]]; then
            echo "$file:$line: Qt belongs to app/, shell/ and dialogs/ only: $text"
            status=1
        fi
    done < <(grep -n '#[[:space:]]*include' "$file" || true)
done

# Include cycles between files: a depth-first walk over the project's own includes.
if ! printf '%s\n' "${files[@]}" | awk '
    { files[$0] = 1; order[++n] = $0 }
    END {
        for (i = 1; i <= n; i++) {
            f = order[i]
            while ((getline text < f) > 0) {
                if (match(text, /^[ \t]*#[ \t]*include[ \t]*"[^"]+"/)) {
                    target = substr(text, RSTART, RLENGTH)
                    sub(/^[^"]*"/, "", target); sub(/"$/, "", target)
                    if (target in files) edges[f] = edges[f] " " target
                }
            }
            close(f)
        }
        bad = 0
        for (i = 1; i <= n; i++) if (!(order[i] in state)) bad += visit(order[i], order[i])
        exit bad > 0
    }
    function visit(f, path,    list, m, k, t, found) {
        state[f] = 1
        found = 0
        m = split(edges[f], list, " ")
        for (k = 1; k <= m; k++) {
            t = list[k]
            # Looking at state[t] would create it: ask whether it is there first.
            if (!(t in state)) found += visit(t, path " -> " t)
            else if (state[t] == 1) { print "include cycle: " path " -> " t; found = 1 }
        }
        state[f] = 2
        return found
    }'; then
    status=1
fi

if [ "$status" -eq 0 ]; then
    echo "Layers hold: every include points to its own folder or one below it."
fi
exit "$status"
