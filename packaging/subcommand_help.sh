#!/bin/sh
# Writes a help2man include file with the --help of each subcommand of a program, so
# that its manual page documents every subcommand's options, not only the first level.
# Usage: subcommand_help.sh PROGRAM OUTPUT SUBCOMMAND...
set -eu
program=$1
output=$2
shift 2
{
    echo '[SUBCOMMANDS]'
    for sub in "$@"; do
        echo ".SS $sub"
        echo '.nf'
        # Backslashes and leading dots or quotes would be read as roff requests.
        "$program" "$sub" --help | sed -e 's/\\/\\e/g' -e "s/^\([.']\)/\\\\\&\1/"
        echo '.fi'
    done
} >"$output.tmp"
mv "$output.tmp" "$output"
