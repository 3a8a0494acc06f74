#!/usr/bin/env bash
# Farm renders on the one-machine cluster the farm_cluster fixture started: 4-chunk renders of
# a numbered sequence, a keyed project and the demo's clip give a single render's bytes (the
# clip's decoded frames and audio), a rerun after frames were deleted and cut short renders
# exactly those frames, and a failed chunk is named by --wait.
#
# usage: farm_render.sh BUILD_DIR   (DUOVIS_SLURM_DIR names the cluster's state folder)
set -euo pipefail
D=$(realpath "$1")/bin/duovis
export SLURM_CONF=${DUOVIS_SLURM_DIR:-/tmp/duovis-slurm}/slurm.conf
fail() { echo "FAIL: $*" >&2; exit 1; }
[ -f "$SLURM_CONF" ] || fail "no cluster: $SLURM_CONF is missing (farm_cluster_start did not start it)"
sinfo -h -o %T | grep -qE 'idle|mixed|allocated' || fail "the cluster's node takes no jobs: $(sinfo 2>&1)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
"$D" demo -o demo >/dev/null
S=demo/sequence
"$D" project new pull.json --primary "$S/left_%04d.png" --second "$S/right_%04d.png" >/dev/null
"$D" project set pull.json HSHIFT_PCT_B=0 --at 1 >/dev/null
"$D" project set pull.json HSHIFT_PCT_B=1.5 --at 4 >/dev/null

# What a file holds for the comparison: a still's bytes, a video's decoded frames and audio.
digest() {
    case "$1" in
        *.mp4 | *.mov | *.mkv) ffmpeg -v error -i "$1" -map 0 -f framemd5 - ;;
        *) sha256sum <"$1" ;;
    esac
}

# Renders OUTPUT (a pattern or a video) once on this machine and once on the farm, in 4 chunks,
# and compares every frame. The farm's printed plan is kept in farm-NAME.txt.
same_as_single() {
    local name=$1 chunk=$2 out=$3; shift 3
    mkdir -p "single/$name" "farm/$name"
    "$D" render "$@" --quiet -o "single/$name/$out"
    "$D" farm render "$@" --chunk "$chunk" --wait -o "farm/$name/$out" >"farm-$name.txt"
    [ "$(grep -c '^  task ' "farm-$name.txt")" -eq 4 ] || fail "$name: not 4 chunks: $(cat "farm-$name.txt")"
    local n=0 f
    for f in "single/$name"/*; do
        [ "$(digest "$f")" = "$(digest "farm/$name/${f##*/}")" ] || fail "$name: ${f##*/} differs from the single render"
        n=$((n + 1))
    done
    [ "$n" -gt 0 ] || fail "$name: the single render wrote nothing"
    echo "ok: $name, $n files as a single render"
}

same_as_single sequence 1 out_%04d.png "$S/left_%04d.png" --second "$S/right_%04d.png" \
    -p SECONDARY_FRAME_OFFSET=2 -p "DISPLAY_TYPE=Side-By-Side(50%)"
same_as_single keyed 1 pull_%04d.png --project pull.json
same_as_single clip 3 clip.mp4 demo/clip.mp4 -p "DISPLAY_TYPE=Anaglyph (Red/Cyan)"
# Float frames through the editing host: the video's deep format, from the tasks' 16-bit frames.
same_as_single exr 1 shot.mkv "demo/shot.####.exr" --host premiere --codec ffv1

# A frame deleted and one cut short are rendered again, and nothing else is written.
seq=farm/sequence
rm "$seq/out_0002.png"
truncate -s 100 "$seq/out_0003.png"
before=$(stat -c '%n %i %y' "$seq/out_0001.png" "$seq/out_0004.png")
"$D" farm render "$S/left_%04d.png" --second "$S/right_%04d.png" -p SECONDARY_FRAME_OFFSET=2 \
    -p "DISPLAY_TYPE=Side-By-Side(50%)" --chunk 1 --wait -o "$seq/out_%04d.png" >rerun.txt
[ "$(grep -o 'renders .*' rerun.txt | tr '\n' ' ')" = "renders 2 renders 3 " ] ||
    fail "the rerun did not render exactly frames 2 and 3: $(cat rerun.txt)"
[ "$(stat -c '%n %i %y' "$seq/out_0001.png" "$seq/out_0004.png")" = "$before" ] ||
    fail "the rerun wrote over finished frames"
for f in single/sequence/*; do
    cmp -s "$f" "$seq/${f##*/}" || fail "rerun: ${f##*/} differs from the single render"
done
echo "ok: a rerun renders exactly the deleted and the cut-short frame"

# Other options into the same output: the frames of the first render count for nothing.
"$D" farm render "$S/left_%04d.png" --second "$S/right_%04d.png" -p SECONDARY_FRAME_OFFSET=2 \
    -p "DISPLAY_TYPE=Top-Bottom(50%)" --chunk 4 --wait -o "$seq/out_%04d.png" >changed.txt
grep -q 'renders 1-4$' changed.txt || fail "a render with other options kept frames of the first: $(cat changed.txt)"
echo "ok: a render with other options renders every frame"

# A video's lost frame is rendered again and the video encoded anew, to the same frames.
rm farm/clip/.duovis-farm/clip.mp4.frames/frame_00000005.png
"$D" farm render demo/clip.mp4 -p "DISPLAY_TYPE=Anaglyph (Red/Cyan)" --chunk 3 --wait -o farm/clip/clip.mp4 >rerun-clip.txt
grep -q 'renders 5$' rerun-clip.txt || fail "the clip's rerun did not render frame 5: $(cat rerun-clip.txt)"
[ "$(digest single/clip/clip.mp4)" = "$(digest farm/clip/clip.mp4)" ] || fail "rerun: the clip differs"
echo "ok: a video's rerun renders its lost frame and encodes the same video"

# A chunk that fails is named, with its frames and its log; the finished ones are kept.
if "$D" farm render "$S/left_%04d.png" --second "$S/right_%04d.png" -p SECONDARY_FRAME_OFFSET=3 \
    --chunk 2 --wait -o farm/failing_%04d.png >failing.txt 2>failing.err; then
    fail "a failing chunk was reported as success"
fi
grep -qE '^duovis: chunk 2 \(frames 3-4\) failed \(exit 1\); see .*/failing__04d\.png\.[0-9]+\.1\.log$' failing.err ||
    fail "the failed chunk was not named: $(cat failing.err)"
[ -f farm/failing_0001.png ] && [ -f farm/failing_0002.png ] || fail "the good chunk's frames are missing"
echo "ok: a failed chunk is named with its frames and log"
