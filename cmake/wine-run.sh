#!/usr/bin/env bash
# Runs a Windows program under Wine, quietly, and with its exit status.
export WINEDEBUG=-all
exec wine "$@"
