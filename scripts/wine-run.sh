#!/usr/bin/env bash
# Runs a Windows program in the project's Wine environment (CTest's emulator for the win32 tree).
source "$(dirname "$0")/wine-common.sh"
wine_tool wine "$@"
