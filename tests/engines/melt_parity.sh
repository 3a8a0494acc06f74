#!/usr/bin/env bash
# The MLT module in the real melt, headless, against `duovis render` on the same frames, byte
# for byte: every display type through the filter (a profile of the reference's size keeps
# the doubled ones), a mono frame, a full-size packed frame, the transition against --second,
# a keyframed slider at its midpoint against the static value, and a pixel shift.
# Lossless FFV1 in Matroska with bgra keeps RGBA end to end into MLT; the PNG consumer is told
# pix_fmt=rgba, or it writes RGB.
#
# usage: melt_parity.sh BUILD_DIR     (exit 77: skipped, melt or ffmpeg missing)
set -euo pipefail
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
for tool in melt ffmpeg ffprobe; do
    command -v "$tool" >/dev/null ||
        { echo "SKIP: $tool is not installed (Debian: apt-get install melt ffmpeg)"; exit 77; }
done
eval "$("$root/scripts/host-env" "$build")"
duovis=$build/bin/duovis
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

clip() {  # clip FILE LAVFI_SOURCE: 30 frames at 25 fps, lossless RGBA
    ffmpeg -v error -y -f lavfi -i "$2,format=bgra" -frames:v 30 -c:v ffv1 -pix_fmt bgra "$1"
}
clip sbs.mkv "testsrc2=size=160x90:rate=25"
clip right.mkv "testsrc=size=160x90:rate=25"
clip wide.mkv "testsrc2=size=320x90:rate=25"

size_of() { ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of csv=p=0:s=x "$1"; }
pixels() { ffmpeg -v error -i "$1" -f rawvideo -pix_fmt rgba - | md5sum | cut -d' ' -f1; }

# A square-pixel profile of the reference's size at 25 fps.
profile_for() {
    local w=${1%x*} h=${1#*x}
    printf '%s\n' description=test frame_rate_num=25 frame_rate_den=1 "width=$w" "height=$h" progressive=1 \
        sample_aspect_num=1 sample_aspect_den=1 "display_aspect_num=$w" "display_aspect_den=$h" colorspace=709 \
        >"profile-$1"
    echo "profile-$1"
}

# melt OUT FRAME SIZE ARGS...: frame FRAME of the melt command line ARGS, as an RGBA PNG.
melt_frame() {
    local out=$1 frame=$2 size=$3
    shift 3
    rm -f melt-*.png
    melt -silent -profile "$(profile_for "$size")" "$@" -consumer "avformat:melt-%04d.png" vcodec=png \
        pix_fmt=rgba real_time=0 2>melt.log </dev/null || { cat melt.log >&2; return 1; }
    if grep -q '^\[.*duovis\]' melt.log; then cat melt.log >&2; return 1; fi
    mv "$(printf 'melt-%04d.png' $((frame + 1)))" "$out"
}

failures=0
# One case: NAME FRAME, the duovis render arguments, `--`, then melt's (which render frames 0
# to FRAME, so that melt's positions are the frame numbers duovis uses).
check() {
    local name=$1 frame=$2
    shift 2
    local dargs=() margs=()
    while [ "$1" != -- ]; do dargs+=("$1"); shift; done
    shift
    margs=("$@")
    "$duovis" render "${dargs[@]}" --frame "$frame" --quiet -y -o "ref-$name.png"
    local size
    size=$(size_of "ref-$name.png")
    if ! melt_frame "melt-$name.png" "$frame" "$size" "${margs[@]}"; then
        echo "FAIL $name: melt refused the frame" >&2
        failures=$((failures + 1))
        return
    fi
    local got
    got=$(size_of "melt-$name.png")
    if [ "$got" != "$size" ] || [ "$(pixels "ref-$name.png")" != "$(pixels "melt-$name.png")" ]; then
        echo "FAIL $name: melt's $got frame differs from duovis render's $size frame" >&2
        failures=$((failures + 1))
    else
        echo "ok   $name ($size)"
    fi
}

# Every display type on a packed side-by-side frame, with a shift and a rotation at work.
for type in $(seq 1 14); do
    check "filter-type-$type" 0 sbs.mkv -p display_type=$type -p primary_demux_mode=2 -p hshift_pct_b=3 \
        -p rotate_l=1.5 -- sbs.mkv in=0 out=0 -filter duovis display_type=$type primary_demux_mode=2 \
        hshift_pct_b=3 rotate_l=1.5
done
check filter-choice-text 0 sbs.mkv -p "display_type=Anaglyph (Optimized)" -- \
    sbs.mkv in=0 out=0 -filter duovis "display_type=Anaglyph (Optimized)"
check filter-mono 0 sbs.mkv -p display_type=8 -p vshift_pct_r=4 -- \
    sbs.mkv in=0 out=0 -filter duovis display_type=8 vshift_pct_r=4
check filter-full-size-packed 0 wide.mkv -p display_type=8 -p primary_demux_mode=4 -- \
    wide.mkv in=0 out=0 -filter duovis display_type=8 primary_demux_mode=4
check filter-pixel-shift 0 sbs.mkv -p display_type=8 -p primary_demux_mode=2 -p vshift_px_r=9 -- \
    sbs.mkv in=0 out=0 -filter duovis display_type=8 primary_demux_mode=2 vshift_px_r=9
check filter-parallax-right-phase 5 sbs.mkv -p display_type=14 -p primary_demux_mode=2 -- \
    sbs.mkv out=5 -filter duovis display_type=14 primary_demux_mode=2

# The transition: the A track is the primary layer, the B track the second.
for type in 3 4 8 12; do
    check "transition-type-$type" 0 sbs.mkv --second right.mkv -p display_type=$type -p auto_crop=1 -- \
        sbs.mkv in=0 out=0 -track right.mkv in=0 out=0 -transition duovis a_track=0 b_track=1 \
        display_type=$type auto_crop=1
done

# A keyframed slider halfway between its keys renders as its static value there; the ends
# differ, so the keyframes are really followed.
check keyframed-midpoint 12 sbs.mkv -p display_type=8 -p primary_demux_mode=2 -p vshift_pct_r=1 -- \
    sbs.mkv out=12 -filter duovis display_type=8 primary_demux_mode=2 "vshift_pct_r=0=-4;24=6"
check keyframed-start 12 sbs.mkv -p display_type=8 -p primary_demux_mode=2 -p vshift_pct_r=-4 -- \
    sbs.mkv out=12 -filter duovis display_type=8 primary_demux_mode=2 vshift_pct_r=-4
if [ "$(pixels ref-keyframed-midpoint.png)" = "$(pixels ref-keyframed-start.png)" ]; then
    echo "FAIL keyframed: the shift changes nothing, so the midpoint proves nothing" >&2
    failures=$((failures + 1))
fi

# A refused value is one line naming the property, once, not a frame made without it.
melt -silent -profile "$(profile_for 160x90)" sbs.mkv in=0 out=2 -filter duovis vshift_pct_r=500 \
    -consumer "avformat:refused-%04d.png" vcodec=png pix_fmt=rgba 2>refused.log </dev/null || true
if [ "$(grep -c 'duovis: vshift_pct_r: 500 is outside -100..100' refused.log)" != 1 ]; then
    echo "FAIL refused value: expected one line naming vshift_pct_r, got:" >&2
    cat refused.log >&2
    failures=$((failures + 1))
fi

# MLT loads every module into its host's process (Kdenlive's and Shotcut's Qt among them):
# the module exports its entry point and nothing of the core it carries.
if command -v nm >/dev/null; then
    exported=$(nm -D --defined-only "$build/lib/mlt-7/libmltduovis.so" | awk '$2 ~ /^[TDBRVWiu]$/ && $3 !~ /^(__bss_start|_edata|_end|_init|_fini)$/ { print $3 }')
    if [ "$exported" != mlt_register ]; then
        echo "FAIL exports: expected only mlt_register, got: $exported" >&2
        failures=$((failures + 1))
    fi
fi

[ $failures -eq 0 ] && echo "melt parity: all cases byte-identical" || { echo "$failures case(s) failed" >&2; exit 1; }
