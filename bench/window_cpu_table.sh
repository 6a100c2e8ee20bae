#!/bin/bash
# The window's CPU time, nobody touching anything, under the board conditions
# users run, for one or more builds of the window in one run: every round
# measures every condition, with every build running at the same time, so
# that a neighbour's load on a shared machine falls on all of them alike.
# Only the ratios count.
#
#   hid-vm run --timeout 1800 -- bench/window_cpu_table.sh \
#       build/ci/tests/device/linux/kestro_stream_boards ROUNDS SECONDS \
#       NAME=path/to/kestro-setup [NAME=...]
#
# SETTLE (default 10) is the seconds each window is given to start first.
# Prints one line per measurement ("round build condition percent") and then
# the medians with their ratio to the quiet open board.
set -eu

boards=$1
rounds=$2
seconds=$3
shift 3

# name, then the stream_boards arguments: rate (0 quiet, -1 no board), foreign
conditions=(
    "quiet 0 0"
    "126Hz 126 0"
    "1kHz 1000 0"
    "126Hz+32 126 32"
    "no-board -1 0"
)

ticks=$(getconf CLK_TCK)
settle=${SETTLE:-10}
jiffies() { awk '{print $14 + $15}' "/proc/$1/stat"; }

results=$(mktemp)
for round in $(seq 1 "$rounds"); do
    for condition in "${conditions[@]}"; do
        read -r label rate foreign <<<"$condition"
        fifo=$(mktemp -u)
        mkfifo "$fifo"
        "$boards" "$rate" "$foreign" >"$fifo" &
        boards_pid=$!
        read -r _ <"$fifo"
        rm -f "$fifo"
        # Every build runs at once, on the same boards, so that the load of
        # the moment falls on all of them alike.
        windows=()
        for build in "$@"; do
            QT_QPA_PLATFORM=offscreen "${build#*=}" >/dev/null 2>&1 &
            windows+=($!)
        done
        # Start-up, the first readback and the first walk are not what is
        # measured; on an emulated CPU they take several seconds.
        sleep "$settle"
        before=()
        for window in "${windows[@]}"; do before+=($(jiffies "$window")); done
        sleep "$seconds"
        i=0
        for build in "$@"; do
            spent=$(($(jiffies "${windows[$i]}") - before[i]))
            percent=$(awk -v d="$spent" -v t="$ticks" -v s="$seconds" \
                'BEGIN {printf "%.2f", 100 * d / t / s}')
            echo "$round ${build%%=*} $label $percent" | tee -a "$results"
            i=$((i + 1))
        done
        kill "${windows[@]}" "$boards_pid"
        wait "${windows[@]}" "$boards_pid" 2>/dev/null || true
    done
done

echo "median CPU % over $rounds rounds of ${seconds} s (ratio to the quiet open board):"
for build in "$@"; do
    name=${build%%=*}
    quiet=$(awk -v n="$name" '$2 == n && $3 == "quiet" {print $4}' "$results" | sort -g |
        awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}')
    for condition in "${conditions[@]}"; do
        read -r label _ <<<"$condition"
        awk -v n="$name" -v c="$label" '$2 == n && $3 == c {print $4}' "$results" | sort -g |
            awk -v n="$name" -v c="$label" -v q="$quiet" '{v[NR] = $1; all = all " " $1}
                END {m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
                     printf "%-6s %-10s %6.2f %%  x%.2f  (%s )\n", n, c, m, (q > 0 ? m / q : 0), all}'
    done
done
rm -f "$results"
