#!/bin/sh
# A file opener that notes the folder it runs in, keeps running until the
# file "$1.done" appears, and then ends with status 4 (xdg-open's "the
# action failed").
pwd > "$1.cwd.tmp" && mv "$1.cwd.tmp" "$1.cwd"
while [ ! -e "$1.done" ]; do sleep 0.05; done
exit 4
