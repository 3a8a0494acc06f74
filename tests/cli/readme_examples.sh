#!/usr/bin/env bash
# Runs the `sh` blocks of the README's "Using duovis", parallax tool and engine sections verbatim, in order and in one
# shell, as a new user would right after scripts/setup-and-run: in a fresh folder where
# ./build is the build and the demo has written ./duovis-demo. A block opened with
# "```sh no-run" is skipped; with --no-opencl so are blocks that use the OpenCL engine, and
# blocks that run melt where it is not installed. scripts/ is there as in a checkout.
#
# usage: readme_examples.sh README.md scripts/setup-and-run BUILD_DIR [--no-opencl]
set -euo pipefail
readme=$(realpath "$1") setup=$(realpath "$2") build=$(realpath "$3") opencl=${4:-}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
ln -s "$build" build
ln -s "$(dirname "$setup")" scripts
# The parameter clipboard lives under ProgramData: keep the examples' copy out of the machine's.
export ProgramData="$work/ProgramData"
mkdir -p "$ProgramData"
export QT_QPA_PLATFORM=offscreen
# The tool link's sockets live in the temporary folder: keep them apart from other tests'.
export TMPDIR="$work"

# The main job, as the set-up script runs it.
grep '^\./build/bin/' "$setup" >main-job.sh
[ -s main-job.sh ] || { echo "no ./build/bin command in $setup" >&2; exit 1; }
bash -euo pipefail main-job.sh >/dev/null

mkdir blocks
awk -v dir=blocks '
    /^## / { usage = ($0 ~ /^## Using `duovis`/ || $0 ~ /^## The parallax tool/ || $0 ~ /^## In Kdenlive, Shotcut, melt/) }
    usage && !inblock && /^```sh[ \t]*$/ { inblock = 1; ++n; file = sprintf("%s/%02d.sh", dir, n); next }
    usage && !inblock && /^```sh[ \t]+no-run[ \t]*$/ { skipping = 1; next }
    skipping && /^```[ \t]*$/ { skipping = 0; next }
    inblock && /^```[ \t]*$/ { inblock = 0; close(file); next }
    inblock { print > file }
' "$readme"
shopt -s nullglob
blocks=(blocks/*.sh)
[ ${#blocks[@]} -gt 0 ] || { echo "no sh blocks under the usage heading of $readme" >&2; exit 1; }

ran=()
{
    echo 'set -eEuo pipefail'
    echo 'trap '\''echo "README example failed (exit $?): $BASH_COMMAND" >&2'\'' ERR'
    for b in "${blocks[@]}"; do
        if [ "$opencl" = --no-opencl ] && grep -q -- '--engine opencl' "$b"; then
            echo "echo 'skipped (no OpenCL in this build): README block $(basename "$b")'"
            continue
        fi
        # A sanitized build's engine modules cannot be loaded by the system's melt and gst-launch.
        if [ -n "${DUOVIS_README_NO_ENGINES:-}" ] && grep -qE '^melt |host-env|gst-' "$b"; then
            echo "echo 'skipped (no engines in this build): README block $(basename "$b")'"
            continue
        fi
        if grep -q '^melt ' "$b" && ! command -v melt >/dev/null; then
            echo "echo 'skipped (melt is not installed): README block $(basename "$b")'"
            continue
        fi
        if grep -q '^gst-launch-1.0 ' "$b" && ! command -v gst-launch-1.0 >/dev/null; then
            echo "echo 'skipped (gst-launch-1.0 is not installed): README block $(basename "$b")'"
            continue
        fi
        ran+=("$b")
        echo "echo '== README block $(basename "$b")'"
        cat "$b"
    done
} >examples.sh
bash examples.sh

# Every output an example names must be there (a pattern: at least one of its frames).
status=0
for out in $(cat "${ran[@]}" | grep -o -- '-o [^ ]*' | cut -d' ' -f2 | sort -u); do
    compgen -G "$(sed -E 's/%0?[0-9]*d/*/; s/#+/*/' <<<"$out")" >/dev/null ||
        { echo "README example output missing: $out" >&2; status=1; }
done
[ $status -eq 0 ] && echo "README examples: ${#ran[@]} blocks ran"
exit $status
