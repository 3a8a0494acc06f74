#!/usr/bin/env bash
# `duovis farm render` refuses bad input with one line and a non-zero exit before anything is
# submitted (a stand-in sbatch records any call), and a dry run writes the job script and
# submits nothing. Needs no cluster.
#
# usage: farm_refusals.sh BUILD_DIR
set -uo pipefail
D=$(realpath "$1")/bin/duovis
fail() { echo "FAIL: $*" >&2; status=1; }
status=0

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir bin nothing
printf '#!/bin/sh\ntouch %s/submitted\necho 999\n' "$work" >bin/sbatch
chmod +x bin/sbatch
ffmpeg -v error -f lavfi -i testsrc=size=64x36:rate=24 -frames:v 4 -start_number 1 seq_%04d.png
ffmpeg -v error -f lavfi -i testsrc=size=64x36:rate=24 -frames:v 6 -c:v ffv1 clip.mkv

# PATH | expected message (an extended regex for the one line) | the farm's words
rows=(
    "nothing|needs Slurm.*apt-get install slurm-wlm munge.*scripts/slurm-local start|seq_%04d.png -o o_%04d.png --chunk 2"
    "bin|o\.png: a farm render writes a numbered pattern such as out_%04d\.png or a video|seq_%04d.png -o o.png --chunk 2"
    "bin|-: a farm render writes a numbered pattern|seq_%04d.png -o - --chunk 2"
    "bin|--chunk: '0' is below 1 frame|seq_%04d.png -o o_%04d.png --chunk 0"
    "bin|--chunk: '-3' is below 1 frame|seq_%04d.png -o o_%04d.png --chunk=-3"
    "bin|--chunk.*two|seq_%04d.png -o o_%04d.png --chunk two"
    "bin|needs --chunk N|seq_%04d.png -o o_%04d.png"
    "bin|seq_0005\.png: frame missing|seq_%04d.png --frames 3-6 -o o_%04d.png --chunk 2"
    "bin|clip\.mkv: has no frame 6 \(it has 6 frames|clip.mkv --frames 4-9 -o o.mp4 --chunk 2"
    "bin|--scheduler: 'pbs' is not one of slurm|seq_%04d.png -o o_%04d.png --chunk 2 --scheduler pbs"
    "bin|--partition: Slurm takes one word|seq_%04d.png -o o_%04d.png --chunk 2 --partition=a@NL@#SBATCH"
    "bin|not standard input|- -o o_%04d.png --chunk 2"
    "bin|no/o_%04d\.png: output directory does not exist|seq_%04d.png -o no/o_%04d.png --chunk 2"
)
for row in "${rows[@]}"; do
    IFS='|' read -r path want words <<<"$row"
    read -ra args <<<"$words"
    args=("${args[@]//@NL@/$'\n'}")  # a newline inside a word
    rm -f submitted
    search="$work/$path:/usr/bin:/bin"
    [ "$path" = nothing ] && search="$work/nothing"
    err=$(PATH=$search "$D" farm render "${args[@]}" 2>&1 >/dev/null)
    rc=$?
    [ $rc -ne 0 ] || fail "[$words] exit 0"
    [ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ] || fail "[$words] not one line: $err"
    grep -qE -- "$want" <<<"$err" || fail "[$words] said: $err"
    [ ! -e submitted ] || fail "[$words] submitted a job"
    [ ! -e .duovis-farm ] || fail "[$words] wrote the farm's files"
done
# A dry run: the script is written, the command printed, nothing submitted, even without Slurm.
out=$(PATH="$work/nothing" "$D" farm render seq_%04d.png -o o_%04d.png --chunk 3 --dry-run --partition p1) ||
    fail "dry run: exit $?"
script=.duovis-farm/o__04d.png.sbatch
grep -q "^sbatch $work/$script\$" <<<"$out" || fail "dry run printed: $out"
grep -q '^#SBATCH --partition=p1$' "$script" || fail "dry run: no partition in $script"
grep -q '^#SBATCH --array=0-1$' "$script" || fail "dry run: not 2 tasks in $script"
[ ! -e submitted ] || fail "dry run submitted a job"
# A rerun while the earlier submission's jobs are still queued (the stand-in squeue lists 999
# while `queued` exists) is refused before anything is written; once they are over it submits.
printf '#!/bin/sh\n[ -e %s/queued ] && echo 999\nexit 0\n' "$work" >bin/squeue
chmod +x bin/squeue
farm() { PATH="$work/bin:/usr/bin:/bin" "$D" farm render seq_%04d.png -o q_%04d.png --chunk 2 "$@"; }
farm >/dev/null || fail "first submission: exit $?"
[ "$(cat .duovis-farm/q__04d.png.jobs 2>/dev/null)" = 999 ] || fail "the job id was not kept"
touch queued && rm -f submitted
err=$(farm 2>&1 >/dev/null) && fail "rerun while queued: exit 0"
grep -q '^.*q_%04d\.png: the jobs of an earlier farm render of it (999) are still queued or running.*scancel 999$' <<<"$err" ||
    fail "rerun while queued said: $err"
[ ! -e submitted ] || fail "rerun while queued submitted a job"
rm queued
farm >/dev/null || fail "rerun once the jobs are over: exit $?"
[ -e submitted ] || fail "rerun once the jobs are over submitted nothing"
[ $status -eq 0 ] && echo "farm refusals: ${#rows[@]} rows, the dry run and the rerun"
exit $status
