#!/usr/bin/env bash
# The regression guard: a run of seconds on small corpora of every shape but
# the million one. Run it before and after any change to the engine and
# compare the tables; bench/README.md says what each column means.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
exec "$here/compare.sh" --name quick --runs 3 --timeout 30 "$@" \
  photos:0.1 onesize:0.25 large:0.05 tails:0.25 tiny:0.2
