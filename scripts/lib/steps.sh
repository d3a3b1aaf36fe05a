# Timed steps of the check scripts (install-check.sh, service-check.sh),
# sourced after setting step_prefix: `step WHAT` says what starts,
# `done_step [DETAIL]` says it passed and how long it took.
step_start=0
step() {
    echo "$step_prefix: $1"
    step_start=$(date +%s%N)
}
done_step() {
    echo "$step_prefix:   ok in $((($(date +%s%N) - step_start) / 1000000))ms${1:+ ($1)}"
}
