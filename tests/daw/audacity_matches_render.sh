#!/usr/bin/env bash
# Audacity, headless, applies the installed plug-in to a selection as a user
# does (import, select all, apply, export as float WAV). The export must
# equal, bit for bit, our host's replay of the block sequence that the
# block-recorder probe recorded inside Audacity, and quillbeat-render at
# Audacity's block size. One Audacity start per case, each with settings of
# its own; the cases that must not match prove that the checks can fail.
#
#   tests/daw/audacity_matches_render.sh [BUILD_DIR]
#
# BUILD_DIR (default build) holds quillbeat-render, the probes and the
# replay. The plug-ins under test are the installed ones unless named:
#   AUDACITY_VST    the VST 2 file (default /usr/lib/vst/quillbeat.so)
#   AUDACITY_LV2    the LV2 bundle (default /usr/lib/lv2/quillbeat.lv2)
#   AUDACITY_CASES  a regular expression: only the cases it finds run
set -uo pipefail
cd "$(dirname "$0")/../.."

build=${1:-build}
source tests/support/fresh_folder.sh
work=$(fresh_folder "$build/audacity-test") || exit 1
render="$build/quillbeat-render"
replay="$build/tests/daw/quillbeat-daw-replay"
probes=$(cd "$build/tests/daw/probes" && pwd) || { echo "no probes in $build: build it first"; exit 1; }
vst_file=${AUDACITY_VST:-/usr/lib/vst/quillbeat.so}
lv2_bundle=${AUDACITY_LV2:-/usr/lib/lv2/quillbeat.lv2}
for needed in "$vst_file" "$lv2_bundle" "$render" "$replay"; do
  [ -e "$needed" ] || { echo "FAILED: $needed is missing"; exit 1; }
done

# Each case: a name; the edition Audacity applies (vst, lv2, or none: the
# plain input is exported); Audacity's block size; the values set in
# Audacity and those the references are made with, as index=value ("-":
# none); and whether the export must match the references.
cases=(
  "vst2-initial-values  vst  8192  -                       -                       match"
  "lv2-manual           lv2  8192  10=0,1=0.3,4=0.25       10=0,1=0.3,4=0.25       match"
  "lv2-random           lv2  8192  10=0.5,11=0.7           10=0.5,11=0.7           match"
  "lv2-block-1000       lv2  1000  10=0,6=0.4,9=0.5,11=1   10=0,6=0.4,9=0.5,11=1   match"
  "changed-value        lv2  8192  10=0,1=0.3,4=0.25       10=0,1=0.3,4=0.5        differ"
  "plain-input          none 8192  -                       -                       differ"
)
# The parameters' names (the LV2 port symbols) and initial values, by index.
mapfile -t parameters < <("$render" --plugin "$vst_file" --info | awk '/^Programs:/ { exit } /^ +[0-9]+  / { print $2, $NF }')
[ ${#parameters[@]} -eq 12 ] || { echo "FAILED: quillbeat-render --info lists ${#parameters[@]} parameters"; exit 1; }

# Audacity's settings, projects and scripting pipes stay inside the work
# folder; it starts in a folder of its own, since it also looks for LV2
# bundles in ./lv2 of its working folder.
export HOME="$work/home"
config="$HOME/.config/audacity"
mkdir -p "$config" "$work/cwd" "$work/projects" "$work/vst"
# Audacity searches VST folders to any depth: one of links to what it needs.
ln -s "$(realpath "$vst_file")" "$work/vst/quillbeat.so"
ln -s "$probes"/*.so "$work/vst/"
export VST_PATH="$work/vst"
if [ "$lv2_bundle" != /usr/lib/lv2/quillbeat.lv2 ]; then
  # Audacity always looks in /usr/lib/lv2 too, and of two bundles with one
  # URI it loads the installed one.
  [ -e /usr/lib/lv2/quillbeat.lv2 ] && { echo "FAILED: Audacity would load the installed bundle, not $lv2_bundle"; exit 1; }
  LV2_PATH=$(dirname "$(realpath "$lv2_bundle")")
  export LV2_PATH
fi
module=/usr/lib/audacity/modules/mod-script-pipe.so
to_audacity="/tmp/audacity_script_pipe.to.$(id -u)"
from_audacity="/tmp/audacity_script_pipe.from.$(id -u)"

# The profile Audacity starts with: the scripting module on (with the
# module's date, or Audacity asks first), no welcome window, the version
# written (or it takes the profile for an old one), float WAV export.
write_profile() {
  cat >"$config/audacity.cfg" <<EOF
PrefsVersion=1.1.1r1
[Version]
Major=3
Minor=2
Micro=4
[GUI]
ShowSplashScreen=0
[Directories]
TempDir=$work/projects
[FileFormats/ExportFormat_SF1_Type]
WAV_10000=6
[Module]
mod-script-pipe=1
[ModulePath]
mod-script-pipe=$module
[ModuleDateTime]
mod-script-pipe=$(date -r "$module" +%Y-%m-%dT%H:%M:%S)
EOF
}

# A plug-in settings group: Audacity names it by the base64 of the family,
# the vendor and (for a plug-in's own settings) the name.
settings_group() { printf '[pluginsettings/base64\\:%s/%s]\n' "$(printf %s "$1" | base64 -w0 | sed 's/=/\\=/g')" "$2"; }

# write_plugin_settings BLOCK VALUES: the block size, per vendor, and every
# input port of the LV2 edition (all must be listed), as Audacity keeps the
# current settings.
write_plugin_settings() {
  local group index values=() setting
  {
    echo "pluginsettingsversion=1.0"
    for group in "Effect_VST_Orvane_ Options" "Effect_LV2_Orvane_ Settings" "Effect_VST_Quillbeat Tests_ Options"; do
      settings_group "${group% *}" "shared/${group##* }"
      echo "BufferSize=$1"
    done
    for index in "${!parameters[@]}"; do values[index]=${parameters[index]#* }; done
    for setting in ${2//,/ }; do [ "$setting" = - ] || values[${setting%%=*}]=${setting#*=}; done
    # Without factory defaults Audacity takes the plug-in for a new one and
    # sets its current settings to them.
    settings_group Effect_LV2_Orvane_Quillbeat private/FactoryDefaults
    echo "Initialized=1"
    settings_group Effect_LV2_Orvane_Quillbeat private/CurrentSettings
    printf 'Parameters='
    for index in "${!parameters[@]}"; do printf '%s="%s" ' "${parameters[index]%% *}" "${values[index]}"; done
    echo
  } >"$config/pluginsettings.cfg"
}

# enable_edition FAMILY: of the plug-ins named Quillbeat (both editions
# register under that name, and the LV2 one would win), only the FAMILY one
# found where the test looks stays on.
enable_edition() {
  python3 - "$work/registry.cfg" "$config/pluginregistry.cfg" "$1" "$work/vst/quillbeat.so;" <<'EOF'
import sys
source, target, family, vst_path = sys.argv[1:]
sections = open(source).read().split("\n[")
for i, section in enumerate(sections):
    fields = dict(line.split("=", 1) for line in section.splitlines()[1:] if "=" in line)
    if fields.get("Name") == "Quillbeat":
        wanted = fields.get("EffectFamily") == family and (family != "VST" or fields["Path"].startswith(vst_path))
        sections[i] = section.replace("Enabled=" + fields["Enabled"], "Enabled=" + str(int(wanted)))
open(target, "w").write("\n[".join(sections))
EOF
}

# One virtual display for every start; Xvfb picks a free display number.
Xvfb -displayfd 5 -nolisten tcp 5>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { cat "$work/xvfb.log"; echo "FAILED: Xvfb did not start"; exit 1; }
DISPLAY=":$(cat "$work/display")"
export DISPLAY

audacity_pid=""
stop_audacity() {
  exec 3>&- 4<&-
  if [ -n "$audacity_pid" ]; then
    kill "$audacity_pid" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$audacity_pid" 2>/dev/null || break; sleep 0.2; done
    kill -KILL "$audacity_pid" 2>/dev/null
    wait "$audacity_pid" 2>/dev/null
  fi
  audacity_pid=""
}
trap 'stop_audacity; kill "$xvfb_pid"' EXIT

# Reads one answer up to its last line, "BatchCommand finished: ..."; fails
# unless that says OK. Empty lines between answers are skipped.
read_answer() {
  local line
  while IFS= read -r -t 120 line <&4; do
    [ -n "$line" ] && printf '%s\n' "$line"
    [[ "$line" == "BatchCommand finished: "* ]] && { [ "$line" = "BatchCommand finished: OK" ]; return; }
  done
  echo "no answer"
  return 1
}

# send COMMAND: sends one command and prints its answer.
send() {
  printf '%s\n' "$1" >&3
  read_answer
}

# Starts Audacity and connects to its scripting pipes. Commands sent before
# its main window shows get an empty answer, so a numbered message is sent
# again until its own answer comes.
start_audacity() {
  rm -rf "$to_audacity" "$from_audacity" "$work/projects"/*
  (cd "$work/cwd" && exec audacity) >>"$work/audacity.log" 2>&1 &
  audacity_pid=$!
  for _ in $(seq 100); do [ -p "$from_audacity" ] && break; sleep 0.2; done
  [ -p "$from_audacity" ] || return 1
  # Opened for reading and writing, neither waits for Audacity's end: if it
  # dies, the reads below run out of time instead of hanging.
  exec 3<>"$to_audacity" 4<>"$from_audacity"
  local attempt line
  for attempt in $(seq 120); do
    printf 'Message: Text=ready%d\n' "$attempt" >&3
    while IFS= read -r -t 1 line <&4; do
      [ "$line" = "ready$attempt" ] && read_answer >/dev/null && return 0
    done
  done
  return 1
}

# samples_compare A B: how many samples of two float WAV files differ, zeros
# of either sign being equal (Audacity's mixing turns -0 into +0).
samples_compare() {
  python3 - "$1" "$2" <<'EOF'
import array, struct, sys
def samples(path):
    data, at = open(path, "rb").read(), 12
    while at < len(data):
        kind, size = data[at:at + 4], struct.unpack("<I", data[at + 4:at + 8])[0]
        if kind == b"data":
            return array.array("f", data[at + 8:at + 8 + size])
        at += 8 + size + (size & 1)
a, b = samples(sys.argv[1]), samples(sys.argv[2])
print(abs(len(a) - len(b)) + sum(x != y for x, y in zip(a, b)))
EOF
}

# The scan start: Audacity registers every plug-in it finds, once; each case
# starts from the registry it leaves.
write_profile
scan_start=$(date +%s)
if ! start_audacity; then
  tail -n 20 "$work/audacity.log"
  echo "FAILED: Audacity did not answer on its scripting pipe"
  exit 1
fi
stop_audacity
cp "$config/pluginregistry.cfg" "$work/registry.cfg"
echo "Audacity's first start, with its plug-in scan: $(($(date +%s) - scan_start)) s"

# Any stereo file of 3 s: Audacity replaces its samples by the test signal
# that the replay knows.
"$render" -q --seconds 3 "$work/input.wav"

failures=0
for entry in "${cases[@]}"; do
  read -r name edition block audacity_values reference_values expect <<<"$entry"
  [[ "$name" =~ ${AUDACITY_CASES:-.} ]] || continue
  dir="$work/$name"
  mkdir -p "$dir"
  case_start=$(date +%s)
  write_profile
  write_plugin_settings "$block" "$audacity_values"
  enable_edition "$([ "$edition" = lv2 ] && echo LV2 || echo VST)"
  export QUILLBEAT_BLOCK_LOG="$dir/blocks.log"
  if ! start_audacity; then
    echo "FAIL [$name]: Audacity did not start"
    failures=$((failures + 1))
    continue
  fi
  {
    send "Import2: Filename=$work/input.wav" &&
      send "SelectAll:" &&
      send "QbTestSignal:" &&
      send "Export2: Filename=$dir/test-signal.wav NumChannels=2" &&
      { [ "$edition" = none ] || send "Quillbeat:"; } &&
      send "QbBlockRecorder:" &&
      send "Export2: Filename=$dir/export.wav NumChannels=2"
  } >"$dir/commands.log"
  status=$?
  stop_audacity
  if [ $status -ne 0 ]; then
    echo "FAIL [$name]: Audacity refused a command:"
    tail -n 5 "$dir/commands.log"
    failures=$((failures + 1))
    continue
  fi

  # The references: the recorded block sequence replayed through the VST 2
  # file, and quillbeat-render at the block size.
  reference_settings=() render_settings=()
  for setting in ${reference_values//,/ }; do
    [ "$setting" = - ] || reference_settings+=("$setting") render_settings+=(--param "$setting")
  done
  "$replay" "$vst_file" "$dir/blocks.log" "$dir/export.wav" 0 "${reference_settings[@]}" >"$dir/replay.log" 2>&1
  replay_status=$?
  "$render" -q --plugin "$vst_file" --block "$block" "${render_settings[@]}" "$dir/test-signal.wav" "$dir/render.wav"
  render_differences=$(samples_compare "$dir/export.wav" "$dir/render.wav")
  unchanged=$(samples_compare "$dir/export.wav" "$dir/test-signal.wav")
  summary="replay: $(tail -n 1 "$dir/replay.log"); render: $render_differences samples differ;"
  summary+=" $(($(date +%s) - case_start)) s"
  as_expected=0
  if [ "$expect" = match ]; then
    [ $replay_status -eq 0 ] && [ "$render_differences" = 0 ] && [ "$unchanged" != 0 ] && as_expected=1
  else
    [ $replay_status -ne 0 ] && [ "$render_differences" != 0 ] && as_expected=1
  fi
  if [ $as_expected = 1 ]; then
    echo "ok   [$name] $summary"
  else
    echo "FAIL [$name] (should $expect) $summary"
    failures=$((failures + 1))
  fi
done
exit $((failures > 0))
