#!/usr/bin/env bash
# Fails when a file includes a header of a layer above its own:
#   zuvio_protocol (remote/RemotePackets, remote/HostPort)
#                                only itself and core/Messages.h
#   core/                        only core/ and the protocol library
#   playback/ playlist/ devices/ net/ extensions/ sync/
#                                core/ and one another
#   show/ShowCommand.h ShowEvent.h ShowOutput.h
#                                the command and event types: no header of ours
#   show/                        the engine: the layers above core, never a controller
#   remote/ osc/ dmx/ control/   the controllers: the show engine and the layers
#                                below it, never a player (playback/)
#   ui/                          anything but app/ and playback/
#   app/                         anything (not checked)
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

lower=" playback playlist devices net extensions sync "
controllers=" remote osc dmx control "
for file in $(find core playback playlist remote devices net extensions osc dmx sync show control ui -name '*.h' -o -name '*.cpp' | sort); do
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
      elif [[ $file =~ ^show/Show(Command|Event|Output)\.h$ ]]; then
        flag "$file" "$inc" "the command and event types stand alone"
      elif [ "$layer" = ui ] && [ "$top" = app ]; then
        flag "$file" "$inc" "ui never includes start-up"
      elif { [ "$layer" = ui ] || [[ $controllers == *" $layer "* ]]; } && [ "$top" = playback ]; then
        flag "$file" "$inc" "the window and the controllers reach the players through the show engine"
      elif [[ $lower == *" $layer "* ]] && { [ "$top" = show ] || [[ $controllers == *" $top "* && $inc != remote/RemotePackets.h && $inc != remote/HostPort.h ]]; }; then
        flag "$file" "$inc" "a subsystem below the show engine includes the engine or a controller"
      elif [ "$layer" = show ] && [[ $controllers == *" $top "* && $inc != remote/RemotePackets.h && $inc != remote/HostPort.h ]]; then
        flag "$file" "$inc" "the show engine never includes a controller"
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
