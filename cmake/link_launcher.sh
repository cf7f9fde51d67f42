#!/bin/sh
# Link launcher of the win32 build: runs the link command with
# SOURCE_DATE_EPOCH from the version stamp, the time MinGW's ld writes into
# the PE header.   link_launcher.sh EPOCH_FILE COMMAND...
epoch_file=$1
shift
if [ -f "$epoch_file" ]; then
    SOURCE_DATE_EPOCH=$(cat "$epoch_file")
    export SOURCE_DATE_EPOCH
fi
exec "$@"
