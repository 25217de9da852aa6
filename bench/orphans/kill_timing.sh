# Sourced by the orphan benchmarks: how long a killed parent's encoders and their ffmpeg run on.

# Ended, or a zombie that nobody collects any more.
ended() { [ ! -e "/proc/$1" ] || [ "$(awk '{ print $3 }' "/proc/$1/stat" 2>/dev/null)" = Z ]; }

# kill_and_time ROUND PARENT [PGREP_ARGS...]: waits until two of the parent's encoders
# (its children matching PGREP_ARGS) run ffmpeg, kills the parent with SIGKILL and
# prints the time from the kill until the last of them has ended.
kill_and_time() {
    local round=$1 parent=$2
    shift 2
    local encoders="" helpers=""
    for _ in $(seq 600); do
        encoders=$(pgrep -P "$parent" "$@" | tr '\n' ' ' || true)
        helpers=$(for e in $encoders; do pgrep -P "$e" -x ffmpeg || true; done | tr '\n' ' ')
        [ "$(wc -w <<<"$helpers")" -ge 2 ] && break
        sleep 0.05
    done
    local start end
    start=$(date +%s.%N)
    kill -KILL "$parent"
    for pid in $encoders $helpers; do
        while ! ended "$pid"; do sleep 0.01; done
    done
    end=$(date +%s.%N)
    printf 'round %d: %d encoders, %d ffmpeg, all ended %.2f s after the kill\n' "$round" \
        "$(wc -w <<<"$encoders")" "$(wc -w <<<"$helpers")" "$(echo "$end - $start" | bc)"
}
