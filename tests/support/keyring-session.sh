#!/bin/sh
# Runs a command against a private, throw-away keyring set-up and leaves nothing running after it.
#
#   keyring-session.sh keyring -- command...            session bus with an unlocked gnome-keyring
#   keyring-session.sh no-secret-service -- command...  session bus on which nothing keeps secrets
#   keyring-session.sh no-bus -- command...             no session bus at all
#   keyring-session.sh unresponsive -- command...       the keyring owns its bus name but is stopped
#
# HOME and XDG_RUNTIME_DIR point into a temporary folder, so the user's own keyring and settings are
# never touched. The command sees the mode in BRINDLE_KEYRING_SCENARIO.
set -eu

mode=${1:?mode}
shift
[ "${1:-}" = "--" ] && shift

case $mode in
keyring | no-secret-service | no-bus | unresponsive) ;;
*) echo "unknown mode: $mode" >&2; exit 2 ;;
esac

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export HOME="$tmp/home" XDG_RUNTIME_DIR="$tmp/run"
export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share"
export BRINDLE_KEYRING_SCENARIO="$mode"
mkdir -p "$HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
# Nothing of a desktop session may leak in: no display to autolaunch a bus from, no KDE to prefer
# KWallet for, no keyring of the caller.
unset DBUS_SESSION_BUS_ADDRESS DISPLAY WAYLAND_DISPLAY XDG_CURRENT_DESKTOP DESKTOP_SESSION \
    GNOME_KEYRING_CONTROL KDE_FULL_SESSION

if [ "$mode" = no-bus ]; then
    "$@"
    exit
fi

# A bus with no service directories: nothing is started on demand, so in "no-secret-service" the
# Secret Service name stays unowned, and in "keyring" only the daemon started below owns it.
cat >"$tmp/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=$tmp</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF

cat >"$tmp/inside.sh" <<'INSIDE'
set -u
daemon=""
if [ "$BRINDLE_KEYRING_SCENARIO" = keyring ] || [ "$BRINDLE_KEYRING_SCENARIO" = unresponsive ]; then
    # --unlock reads the password from stdin and creates the login keyring with it.
    printf '%s' pw | gnome-keyring-daemon --foreground --unlock --components=secrets \
        >"$XDG_RUNTIME_DIR/keyring.log" 2>&1 &
    daemon=$!
    owned=""
    for _ in $(seq 100); do
        if dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
            org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets 2>/dev/null |
            grep -q 'boolean true'; then
            owned=yes
            break
        fi
        sleep 0.1
    done
    if [ -z "$owned" ]; then
        echo "gnome-keyring-daemon did not come up:" >&2
        cat "$XDG_RUNTIME_DIR/keyring.log" >&2
        kill "$daemon" 2>/dev/null
        wait "$daemon" 2>/dev/null
        exit 1
    fi
    # A keyring that never answers, as one stuck behind a prompt nobody sees.
    [ "$BRINDLE_KEYRING_SCENARIO" = unresponsive ] && kill -STOP "$daemon"
fi
"$@"
status=$?
if [ -n "$daemon" ]; then
    kill "$daemon" 2>/dev/null
    kill -CONT "$daemon" 2>/dev/null
    wait "$daemon" 2>/dev/null
fi
exit $status
INSIDE

# dbus-run-session stops its bus when the command ends.
status=0
dbus-run-session --config-file="$tmp/bus.conf" -- sh "$tmp/inside.sh" "$@" || status=$?
exit $status
