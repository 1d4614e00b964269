#!/usr/bin/env bash
# The bitmap reader's fuzz target alone (see scripts/fuzz.sh).
#
#   scripts/fuzz-bmp.sh [SECONDS]     run time, 60 by default
exec "$(dirname "$0")/fuzz.sh" "${1:-60}" bmp_reader_fuzz
