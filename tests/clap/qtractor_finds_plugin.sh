#!/usr/bin/env bash
# Qtractor's plug-in scanner, a headless CLAP host, loads quillbeat.clap,
# initialises it and describes it: it must list Quillbeat with 2 audio inputs,
# 2 audio outputs and 12 parameters. The scanner crashes when a plug-in's
# entry fails to start, and may say nothing at all, so the line is what
# counts, not only the status.
#
#   qtractor_finds_plugin.sh PATH_OF_QUILLBEAT.CLAP [SCANNER]
set -uo pipefail
plugin="$1"
scanner="${2:-/usr/lib/x86_64-linux-gnu/qtractor/qtractor_plugin_scan}"

[ -f "$plugin" ] || { echo "FAIL: no $plugin"; exit 1; }
listing="$(printf 'CLAP:%s\n' "$plugin" | "$scanner" 2>&1)"
status=$?
# CLAP|name|audio in:out|MIDI in:out|controls in:out|flags|path|index|ID
line="$(grep '^CLAP|' <<<"$listing" | head -n 1)"
IFS='|' read -r _ name audio _ controls _ <<<"$line"
if [ "$status" -ne 0 ] || [ "$name" != Quillbeat ] || [ "$audio" != 2:2 ] || [ "${controls%%:*}" != 12 ]; then
  echo "FAIL: the scanner (status $status) did not list Quillbeat with 2:2 audio and 12 parameters from $plugin:"
  echo "$listing"
  exit 1
fi
echo "ok   $line"
