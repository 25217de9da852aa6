# Shared by the benchmarks that time pairs in alternation: sourced, not run.
# measure CMD...: "wall processor" seconds of a command, children included.
# add KEY "wall processor": one round's figures; median LIST; row LABEL KEY: a table row
# of the medians; each A B OP: each round's wall seconds of A OP B ("/" or "-").

declare -A wall cpu

measure() {
    local TIMEFORMAT='%R %U %S'
    { time "$@" >/dev/null 2>&1; } 2>&1 | awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }'
}

add() {
    local w c
    read -r w c <<<"$2"
    wall[$1]="${wall[$1]:-} $w"
    cpu[$1]="${cpu[$1]:-} $c"
}

median() { tr ' ' '\n' <<<"$1" | grep . | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

row() { printf '| %s | %s | %s |\n' "$1" "$(median "${wall[$2]}")" "$(median "${cpu[$2]}")"; }

each() {
    local -a x y
    read -ra x <<<"${wall[$1]}"
    read -ra y <<<"${wall[$2]}"
    for i in "${!x[@]}"; do printf '%.2f ' "$(echo "scale=4; ${x[$i]} $3 ${y[$i]}" | bc)"; done
}
