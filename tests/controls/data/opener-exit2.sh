#!/bin/sh
# A file opener that reports a missing file, as xdg-open does with status 2.
exit 2
