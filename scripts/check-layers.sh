#!/usr/bin/env bash
# Fails when a product source includes a header of a layer it must not depend on:
#   app      -> app, media, cutting, ui, controls, common, art, and the control's contract header
#   ui, cutting, media, controls -> their own folder and common (ui/chrome may also use the
#               general helpers cutting/Functions*.h; cutting/clip only itself and common)
#   tavrel, common -> their own folder and common
#   installer -> the control's registry table (tavrel/RegistryLayout.h) and common
# Only quoted includes with a folder are layer crossings; system headers are not checked.
set -euo pipefail
cd "$(dirname "$0")/.."

# The one header of the control library the program may include.
control_contract="tavrel/Contract.h"

allowed() { # allowed <source> <included>
    local source=$1 included=$2
    case "$source" in
    app/*) case "$included" in
        app/* | media/* | cutting/* | ui/* | controls/* | common/* | art/* | "$control_contract") return 0 ;;
        esac ;;
    ui/chrome/*) case "$included" in
        ui/chrome/* | common/* | cutting/Functions.h | cutting/FunctionsWin.h) return 0 ;;
        esac ;;
    ui/subclass/*) case "$included" in ui/subclass/* | common/*) return 0 ;; esac ;;
    cutting/clip/*) case "$included" in cutting/clip/* | common/*) return 0 ;; esac ;;
    cutting/*) case "$included" in cutting/* | common/*) return 0 ;; esac ;;
    media/*) case "$included" in media/* | common/*) return 0 ;; esac ;;
    controls/slider/*) case "$included" in controls/slider/* | common/*) return 0 ;; esac ;;
    tavrel/*) case "$included" in tavrel/* | common/*) return 0 ;; esac ;;
    common/*) case "$included" in common/*) return 0 ;; esac ;;
    installer/*) case "$included" in tavrel/RegistryLayout.h | common/*) return 0 ;; esac ;;
    *) return 0 ;; # tests, benchmarks and artwork are not layers
    esac
    return 1
}

failures=0
while IFS= read -r source; do
    while IFS= read -r included; do
        if ! allowed "$source" "$included"; then
            echo "layering: $source includes \"$included\"" >&2
            failures=$((failures + 1))
        fi
    done < <(sed -nE 's/^[[:space:]]*#[[:space:]]*include[[:space:]]+"([^"]+\/[^"]+)".*/\1/p' "$source")
done < <(git ls-files --cached --others --exclude-standard -- app ui cutting media controls tavrel common installer |
    grep -E '\.(cpp|h|rc|in)$')

if [ "$failures" -gt 0 ]; then
    echo "layering: $failures include(s) cross the allowed direction" >&2
    exit 1
fi
