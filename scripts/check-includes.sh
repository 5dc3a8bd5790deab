#!/usr/bin/env bash
# Checks that the libraries under src/ include only the folders they may
# depend on. Dependencies point one way, base at the bottom:
#   main -> graphics, input, news_api, update, window;
#   window -> graphics, input;  update -> news_api;
#   extraction -> html, news_api;  feeds -> html (the parser, for item text), news_api;
#   releases -> update (the version rules), news_api;
#   news_server -> feeds, releases, extraction, html, news_api;
#   everything -> base;  nothing points back into main or news_server.
# A folder that is not listed below fails the check until it is given its row.
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A allowed=(
  [base]="base"
  [news_api]="base news_api"
  [graphics]="base graphics"
  [input]="base input"
  [update]="base news_api update"
  [window]="base graphics input window"
  [main]="base graphics input news_api update window main"
  [html]="base html"
  [extraction]="base news_api html extraction"
  [feeds]="base news_api html feeds"
  [releases]="base news_api update releases"
  [news_server]="base news_api html extraction feeds releases news_server"
)

status=0
for dir in src/*/; do
  folder=$(basename "$dir")
  if [ -z "${allowed[$folder]+set}" ]; then
    echo "src/$folder: no dependency rule for this folder in $0" >&2
    status=1
    continue
  fi
  # Every project include names its folder first: #include "graphics/font.h".
  while IFS=: read -r file line included; do
    target=${included%%/*}
    if [ -d "src/$target" ] && [[ " ${allowed[$folder]} " != *" $target "* ]]; then
      echo "$file:$line: src/$folder must not include $included" >&2
      status=1
    fi
  done < <(grep -rnoE '^#include "[a-z_]+/[^"]+"' "$dir" | sed -E 's/#include "([^"]+)"/\1/')
done
[ "$status" -eq 0 ] && echo "include rules: every library includes only what it may depend on"
exit "$status"
