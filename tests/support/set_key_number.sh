#!/bin/sh
# Copies a "SIGNATURE.DAT" from stdin to stdout with its key number (the first
# two bytes, little-endian) replaced by $1.
set -e
printf "\\$(printf '%03o' $(($1 & 255)))\\$(printf '%03o' $(($1 >> 8)))"
tail -c +3
