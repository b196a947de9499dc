#!/bin/sh
# ondulite-render as the guest's probe runs it: the same arguments, the
# pictures made by this machine's host with its native ondulite-render, the
# reference (tools/test-win32.sh answers). The request goes into the shared
# folder as one argument a line; the host writes the pictures into a folder
# of the request's own, and they are copied to where -o asked for them.
set -u
folder=$(dirname "$0")/render
request=$folder/$(date +%s%N)-$$
output=""
taken=""
for argument in "$@"; do
  [ "$taken" = -o ] && output=$argument
  taken=$argument
done
printf '%s\n' "$@" >"$request.tmp"
mv "$request.tmp" "$request.args"
tries=0
until [ -e "$request.status" ]; do
  tries=$((tries + 1))
  if [ "$tries" -gt 1200 ]; then
    echo "render.sh: no answer from the host" >&2
    exit 2
  fi
  sleep 0.1
done
status=$(cat "$request.status")
cat "$request.log" >&2
if [ -n "$output" ] && [ -d "$request.out" ]; then
  for file in "$request.out"/*; do
    [ -e "$file" ] && cp "$file" "$(dirname "$output")/"
  done
fi
rm -rf "$request.status" "$request.log" "$request.out"
exit "$status"
