#!/bin/sh
# The tests' stand-in for a web browser and a mail program under Wine.
# Wine's winebrowser hands every web and mail address to the programs listed
# under HKCU\Software\Wine\WineBrowser; while a test runs (LinkRecorder.h)
# both lists name only this script, which appends one line per address.
#   link-recorder.sh LOG KIND ADDRESS     KIND: web or mail
printf '%s %s\n' "$2" "$3" >>"$1"
