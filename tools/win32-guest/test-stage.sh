#!/bin/sh
# test-stage.sh SHARE: a test boot's work in the guest (tools/test-win32.sh).
# Runs each line of SHARE/groups, "NAME COMMAND...", with the output in
# SHARE/results/NAME.log, its status in NAME.status and its seconds in
# NAME.seconds. In a command, $probe stands for the 32-bit probe (run through
# Wine) with the programs beside it, $saver for the saver under test, $work
# for a scratch folder, $render for ondulite-render (answered by the host,
# render.sh) and $tree for the project's files that the share carries.
# Every command runs on one virtual display of 641x481: an odd size, so
# the full-screen picture is made a column and a line larger and clipped.
set -u
share=$1
tree=$share/tree
. "$tree/tools/wine-env.sh"
# The probe's limits for what must happen, scaled: Wine runs many times
# slower on an emulated processor.
ONDULITE_TIME_SCALE=$(cat "$share/time-scale")
export ONDULITE_TIME_SCALE
mkdir -p "$share/results"

# The programs on the guest's own disk: Wine maps them, and the share is slow.
programs=/tmp/programs
mkdir -p "$programs"
cp "$share"/programs/* "$programs/"
probe="sh $tree/tools/wine-run.sh $programs/ondulite-probe.exe"
saver=$programs/ondulite.scr
render=$share/render.sh
echo "guest: $(uname -m), $(grep -c ^processor /proc/cpuinfo) processor(s): $(sed -n 's/^model name[^:]*: //p' /proc/cpuinfo | head -n1)"
echo "guest: $(wine --version)"

start_xvfb 641x481 || exit 1
prepare_wine_prefix /root/.wine || exit 1

while read -r name command; do
  [ -n "$name" ] || continue
  work=/tmp/work-$name
  mkdir -p "$work"
  echo "== $name: $command"
  begin=$(date +%s)
  status=0
  eval "$command" >"$share/results/$name.log" 2>&1 </dev/null || status=$?
  echo "$status" >"$share/results/$name.status"
  echo $(($(date +%s) - begin)) >"$share/results/$name.seconds"
  echo "== $name: status $status in $(cat "$share/results/$name.seconds") s"
  rm -rf "$work"
done <"$share/groups"
stop_wine_and_xvfb
