#!/usr/bin/env bash
# Stops the farm tests' cluster and fails if any of its daemons is still running after.
# usage: farm_cluster_stop.sh scripts/slurm-local   (DUOVIS_SLURM_DIR names its state folder)
set -euo pipefail
"$1" stop
dir=${DUOVIS_SLURM_DIR:-/tmp/duovis-slurm}
left=$(ps -eo pid=,args= | grep -E "(munged|slurmctld|slurmd)( .*)?$dir/" | grep -v grep || true)
[ -z "$left" ] || { echo "still running after stop:" >&2; echo "$left" >&2; exit 1; }
echo "the farm tests' cluster is stopped"
