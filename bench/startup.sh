#!/usr/bin/env bash
# Start-up and idle cost of Pocosa against a minimal Qt window, under Xvfb.
# Builds nothing: run `make build` first. Usage: bench/startup.sh [BUILD_DIR] [RUNS]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
runs=${2:-10}
exec python3 "$here/startup_measure.py" "$build" "$runs"
