#!/usr/bin/env bash
# Rewrites the screenshots of the report page's figures shown in README.md:
# runs the program for one answer per kind of figure in a fresh working
# directory, cuts the first figures out of its out.html and renders them with
# headless Chromium. The published data are linked from $R7_DATA or
# data/published.
#
#   doc/figures/make_figures.sh R7_BINARY
set -euo pipefail
if [ $# -ne 1 ] || [ ! -x "$1" ]; then
  echo "usage: $0 R7_BINARY" >&2
  exit 2
fi
bin="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
source "$root/bench/common.sh"
find_data
browser="$(command -v chromium || command -v chromium-browser || true)"
[ -n "$browser" ] || { echo "$0: Chromium is not installed" >&2; exit 1; }

# name answer figures width height [options of the run]
shoot() {
  local name="$1" answer="$2" count="$3" width="$4" height="$5" options="${6:-}" dir
  dir="$(mktemp -d)"
  prepare_dir "$dir"
  if [ -n "$options" ]; then
    # shellcheck disable=SC2086
    (cd "$dir" && "$bin" "$answer" $options < /dev/null > /dev/null)
  else
    (cd "$dir" && echo "$answer" | "$bin" > /dev/null)
  fi
  # The first $count figures, side by side.
  {
    echo '<!DOCTYPE html><html><head><meta charset="utf-8"/><style>'
    echo 'body{margin:4px;background:#fff} figure{margin:0} .grid{display:flex;gap:6px;align-items:flex-start} svg{border:1px solid #ccc}</style></head><body><div class="grid">'
    awk -v n="$count" '/^<figure>/{k++; on = k <= n} on{print} /^<\/figure>/{on=0}' "$dir/out.html"
    echo '</div></body></html>'
  } > "$dir/fig.html"
  "$browser" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync --hide-scrollbars \
    --user-data-dir="$dir/profile" --window-size="$width,$height" \
    --screenshot="$here/$name.png" "file://$dir/fig.html" > /dev/null 2>&1
  rm -rf "$dir"
  echo "$here/$name.png"
}

shoot transits 12 3 1106 442
shoot transit-site 12 4 1470 452 "--from 2000 --to 2020 --ut --site 45.5,-73.58"
shoot transit-chart 170 1 912 392
shoot transit-overview -804 1 912 392
shoot giza 3 1 652 552
shoot chambers 10 2 1560 552
shoot syzygies 13 2 1300 432
shoot teotihuacan 20 2 1818 452
