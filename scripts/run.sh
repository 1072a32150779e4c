#!/usr/bin/env bash
# Builds the project, then runs an options program under scanhost:
#
#     scripts/run.sh [PROGRAM] [scanhost options] [toolkit options]
#
# PROGRAM is amberpane (the default), cobaltpane or indigopane.  Options
# that start with "--" go to scanhost (--trace, --record FILE, --fail-set N,
# ...: see `scanhost --help`); the others go to the program (-xrm, -fg, ...).
# scanhost keeps the device's record in its state folder unless --record
# names another file.
#
# With $DISPLAY set the dialog appears there and the script ends with the
# program.  Without a display it starts a virtual one (Xvfb), waits for the
# program's window, saves a picture of it to build/shots/PROGRAM.png (under
# $BUILD_DIR when set), prints that path, presses Cancel with a real Escape
# key (or, when the program could only show its start-up error box, OK with
# Return) and ends with the program's exit status.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}

if [ "${1:-}" = -h ] || [ "${1:-}" = --help ]; then
    sed -n '2,/^set -euo/{/^#/s/^# \{0,1\}//p}' "$0"
    exit 0
fi

program=amberpane
if [ $# -gt 0 ] && [[ $1 != -* ]]; then
    program=$1
    shift
fi
case $program in
    amberpane | cobaltpane | indigopane) ;;
    *)
        echo "run.sh: unknown program '$program': use amberpane, cobaltpane or indigopane" >&2
        exit 2
        ;;
esac

host_args=()
toolkit_args=()
while [ $# -gt 0 ]; do
    case $1 in
        --model | --record | --fail-get | --fail-set | --fail-set-always | --driver-message | --delay)
            if [ $# -lt 2 ]; then
                echo "run.sh: $1 wants a value" >&2
                exit 2
            fi
            host_args+=("$1" "$2")
            shift
            ;;
        --*) host_args+=("$1") ;;
        *) toolkit_args+=("$1") ;;
    esac
    shift
done

"$top/scripts/build.sh"
scanhost=$build/bin/scanhost
if [ ! -x "$build/bin/$program" ]; then
    echo "run.sh: the build made no $program" >&2
    exit 2
fi

if [ -n "${DISPLAY:-}" ]; then
    exec "$scanhost" "${host_args[@]}" "$build/bin/$program" "${toolkit_args[@]}"
fi

# No display: a virtual one of our own, and a picture of the dialog.
work=$(mktemp -d)
xvfb_pid=
host_pid=
# shellcheck disable=SC2317  # called by the trap
cleanup() {
    [ -z "$host_pid" ] || kill "$host_pid" 2>/dev/null || true
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# Xvfb writes its display number to descriptor 3 once it takes clients.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 200); do
    grep -q . "$work/display" 2>/dev/null && break
    sleep 0.05
done
if ! grep -q . "$work/display"; then
    echo "run.sh: Xvfb did not start:" >&2
    cat "$work/xvfb.log" >&2
    exit 1
fi
DISPLAY=:$(head -n1 "$work/display")
export DISPLAY

"$scanhost" "${host_args[@]}" "$build/bin/$program" "${toolkit_args[@]}" &
host_pid=$!

# The program's main window carries the program's name as its instance name.
if ! window=$(timeout 30 xdotool search --sync --onlyvisible --classname "^$program\$" | head -n1) ||
    [ -z "$window" ]; then
    echo "run.sh: $program showed no window" >&2
    exit 1
fi
sleep 1  # let the toolkit draw the window before the picture is taken

mkdir -p "$build/shots"
shot=$build/shots/$program.png
xwd -silent -id "$window" | convert xwd:- "png:$shot"
echo "$shot"

# A user's Escape in the dialog presses its Cancel.  The start-up error box
# (titled "Error") has only OK, which Return presses.
key=Escape
[ "$(xdotool getwindowname "$window")" != Error ] || key=Return
xdotool mousemove --window "$window" 1 1 windowfocus "$window" key "$key"
for _ in $(seq 200); do
    kill -0 "$host_pid" 2>/dev/null || break
    sleep 0.05
done
if kill -0 "$host_pid" 2>/dev/null; then
    echo "run.sh: $program did not end on $key" >&2
    exit 1
fi

status=0
wait "$host_pid" || status=$?
host_pid=
exit "$status"
