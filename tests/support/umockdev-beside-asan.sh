#!/bin/sh
# Runs a sanitizer-built test program under umockdev-wrapper: AddressSanitizer is told not to
# insist on being the first library loaded, since umockdev's preload comes before it.
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0" exec umockdev-wrapper "$@"
