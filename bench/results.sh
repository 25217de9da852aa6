# Shared by the benchmarks that write their figures into bench/RESULTS.md: sourced, not run.

# write_section SECTION: SECTION, whose first line is its "## Heading", takes the place of
# the section of that heading in bench/RESULTS.md, or is added at the end when there is none.
write_section() {
    local section=$1
    local results heading
    results="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/RESULTS.md"
    heading=${section%%$'\n'*}
    awk -v section="$section" -v heading="$heading" '
        $0 == heading { skipping = 1; print section; print ""; next }
        /^## / && skipping { skipping = 0 }
        !skipping { print }
    ' "$results" > "$results.new"
    grep -qxF "$heading" "$results" || printf '\n%s\n' "$section" >> "$results.new"
    mv "$results.new" "$results"
}
