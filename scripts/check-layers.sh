#!/usr/bin/env bash
# Fails when a file includes a header of a layer above its own:
#   zuvio_protocol (remote/RemotePackets, remote/HostPort)
#                                only itself and core/Messages.h
#   core/                        only core/ and the protocol library
#   playback/ playlist/ remote/ devices/ net/ extensions/ osc/ dmx/ sync/
#                                core/ and one another, never ui/ or app/
#   ui/                          anything but app/
# and when a widget-free file includes a QtWidgets header.
set -uo pipefail
cd "$(dirname "$0")/../src"

qt_headers=${QT_HEADERS:-$(qmake6 -query QT_INSTALL_HEADERS 2>/dev/null || echo /usr/include/x86_64-linux-gnu/qt6)}
widgets_dir=$qt_headers/QtWidgets
[ -d "$widgets_dir" ] || { echo "check-layers: no QtWidgets headers at $widgets_dir" >&2; exit 2; }
declare -A widget_header=()
for h in "$widgets_dir"/*; do widget_header[$(basename "$h")]=1; done

bad=0
flag() { echo "layer violation: $1 includes $2 ($3)"; bad=1; }

for file in $(find core playback playlist remote devices net extensions osc dmx sync ui -name '*.h' -o -name '*.cpp' | sort); do
  layer=${file%%/*}
  protocol=0
  case $file in remote/RemotePackets.* | remote/HostPort.*) protocol=1 ;; esac
  while IFS= read -r line; do
    if [[ $line =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([^\"]+)\" ]]; then
      inc=${BASH_REMATCH[1]}
      top=${inc%%/*}
      [ "$top" = "$inc" ] && continue # a sibling without folder: same layer
      if [ $protocol = 1 ]; then
        case $inc in remote/RemotePackets.h | remote/HostPort.h | core/Messages.h) ;;
          *) flag "$file" "$inc" "the protocol library stands alone" ;; esac
      elif [ "$layer" = core ] && [ "$top" != core ] &&
        [ "$inc" != remote/RemotePackets.h ] && [ "$inc" != remote/HostPort.h ]; then
        flag "$file" "$inc" "core includes only core and the protocol library"
      elif [ "$layer" = ui ] && [ "$top" = app ]; then
        flag "$file" "$inc" "ui never includes start-up"
      elif [ "$layer" != ui ] && { [ "$top" = ui ] || [ "$top" = app ]; }; then
        flag "$file" "$inc" "a widget-free file includes a UI header"
      fi
    elif [[ $layer != ui && $line =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\<(QtWidgets/)?([A-Za-z_]+)\> ]]; then
      name=${BASH_REMATCH[2]}
      if [ -n "${BASH_REMATCH[1]}" ] || [ -n "${widget_header[$name]:-}" ]; then
        flag "$file" "<${BASH_REMATCH[1]}$name>" "a widget-free file includes QtWidgets"
      fi
    fi
  done <"$file"
done
[ $bad = 0 ] && echo "check-layers: every include respects the layers"
exit $bad
