#!/bin/sh
# The layers as CONTRIBUTING.md draws them: each folder includes only from the layers it
# may use, and process/ and guard/ include no header of Qt's Gui or Widgets modules.
#   check_layers.sh SOURCE_DIR QTGUI_INCLUDE_DIR QTWIDGETS_INCLUDE_DIR
set -eu
src=$1
gui=${2:-/nonexistent}
widgets=${3:-/nonexistent}
found=$(
  for layer in process guard skin app cli; do
    case $layer in
    process) may="process" ;;
    guard) may="process guard" ;;
    skin) may="process skin" ;; # process/platform.h only: the font differs by platform
    app) may="process guard skin app" ;;
    cli) may="process guard cli" ;;
    esac
    for file in "$src/$layer"/*.h "$src/$layer"/*.cpp; do
      sed -n 's/^#include "\([a-z]*\/[^"]*\)".*/\1/p' "$file" | while read -r included; do
        used=${included%%/*}
        case " $may " in *" $used "*) ;; *) echo "$file includes from $used/" ;; esac
        if [ "$layer/$used" = skin/process ] && [ "$included" != process/platform.h ]; then echo "$file includes $included"; fi
      done
      case $layer in process | guard)
        sed -n 's/^#include <\(Q[A-Za-z]*\)>.*/\1/p' "$file" | while read -r header; do
          if [ -e "$gui/$header" ] || [ -e "$widgets/$header" ]; then echo "$file includes $header, a Gui or Widgets header"; fi
        done ;;
      esac
    done
  done
)
[ -z "$found" ] || { echo "FAIL: $found"; exit 1; }
